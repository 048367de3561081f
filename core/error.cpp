#include "core/error.h"

#include <new>

namespace vor {

Error UnhandledError(std::exception_ptr exception) {
  try {
    std::rethrow_exception(exception);
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(errnum::kOutOfMemory, "Memória insuficiente");
  } catch (const std::exception& e) {
    return Error(errnum::kInvalidCall, e.what());
  }
}

}  // namespace vor
