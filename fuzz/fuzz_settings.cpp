// The settings file as anyone may have edited it: any text gives three finite settings,
// and what the program writes back reads back as the same text once saved again (the
// file keeps 15 significant digits, so the first save may round).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/rules/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const dmm::Settings s = dmm::ParseSettingsText(text);
    if (!std::isfinite(s.fHiLimit) || !std::isfinite(s.fLowLimit)) std::abort();
    // Within a hair of the largest double the 15-digit form rounds beyond it; left out.
    if (std::fabs(s.fHiLimit) > 1e308 || std::fabs(s.fLowLimit) > 1e308) return 0;
    const std::string saved = dmm::FormatSettingsText(s);
    const dmm::Settings back = dmm::ParseSettingsText(saved);
    if (back.iPort != s.iPort || dmm::FormatSettingsText(back) != saved) std::abort();
    return 0;
}
