#include "runtime/error.h"

namespace salvo {

void ThrowNullAccess() {
  throw RuntimeError(kNullAccessMessage);
}

void ThrowRuntimeError(const std::string& message) {
  throw RuntimeError(message);
}

}  // namespace salvo
