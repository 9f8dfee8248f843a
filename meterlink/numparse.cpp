#include "meterlink/numparse.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <system_error>

namespace dmm {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Moves pos past a run of digits and returns how many there were.
std::size_t SkipDigits(std::string_view text, std::size_t& pos) {
    std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    return pos - start;
}

}  // namespace

std::optional<long double> ParseNumber(std::string_view text) {
    // Only space counts as a blank; tabs and other control codes are not part of a number.
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ') ++first;
    std::size_t end = text.size();
    while (end > first && text[end - 1] == ' ') --end;
    std::string_view body = text.substr(first, end - first);

    // The grammar is checked here rather than left to from_chars, which would take
    // "inf", "nan" and hexadecimal forms and reject "+1" and ".".
    std::size_t pos = 0;
    bool negative = false;
    if (pos < body.size() && (body[pos] == '+' || body[pos] == '-')) {
        negative = body[pos] == '-';
        ++pos;
    }
    std::size_t intStart = pos;
    std::size_t intDigits = SkipDigits(body, pos);
    std::string_view intPart = body.substr(intStart, intDigits);
    bool point = false;
    std::string_view fracPart;
    if (pos < body.size() && body[pos] == '.') {
        point = true;
        ++pos;
        std::size_t fracStart = pos;
        fracPart = body.substr(fracStart, SkipDigits(body, pos));
    }
    // A mantissa needs at least one digit or the decimal point (a lone "." is 0).
    if (intDigits == 0 && fracPart.empty() && !point) return std::nullopt;

    std::string_view expPart;
    bool expNegative = false;
    if (pos < body.size() && (body[pos] == 'e' || body[pos] == 'E')) {
        ++pos;
        if (pos < body.size() && (body[pos] == '+' || body[pos] == '-')) {
            expNegative = body[pos] == '-';
            ++pos;
        }
        std::size_t expStart = pos;
        std::size_t expDigits = SkipDigits(body, pos);
        if (expDigits == 0) return std::nullopt;
        expPart = body.substr(expStart, expDigits);
    }
    if (pos != body.size()) return std::nullopt;

    std::string normal;
    normal.reserve(body.size() + 4);
    if (negative) normal += '-';
    if (intPart.empty()) {
        normal += '0';
    } else {
        normal += intPart;
    }
    if (!fracPart.empty()) {
        normal += '.';
        normal += fracPart;
    }
    if (!expPart.empty()) {
        normal += 'e';
        if (expNegative) normal += '-';
        normal += expPart;
    }

    long double value = 0;
    auto [ptr, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc() || ptr != normal.data() + normal.size()) {
        // Out of range: too large is no number; too small underflows to zero, which
        // is what the meter meant by such a text.
        if (ec == std::errc::result_out_of_range && expNegative) return negative ? -0.0L : 0.0L;
        return std::nullopt;
    }
    return value;
}

std::optional<int> ParseInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::size_t digitsStart = pos;
    if (SkipDigits(text, pos) == 0 || pos != text.size()) return std::nullopt;

    // Parse the magnitude wider than int so that INT_MIN round-trips.
    std::int64_t magnitude = 0;
    auto [ptr, ec] = std::from_chars(text.data() + digitsStart, text.data() + pos, magnitude);
    if (ec != std::errc() || ptr != text.data() + pos) return std::nullopt;
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string FormatGeneral(double value) {
    std::string text = Format("%.15g", value);
    if (!std::isfinite(value)) return text;
    const std::optional<long double> back = ParseNumber(text);
    if (!back || std::isfinite(static_cast<double>(*back))) return text;
    // Rounded to 15 digits the value went past the largest double and would not read back:
    // cut the digits after the 15th instead. 15 digits always read back as themselves.
    std::string digits = Format("%.20e", value);
    const std::size_t exponent = digits.find('e');
    const std::size_t point = digits.find('.');
    if (exponent == std::string::npos || point == std::string::npos) return text;
    digits.erase(point + 15, exponent - (point + 15));
    const std::optional<long double> cut = ParseNumber(digits);
    return cut ? Format("%.15g", static_cast<double>(*cut)) : text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    return out;
}

}  // namespace dmm
