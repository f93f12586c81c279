// Runtime errors are C++ exceptions carrying the system's message texts.
#pragma once

#include <stdexcept>
#include <string>

namespace salvo {

// A runtime error: raised with its message, reported on stderr when uncaught.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kNullAccessMessage =
    "Attempt to access field or method of Null object";
inline constexpr const char* kAbstractCallMessage = "Attempt to call abstract method";
inline constexpr const char* kArrayIndexMessage =
    "Attempt to index array element beyond array length";
inline constexpr const char* kReadPastEndMessage = "Attempt to read beyond end of data";
inline constexpr const char* kReservedMethodMessage = "Illegal call to reserved method";

[[noreturn]] void ThrowNullAccess();
[[noreturn]] void ThrowRuntimeError(const std::string& message);

}  // namespace salvo
