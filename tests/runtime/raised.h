#pragma once

#include <exception>
#include <string>

namespace salvo::testing {

// The message of the error of type Error that `action` raises; empty when it
// raises none. An error of another type passes on to the test, which fails.
template <class Error = std::exception, class Action>
std::string Raised(const Action& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

}  // namespace salvo::testing
