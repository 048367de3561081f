#include "core/error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace vor {
namespace {

template <typename E>
Error Reported(const E& e) {
  return UnhandledError(std::make_exception_ptr(e));
}

TEST(UnhandledErrorTest, NumbersAndDescribesWhatWasCaught) {
  const Error own = Reported(Error(3021, "Sem registo"));
  EXPECT_EQ(own.number(), 3021);
  EXPECT_EQ(own.description(), "Sem registo");
  const Error memory = Reported(std::bad_alloc());
  EXPECT_EQ(memory.number(), errnum::kOutOfMemory);
  EXPECT_EQ(memory.description(), "Memória insuficiente");
  const Error other = Reported(std::out_of_range("fora"));
  EXPECT_EQ(other.number(), errnum::kInvalidCall);
  EXPECT_EQ(other.description(), "fora");
  // Not a std::exception: raised again, not turned into an Error.
  EXPECT_THROW(Reported(42), int);
}

}  // namespace
}  // namespace vor
