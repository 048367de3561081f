// The check of the fuzz targets: a broken property is a crash, so that
// libFuzzer keeps the input that broke it and the replay test fails on it.
#ifndef VOR_FUZZ_FUZZ_CHECK_H_
#define VOR_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define VOR_FUZZ_CHECK(condition, what)                                   \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::fprintf(stderr, "%s:%d: property broken: %s (%s)\n", __FILE__, \
                   __LINE__, #condition, what);                           \
      std::abort();                                                       \
    }                                                                     \
  } while (0)

#endif  // VOR_FUZZ_FUZZ_CHECK_H_
