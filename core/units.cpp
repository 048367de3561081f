#include "core/units.h"

#include <string>

#include "core/text_util.h"

namespace vor {

bool Units::PricedBySupplier(const Value& base, const Value& purchase) {
  if (base.is_null() || purchase.is_null()) return false;
  // Within Latin-1, turning capitals into small letters tells the same
  // pairs of texts apart as turning small letters into capitals.
  std::string a;
  std::string b;
  FoldCase(base.ToText(), &a);
  FoldCase(purchase.ToText(), &b);
  return a != b;
}

bool Units::Converted(const Value& base, const Value& purchase) {
  return !base.is_null() && !purchase.is_null() &&
         base.ToText() != purchase.ToText();
}

}  // namespace vor
