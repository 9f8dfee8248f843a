// Logger records and settings files from outside: any bytes decode into records
// whose texts are terminated, and any text gives three usable settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "logger/logrecord.h"
#include "shell/settings.h"

namespace {

template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (std::memchr(field, 0, N) == nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; at + dmm::kLogRecordSize <= size; at += dmm::kLogRecordSize) {
        dmm::LogRecord r = dmm::DecodeLogRecord(data + at);
        CheckTerminated(r.szValue);
        CheckTerminated(r.szRange);
        CheckTerminated(r.szTime);
        CheckTerminated(r.szDisplay);
        CheckTerminated(r.szUnit);
        CheckTerminated(r.szFunc);
        unsigned char again[dmm::kLogRecordSize];
        dmm::EncodeLogRecord(r, again);
        const dmm::LogRecord back = dmm::DecodeLogRecord(again);
        if (std::memcmp(&back, &r, sizeof r) != 0) std::abort();
    }
    dmm::ParseSettingsText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
