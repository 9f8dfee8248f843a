// Number parsing and formatting with "." as the decimal separator, whatever the locale.
#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace dmm {

// Decimal conversion of the whole text: leading and trailing blanks allowed,
// optional sign and exponent, digits may be missing on one side of the point
// ("." alone is 0). " OL ", a lone sign and an empty text do not parse.
std::optional<long double> ParseNumber(std::string_view text);

// Optional leading blanks, optional sign, decimal digits, nothing after them.
// Values outside the 32-bit range do not parse.
std::optional<int> ParseInteger(std::string_view text);

// Shortest general form with up to 15 significant digits: 100 -> "100", 2.5 -> "2.5".
std::string FormatGeneral(double value);

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Copies text into a fixed zero-terminated field, cut to N - 1 characters.
template <std::size_t N>
void CopyCut(char (&field)[N], std::string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    if (n > 0) std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

// The text of a fixed field: up to its first zero byte, at most N characters.
template <std::size_t N>
std::string FieldString(const char (&field)[N]) {
    const void* end = std::memchr(field, 0, N);
    return std::string(field, end ? static_cast<const char*>(end) - field : N);
}

}  // namespace dmm
