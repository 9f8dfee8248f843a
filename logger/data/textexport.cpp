#include "logger/data/textexport.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "logger/data/pages.h"
#include "meterlink/numparse.h"

namespace dmm {

namespace {

constexpr int kDigits = 7;
// Plain notation while the value written as 0.ddd x 10^e has e from -3 to 7.
constexpr int kLowestPlainExponent = -3;
constexpr int kHighestPlainExponent = 7;

}  // namespace

std::string FormatExportValue(float value) {
    const double v = value;
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";

    // d.dddddde±x: the value cut to 7 digits, the last one rounded.
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, std::fabs(v),
                                      std::chars_format::scientific, kDigits - 1);
    const std::string_view text(buf, static_cast<std::size_t>(result.ptr - buf));
    const std::size_t ePos = text.find('e');
    std::string digits;
    digits += text[0];
    digits += text.substr(2, ePos - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str()) + 1;

    std::string out;
    if (v < 0) out += '-';
    if (exponent >= kLowestPlainExponent && exponent <= kHighestPlainExponent) {
        if (exponent <= 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent), '0');
            out += digits;
        } else if (static_cast<std::size_t>(exponent) >= digits.size()) {
            out += digits;
            out.append(static_cast<std::size_t>(exponent) - digits.size(), '0');
        } else {
            out.append(digits, 0, static_cast<std::size_t>(exponent));
            out += '.';
            out.append(digits, static_cast<std::size_t>(exponent));
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent - 1);
    }
    return out;
}

void AppendExportLine(std::string& out, std::size_t index, const LogRecord& record) {
    char number[24];
    const auto end = std::to_chars(number, number + sizeof number, index + 1).ptr;
    out.append(number, end);
    out += ',';
    out += FieldString(record.szTime);
    out += ',';
    out += FormatExportValue(record.fValue);
    out += "\r\n";
}

TextExport::TextExport(const LogList& list, int pointsPerPage, int pageCount, int from, int to)
    : list_(list),
      pointsPerPage_(pointsPerPage),
      pageCount_(pageCount),
      from_(from),
      page_(from),
      to_(to) {}

bool TextExport::enterPage() {
    while (page_ <= to_) {
        if (!started_) {
            started_ = true;
        } else {
            ++page_;
            if (page_ > to_) return false;
        }
        const PageSpan span = PageRecords(list_.size(), pointsPerPage_, pageCount_, page_);
        next_ = span.first;
        end_ = span.first + span.count;
        if (next_ < end_) return true;
    }
    return false;
}

bool TextExport::Next(std::string& chunk, std::size_t chunkBytes) {
    chunk.clear();
    while (chunk.size() < chunkBytes) {
        if (next_ >= end_ && !enterPage()) break;
        AppendExportLine(chunk, next_, list_[next_]);
        ++next_;
    }
    return !chunk.empty();
}

std::string TextExport::All() {
    std::string all, chunk;
    while (Next(chunk)) all += chunk;
    return all;
}

std::size_t TextExport::LineCount() const {
    std::size_t lines = 0;
    for (int page = from_; page <= to_; ++page)
        lines += PageRecords(list_.size(), pointsPerPage_, pageCount_, page).count;
    return lines;
}

Status SaveTextExport(const std::string& path, const LogList& list, int pointsPerPage,
                      int pageCount, int from, int to, FileOps& ops) {
    TextExport text(list, pointsPerPage, pageCount, from, to);
    return SaveFileAtomically(
        path, [&](std::string& chunk) { return text.Next(chunk); }, ops);
}

}  // namespace dmm
