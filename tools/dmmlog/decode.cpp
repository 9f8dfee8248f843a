// dmmlog decode: captured display payloads decoded as consecutive polls would.
#include <cstdio>
#include <iostream>
#include <string>

#include "meterlink/displaydecoder.h"
#include "meterlink/protocol.h"
#include "meterlink/readingline.h"
#include "tools/dmmlog/cli.h"

namespace dmm::cli {

namespace {
const char* const kHelp =
    "usage: dmmlog decode < payloads.txt\n"
    "\n"
    "Reads display payloads from standard input, one per line as hexadecimal bytes\n"
    "(blanks allowed; blank lines and lines starting with '#' are skipped): status\n"
    "word (little-endian), 8-byte value text, one unused byte, 2-byte range text.\n"
    "Decodes them in order as consecutive polls would (the display state carries\n"
    "over) and prints one tab-separated line per payload: function code, value text,\n"
    "range text, display text, unit text, function text, charted value.\n"
    "A bad line is reported on standard error, skipped, and makes the exit status 1.\n";
}  // namespace

int Decode(int argc, char** argv) {
    Options opts({}, {"help"});
    if (!opts.parse(argc, argv)) {
        std::fprintf(stderr, "dmmlog decode: %s\n\n%s", opts.error().c_str(), kHelp);
        return 2;
    }
    if (opts.has("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    MeterReading reading;
    int status = 0;
    std::string text;
    for (long lineNumber = 1; std::getline(std::cin, text); ++lineNumber) {
        std::size_t first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos || text[first] == '#') continue;
        auto bytes = ParseHexBytes(text);
        if (!bytes) {
            std::fprintf(stderr, "dmmlog decode: line %ld: not hexadecimal bytes\n", lineNumber);
            status = 1;
            continue;
        }
        auto frame = ParseDisplayPayload(*bytes);
        if (!frame) {
            std::fprintf(stderr,
                         "dmmlog decode: line %ld: %zu bytes, a display payload needs %zu\n",
                         lineNumber, bytes->size(), kDisplayPayloadSize);
            status = 1;
            continue;
        }
        StoreFrame(reading, frame->status, frame->value, frame->range);
        DecodeReading(reading);
        std::printf("%s\n", ReadingFields(reading).c_str());
    }
    return status;
}

}  // namespace dmm::cli
