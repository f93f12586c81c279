// What a death test's child wrote, matched by a std::regex (ECMAScript):
// GoogleTest's own expressions are POSIX ones on Linux but a small subset
// without bracket expressions on Windows.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <string>

namespace salvo::testing {

// Matches the text in which `pattern` finds a match.
struct ContainsStdRegex {
  using is_gtest_matcher = void;
  bool MatchAndExplain(const std::string& text, std::ostream*) const {
    return std::regex_search(text, std::regex(pattern));
  }
  void DescribeTo(std::ostream* out) const {
    *out << "contains regular expression \"" << pattern << '"';
  }
  void DescribeNegationTo(std::ostream* out) const {
    *out << "does not contain regular expression \"" << pattern << '"';
  }
  std::string pattern;
};

// `text` as an expression that matches exactly it (a Windows path's
// backslashes among others).
inline std::string RegexLiteral(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\/-])");
  return std::regex_replace(text, special, R"(\$&)");
}

}  // namespace salvo::testing
