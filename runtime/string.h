// Strings are immutable-by-convention sequences of 16-bit code units, compared
// code unit by code unit. String literals are written u"...".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace salvo {

using String = std::u16string;

// Decimal digits with a leading "-" when negative.
String ToString(int32_t value);
// ASCII/UTF-8 text to code units (invalid bytes become U+FFFD).
String FromUtf8(std::string_view text);
// Code units to UTF-8, for stderr, file names and C libraries.
std::string ToUtf8(std::u16string_view text);

}  // namespace salvo
