// ErrorNumber: the number of the vor::Error that a piece of code raises, for
// tests that check which error an operation gives and what it says.
//
//   std::string why;
//   EXPECT_EQ(ErrorNumber([&] { (void)(max + one); }, &why), 6);
#ifndef VOR_TESTING_ERROR_NUMBER_H_
#define VOR_TESTING_ERROR_NUMBER_H_

#include <string>

#include "core/error.h"

namespace vor {

// Runs `f` and returns the number of the Error it raised, 0 when it raised
// none; the Error's description goes to `*description` when given. Any
// other exception passes through.
template <typename F>
long ErrorNumber(F f, std::string* description = nullptr) {
  try {
    f();
  } catch (const Error& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return 0;
}

}  // namespace vor

#endif  // VOR_TESTING_ERROR_NUMBER_H_
