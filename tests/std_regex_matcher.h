// What a death test's child wrote, matched by a std::regex (ECMAScript):
// GoogleTest's own expressions are POSIX ones on Linux but a small subset
// without bracket expressions on Windows.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <string>
#include <utility>

namespace salvo::testing {

class StdRegexSearch : public ::testing::MatcherInterface<const std::string&> {
 public:
  explicit StdRegexSearch(std::string pattern) : pattern_(std::move(pattern)), regex_(pattern_) {}
  bool MatchAndExplain(const std::string& text, ::testing::MatchResultListener*) const override {
    return std::regex_search(text, regex_);
  }
  void DescribeTo(std::ostream* out) const override {
    *out << "contains regular expression \"" << pattern_ << '"';
  }

 private:
  std::string pattern_;
  std::regex regex_;
};

inline ::testing::Matcher<const std::string&> ContainsStdRegex(std::string pattern) {
  return ::testing::MakeMatcher(new StdRegexSearch(std::move(pattern)));
}

// `text` as an expression that matches exactly it (a Windows path's
// backslashes among others).
inline std::string RegexLiteral(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\/-])");
  return std::regex_replace(text, special, R"(\$&)");
}

}  // namespace salvo::testing
