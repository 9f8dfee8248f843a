// ASCII-14 lines out of any byte stream: one line for each request, and the 9600-baud
// meters' sets of four (a 0xFF in the input stands for the request, which no line holds).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "chipstream.h"
#include "meterlink/chips/ascii14.h"

namespace {

namespace chips = dmm::chips;

constexpr std::uint8_t kAsked = 0xFF;

// The set reader, asked at each kAsked byte, as the chip stream checks take a reader.
class AskedSetReader {
public:
    void feed(const std::uint8_t* data, std::size_t n, std::vector<chips::LcdReading>& out) {
        std::size_t from = 0;
        for (std::size_t i = 0; i <= n; ++i) {
            if (i < n && data[i] != kAsked) continue;
            reader_.feed(data + from, i - from, out);
            if (i < n) reader_.requestSent();
            from = i + 1;
        }
    }
    std::uint64_t dropped() const { return reader_.dropped(); }
    std::uint64_t accepted() const { return reader_.accepted(); }

private:
    chips::Ascii14SetReader reader_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto encode = [](const chips::LcdReading& lcd) { return chips::EncodeAscii14(lcd); };
    const auto decode = [](const std::optional<chips::Ascii14Packet>& p) {
        return p ? chips::DecodeAscii14(*p) : std::nullopt;
    };
    dmm::fuzz::CheckChipStream<chips::Ascii14Reader>(data, size, chips::kAscii14Counts, encode,
                                                     decode);
    dmm::fuzz::CheckChipStream<AskedSetReader>(data, size, chips::kAscii14Counts, encode, decode);
    return 0;
}
