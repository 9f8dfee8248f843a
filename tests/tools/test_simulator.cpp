#include "tools/dmm-sim/simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "logger/import/memorylog.h"
#include "meterlink/chips/ascii14.h"
#include "meterlink/chips/es51922.h"
#include "meterlink/chips/fs9721.h"
#include "meterlink/chips/fs9922.h"
#include "meterlink/chips/ut71x.h"
#include "meterlink/numparse.h"
#include "tools/dmm-sim/storedlog.h"

namespace dmm::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Frame(std::uint8_t cmd) {
    return {0x10, 0x02, cmd, 0, 0, 0, 0x10, 0x03};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Reads a reply the way the logger does: four bytes, N payload bytes, the check
// byte (one more when it is 0x10), two bytes. Fails unless the frame is used up exactly.
std::optional<Bytes> ReadLikeLogger(const Bytes& frame, std::uint8_t* check = nullptr) {
    std::size_t pos = 4;
    if (frame.size() < pos) return std::nullopt;
    const std::size_t n = frame[3];
    if (frame.size() < pos + n + 1) return std::nullopt;
    Bytes payload(frame.begin() + 4, frame.begin() + 4 + static_cast<long>(n));
    pos += n;
    std::uint8_t c = frame[pos++];
    if (c == 0x10) {
        if (pos >= frame.size()) return std::nullopt;
        c = frame[pos++];
    }
    if (check) *check = c;
    if (frame.size() != pos + 2 || frame[pos] != 0x10 || frame[pos + 1] != 0x03)
        return std::nullopt;
    return payload;
}

Bytes OnlyAnswer(Simulator& sim, std::uint8_t cmd) {
    auto answers = sim.feed(Frame(cmd));
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? Bytes{} : answers[0].bytes;
}

struct ReaderCase {
    const char* name;
    Bytes input;
    Bytes commands;
};

TEST(CommandFrameReader, FindsFramesHoweverTheBytesAreSplit) {
    const std::vector<ReaderCase> cases = {
        {"plain frame", Frame('B'), {'B'}},
        {"noise before", Concat({{0xFF, 0x10, 0x00, 0x03, 0x10}, Frame('B')}), {'B'}},
        {"cut-off frame then a whole one", Concat({{0x10, 0x02, 'B', 0, 0}, Frame('F')}), {'F'}},
        {"frame start inside a broken frame", Concat({{0x10, 0x02}, Frame('B')}), {'B'}},
        {"two frames back to back", Concat({Frame('B'), Frame('F')}), {'B', 'F'}},
        {"wrong trailer", {0x10, 0x02, 'B', 0, 0, 0, 0x10, 0x04}, {}},
        {"argument bytes need not be zero", {0x10, 0x02, 'N', 1, 2, 3, 0x10, 0x03}, {'N'}},
        {"DLE as the command byte", Frame(0x10), {0x10}},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Every split into two writes, and one byte per write.
        for (std::size_t cut = 0; cut <= c.input.size(); ++cut) {
            CommandFrameReader reader;
            Bytes got = reader.feed(c.input.data(), cut);
            Bytes rest = reader.feed(c.input.data() + cut, c.input.size() - cut);
            got.insert(got.end(), rest.begin(), rest.end());
            EXPECT_EQ(got, c.commands) << "split at " << cut;
        }
        CommandFrameReader reader;
        Bytes got;
        for (std::uint8_t b : c.input) {
            Bytes one = reader.feed(&b, 1);
            got.insert(got.end(), one.begin(), one.end());
        }
        EXPECT_EQ(got, c.commands) << "byte by byte";
    }
}

TEST(CommandFrameReader, HoldsOnlyAPossibleFrameStart) {
    CommandFrameReader reader;
    const Bytes noise = {0x00, 0x02, 0x03, 0x10, 0x02, 'B'};
    reader.feed(noise.data(), noise.size());
    EXPECT_EQ(reader.pending(), 3u);
}

TEST(DisplayPayload, LaysOutFieldsByteForByte) {
    struct Case {
        SimReading reading;
        Bytes payload;
    };
    const std::vector<Case> cases = {
        {{0x80000006u, "-1.234", "-3"},
         {0x06, 0x00, 0x00, 0x80, '-', '1', '.', '2', '3', '4', 0, 0, 0, '-', '3'}},
        {{8192, "12345678", "0"},
         {0x00, 0x20, 0x00, 0x00, '1', '2', '3', '4', '5', '6', '7', '8', 0, '0', 0}},
        {{0x12345678u, "123456789", "123"},
         {0x78, 0x56, 0x34, 0x12, '1', '2', '3', '4', '5', '6', '7', '8', 0, '1', '2'}},
        {{32, "", ""}, {32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DescribeReading(c.reading));
        EXPECT_EQ(BuildDisplayPayload(c.reading), c.payload);
    }
}

TEST(ReplyFrame, DisplayReplyIsWhatTheLoggerReads) {
    Simulator sim({{6, "1.234", "0"}});
    const Bytes frame = OnlyAnswer(sim, 'B');
    const Bytes payload = BuildDisplayPayload({6, "1.234", "0"});
    Bytes expected = {0x10, 0x02, 'B', 15};
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.insert(expected.end(), {ReplyCheckByte(payload), 0x10, 0x03});
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(ReadLikeLogger(frame), payload);
}

TEST(ReplyFrame, CheckByteOfDleIsEscaped) {
    struct Case {
        const char* name;
        Bytes payload;
        bool forceDle;
        Bytes frame;
    };
    const std::vector<Case> cases = {
        {"plain", {0x01, 0x02}, false, {0x10, 0x02, 0, 2, 0x01, 0x02, 0x03, 0x10, 0x03}},
        {"sum is DLE", {0x08, 0x08}, false, {0x10, 0x02, 0, 2, 0x08, 0x08, 0x10, 0x10, 0x10, 0x03}},
        {"forced", {0x01, 0x02}, true, {0x10, 0x02, 0, 2, 0x01, 0x02, 0x10, 0x03, 0x10, 0x03}},
        {"forced, sum is DLE", {0x10}, true, {0x10, 0x02, 0, 1, 0x10, 0x10, 0x10, 0x10, 0x03}},
        {"empty payload", {}, false, {0x10, 0x02, 0, 0, 0x00, 0x10, 0x03}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes frame = BuildReplyFrame(0, c.payload, c.forceDle);
        EXPECT_EQ(frame, c.frame);
        std::uint8_t check = 0;
        EXPECT_EQ(ReadLikeLogger(frame, &check), c.payload);
        EXPECT_EQ(check, ReplyCheckByte(c.payload));
    }
    EXPECT_THROW(BuildReplyFrame(0, Bytes(256, 0)), std::invalid_argument);
}

TEST(Simulator, CheckDleModeEscapesEveryReply) {
    Simulator sim({{6, "1.234", "0"}});
    sim.modes().checkDle = true;
    for (std::uint8_t cmd : {'B', 'F'}) {
        const Bytes frame = OnlyAnswer(sim, cmd);
        std::uint8_t check = 0;
        const auto payload = ReadLikeLogger(frame, &check);
        ASSERT_TRUE(payload);
        EXPECT_EQ(frame[frame.size() - 4], 0x10);
        EXPECT_EQ(check, ReplyCheckByte(*payload));
    }
}

TEST(Simulator, CyclesTheScenarioOneReadingPerDisplayRequest) {
    const std::vector<SimReading> scenario = {
        {6, "1.000", "0"}, {5, "2.000", "1"}, {32, "25.0C", "1"}};
    Simulator sim(scenario);
    std::vector<SimReading> seen;
    for (int i = 0; i < 7; ++i) {
        if (i == 2) OnlyAnswer(sim, 'F');  // identity requests do not use up readings
        const auto payload = ReadLikeLogger(OnlyAnswer(sim, 'B'));
        ASSERT_TRUE(payload);
        const Bytes& p = *payload;
        SimReading r;
        r.status = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        r.value = reinterpret_cast<const char*>(&p[4]);
        r.range = std::string(p.begin() + 13, p.end()).c_str();
        seen.push_back(r);
    }
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], scenario[i % 3]) << i;
}

TEST(Simulator, LowBatterySetsBit31AndKeepsTheFunctionCode) {
    Simulator sim({{0x00000402u, "5.000", "1"}});
    auto status = [&] {
        const Bytes f = OnlyAnswer(sim, 'B');
        return f[4] | f[5] << 8 | f[6] << 16 | static_cast<std::uint32_t>(f[7]) << 24;
    };
    EXPECT_EQ(status(), 0x00000402u);
    sim.modes().lowBattery = true;
    EXPECT_EQ(status(), 0x80000402u);
    sim.modes().lowBattery = false;
    EXPECT_EQ(status(), 0x00000402u);
}

TEST(Simulator, SilenceAnswersNothingAndKeepsThePlace) {
    Simulator sim({{6, "1.000", "0"}, {6, "2.000", "0"}});
    sim.modes().silent = true;
    for (std::uint8_t cmd : {'B', 'F', 'B'}) EXPECT_TRUE(OnlyAnswer(sim, cmd).empty());
    sim.modes().silent = false;
    EXPECT_EQ(ReadLikeLogger(OnlyAnswer(sim, 'B')), BuildDisplayPayload({6, "1.000", "0"}));
}

TEST(Simulator, SilentAfterCountsFrames) {
    struct Case {
        std::uint64_t after;
        std::uint64_t forFrames;
        const char* pattern;  // one letter per frame: a = answered, s = silent
    };
    const std::vector<Case> cases = {
        {2, 3, "aasssaaa"},
        {2, 0, "aassssss"},
        {0, 1, "saaaaaaa"},
    };
    for (const Case& c : cases) {
        Simulator sim({{6, "1.000", "0"}});
        sim.modes().silentAfter = c.after;
        sim.modes().silentFor = c.forFrames;
        std::string got;
        for (int i = 0; i < 8; ++i) got += OnlyAnswer(sim, i % 2 ? 'F' : 'B').empty() ? 's' : 'a';
        EXPECT_EQ(got, c.pattern) << "after " << c.after << " for " << c.forFrames;
    }
}

TEST(Simulator, IdentityReply) {
    Simulator sim;
    EXPECT_EQ(OnlyAnswer(sim, 'F'), (Bytes{0x10, 0x02, 'F', 1, 1, 1, 0x10, 0x03}));
    sim.setIdentity(12);
    EXPECT_EQ(ReadLikeLogger(OnlyAnswer(sim, 'F')), Bytes{12});
    sim.setEmptyIdentity();
    EXPECT_EQ(OnlyAnswer(sim, 'F'), (Bytes{0x10, 0x02, 'F', 0, 0, 0x10, 0x03}));
}

TEST(Simulator, ShortModeSendsAConsistentShortPayload) {
    Simulator sim({{6, "1.234", "-1"}});
    sim.modes().shortPayload = true;
    const auto payload = ReadLikeLogger(OnlyAnswer(sim, 'B'));
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->size(), kShortDisplayPayloadSize);
    const Bytes full = BuildDisplayPayload({6, "1.234", "-1"});
    EXPECT_TRUE(std::equal(payload->begin(), payload->end(), full.begin()));
}

TEST(Simulator, GarbageReplacesTheReplyAndIsRepeatableBySeed) {
    auto garbage = [](std::uint32_t seed) {
        Simulator sim({{6, "1.234", "0"}});
        sim.modes().garbage = true;
        sim.setSeed(seed);
        return OnlyAnswer(sim, 'B');
    };
    Simulator plain({{6, "1.234", "0"}});
    const Bytes normal = OnlyAnswer(plain, 'B');
    EXPECT_EQ(garbage(7).size(), normal.size());
    EXPECT_NE(garbage(7), normal);
    EXPECT_EQ(garbage(7), garbage(7));
    EXPECT_NE(garbage(7), garbage(8));
}

// A stored log for the block commands; each block is filled with its own number.
class NumberedBlocks : public MemoryImage {
public:
    std::size_t blockCount() const override { return 3; }
    Bytes block(std::size_t index) const override {
        return Bytes(kBlockSize, static_cast<std::uint8_t>(index));
    }
};

TEST(Simulator, CommandsWithoutHandlerGetNoAnswerUntilOneIsInstalled) {
    Simulator sim;
    const auto n = sim.feed(Frame('N'));
    ASSERT_EQ(n.size(), 1u);
    EXPECT_TRUE(n[0].bytes.empty());
    EXPECT_NE(n[0].note.find("unknown"), std::string::npos);

    sim.setMemoryImage(std::make_shared<NumberedBlocks>());
    sim.setHandler('N', [](const Simulator& s) -> std::optional<SimReply> {
        return SimReply{s.memoryImage()->block(0), "block 0"};
    });
    EXPECT_EQ(OnlyAnswer(sim, 'N'), Bytes(512, 0));
    sim.setHandler('N', nullptr);
    EXPECT_FALSE(sim.hasHandler('N'));
    EXPECT_TRUE(OnlyAnswer(sim, 'N').empty());
}

TEST(StoredLog, FirstBlockStartsOverNextBlockRunsOutIntoSilence) {
    Simulator sim;
    sim.setMemoryImage(std::make_shared<NumberedBlocks>());
    const std::size_t blocks = NumberedBlocks().blockCount();
    EXPECT_EQ(OnlyAnswer(sim, 'N'), Bytes(512, 0));
    EXPECT_EQ(OnlyAnswer(sim, 'R'), Bytes(512, 1));
    EXPECT_EQ(OnlyAnswer(sim, 'N'), Bytes(512, 0));
    for (std::size_t i = 1; i < blocks; ++i)
        EXPECT_EQ(OnlyAnswer(sim, 'R'), Bytes(512, static_cast<std::uint8_t>(i)));
    EXPECT_TRUE(OnlyAnswer(sim, 'R').empty());
    EXPECT_EQ(OnlyAnswer(sim, 'N'), Bytes(512, 0));
    // Without a log the block commands are unknown again.
    sim.setMemoryImage(nullptr);
    EXPECT_TRUE(OnlyAnswer(sim, 'N').empty());
}

TEST(StoredLog, StallCutsTheBlockAndThenAnswersNothing) {
    Simulator sim;
    sim.setMemoryImage(std::make_shared<NumberedBlocks>());
    sim.modes().memoryStallAfter = 700;
    EXPECT_EQ(OnlyAnswer(sim, 'N').size(), 512u);
    EXPECT_EQ(OnlyAnswer(sim, 'R').size(), 188u);
    EXPECT_TRUE(OnlyAnswer(sim, 'R').empty());
    EXPECT_TRUE(OnlyAnswer(sim, 'N').empty());
    EXPECT_EQ(sim.memoryBytesSent(), 700u);
}

TEST(StoredLog, PatternLogDecodesWithEveryFeatureAndNothingLeftOut) {
    for (int mode = 1; mode <= 9; ++mode) {
        const std::vector<StoredReading> log = PatternLog(1000, mode, 0);
        std::set<int> codes;
        int negative = 0, overload = 0;
        for (const StoredReading& r : log) {
            codes.insert(r.intervalCode);
            negative += r.negative;
            overload += r.overload;
        }
        EXPECT_EQ(codes.size(), 16u) << mode;
        EXPECT_GT(negative, 100) << mode;
        EXPECT_GT(overload, 5) << mode;
        const Bytes image = BuildStreamImage(log, mode, 0);
        const Result<MemoryImageDecode> d = DecodeMemoryImage(image.data(), image.size());
        ASSERT_EQ(d.reason(), "") << mode;
        EXPECT_EQ(d->log.records.size(), 1000u) << mode << ": " << d->log.firstProblem;
    }
    // A full memory fills all four banks exactly.
    const Bytes full = BuildStreamImage(PatternLog(kMaxStoredRecords, 2, 0), 2, 0);
    EXPECT_EQ(full.size(), kMaxStreamSize);
    EXPECT_THROW(BuildStreamImage({}, 2, 0), std::invalid_argument);
}

TEST(StoredLog, MemoryLogOption) {
    Result<MemoryLogOption> option = ParseMemoryLogOption("20000");
    ASSERT_TRUE(option);
    EXPECT_EQ(option->count, 20000);
    EXPECT_EQ(option->mode, 2);
    EXPECT_EQ(option->modeFlags, 0);
    option = ParseMemoryLogOption("5:6:1");
    ASSERT_TRUE(option);
    EXPECT_EQ(option->count, 5);
    EXPECT_EQ(option->mode, 6);
    EXPECT_EQ(option->modeFlags, 1);
    for (const char* bad : {"", "0", "43652", "5:16", "5:2:16", "5:2:1:0", "x", "5:", "-1"}) {
        const Result<MemoryLogOption> refused = ParseMemoryLogOption(bad);
        EXPECT_FALSE(refused) << bad;
        EXPECT_FALSE(refused.reason().empty()) << bad;
    }
}

TEST(ScenarioFile, ReadsEveryKindOfLine) {
    const char* text =
        "# demo\n"
        "6;1.234;0\n"
        "\n"
        "   # indented comment\r\n"
        "0x80000005\t2.301\t2   # mains, battery low\r\n"
        " 128 ; \" OL \" ; 3\n"
        "8192;\"-12.5\";\"0\"\n"
        "6;0.512;0;diode\n"
        "128 ; 0.001 ; 2 ; continuity\n"
        "0;0.123;3;hfe\n"
        "32;25.0C;1";  // no newline at the end
    const Result<std::vector<SimReading>> readings = ParseScenario(text);
    ASSERT_TRUE(readings) << readings.reason();
    const std::vector<SimReading> expected = {
        {6, "1.234", "0"},
        {0x80000005u, "2.301", "2"},
        {128, " OL ", "3"},
        {8192, "-12.5", "0"},
        {6, "0.512", "0", SimMark::Diode},
        {128, "0.001", "2", SimMark::Continuity},
        {0, "0.123", "3", SimMark::Hfe},
        {32, "25.0C", "1"},
    };
    EXPECT_EQ(*readings, expected);
}

TEST(ScenarioFile, RejectsBadLinesNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"6;1.234\n", "line 1: expected 3 fields (code; value text; range text), found 2"},
        {"# c\n\nabc;1;0\n", "line 3: 'abc' is neither a function code nor a 0x status word"},
        {"6;1;0\n6;123456789;0\n", "line 2: value text '123456789' is longer than 8 characters"},
        {"6;1;-10\n", "line 1: range text '-10' is longer than 2 characters"},
        {"6;\"1.0;0\n", "line 1: missing closing quote"},
        {"6;\"1.0\"x;0\n", "line 1: unexpected text after a closing quote"},
        {"2147483648;1;0\n", "line 1: function code 2147483648 does not fit in 31 bits"},
        {"0x100000000;1;0\n", "line 1: '0x100000000' is neither"},
        {";1;0\n", "line 1: the function code is missing"},
        {"6;1;0;7\n", "line 1: expected 3 fields"},
        {"6;1;0;diode;x\n",
         "line 1: expected 3 fields (code; value text; range text) and an "
         "optional mark (diode, continuity, hfe), found 5"},
        {"# only comments\n\n", "no readings"},
    };
    for (const Case& c : cases) {
        const Result<std::vector<SimReading>> readings = ParseScenario(c.text);
        EXPECT_FALSE(readings) << c.text;
        EXPECT_EQ(readings.code(), StatusCode::InputInvalid) << c.text;
        EXPECT_EQ(readings.reason().rfind(c.message, 0), 0u) << "got: " << readings.reason();
    }
}

TEST(DefaultScenario, CoversEveryFunctionWithRealisticTexts) {
    const std::vector<SimReading> s = DefaultScenario();
    const std::set<std::uint32_t> known = {0,   5,   6,   7,   8,    20,   32,   64,  128,
                                           384, 513, 514, 515, 1024, 2048, 2050, 8192};
    std::set<std::uint32_t> codes;
    bool negative = false, overload = false, negativeOverload = false;
    for (const SimReading& r : s) {
        SCOPED_TRACE(DescribeReading(r));
        codes.insert(r.status);
        ASSERT_LE(r.value.size(), kValueFieldSize);
        ASSERT_LE(r.range.size(), kRangeFieldSize);
        char* end = nullptr;
        const long range = std::strtol(r.range.c_str(), &end, 10);
        EXPECT_TRUE(!r.range.empty() && *end == '\0' && range >= -9 && range <= 9);
        if (r.value.find('L') != std::string::npos) {
            overload = true;
            negativeOverload |= r.value.find('-') != std::string::npos;
            continue;
        }
        std::string number = r.value;
        if (r.status == 32 || r.status == 64) {
            ASSERT_FALSE(number.empty());
            EXPECT_EQ(number.back(), r.status == 32 ? 'C' : 'F');
            number.pop_back();
        }
        std::strtod(number.c_str(), &end);
        EXPECT_TRUE(!number.empty() && *end == '\0') << "not a number";
        negative |= number[0] == '-';
    }
    EXPECT_EQ(codes, known);
    EXPECT_TRUE(negative);
    EXPECT_TRUE(overload);
    EXPECT_TRUE(negativeOverload);
    // The demonstration opens with a long DC voltage run for the chart.
    for (std::size_t i = 0; i < 100; ++i) EXPECT_EQ(s[i].status, 6u) << i;
}

// ---- The chip protocols -------------------------------------------------------

// What the program shows of a packet the simulated chip sends: code and display text.
std::optional<std::pair<int, std::string>> Shown(Protocol protocol, const SimReading& r) {
    const std::optional<chips::LcdReading> lcd = ChipDisplay(protocol, r);
    if (!lcd) return std::nullopt;
    const Bytes packet = ChipPacket(protocol, *lcd);
    std::vector<chips::LcdReading> out;
    auto read = [&](auto reader) { reader.feed(packet.data(), packet.size(), out); };
    switch (protocol) {
        case Protocol::Fs9721:
            read(chips::Fs9721Reader());
            break;
        case Protocol::Es51922:
            read(chips::Es51922Reader());
            break;
        case Protocol::Ascii14:
        case Protocol::Ascii14At600:
        case Protocol::Ascii14At2400:
        case Protocol::Ascii14At9600:
            read(chips::Ascii14Reader());
            break;
        case Protocol::Ut71x:
            read(chips::Ut71xReader());
            break;
        default:
            read(chips::Fs9922Reader());
            break;
    }
    if (out.size() != 1) return std::pair<int, std::string>{-1, "no packet"};
    MeterReading reading;
    chips::FillReading(out[0], 4000, reading);
    return std::pair<int, std::string>{reading.iFunc, FieldString(reading.szDisplay)};
}

TEST(ChipSimulator, ScenarioReadingsAsTheChipsShowThem) {
    using P = std::pair<int, std::string>;
    struct Row {
        SimReading reading;
        std::optional<P> fs9721, fs9922;
    };
    const Row rows[] = {
        {{6, "1.234", "0"}, P{6, "1.234"}, P{6, "1.234"}},
        {{6, "-0.056", "-1"}, P{6, "-005.6"}, P{6, "-005.6"}},
        {{5, "2.301", "2"}, P{5, "230.1"}, P{5, "230.1"}},
        {{514, "-0.250", "-1"}, P{514, "-025.0"}, P{514, "-025.0"}},
        {{128, " OL ", "3"}, P{128, " .OL "}, P{128, " .OL "}},
        {{8, "4.700", "-7"}, P{8, "470.0"}, P{8, "470.0"}},
        {{1024, "1.000", "3"}, P{1024, "1.000"}, P{1024, "1.000"}},
        {{2048, "50.0", "0"}, P{2048, "50.00"}, P{2048, "50.00"}},
        {{6, "0.598", "0", SimMark::Diode}, P{6, "0.598"}, P{6, "0.598"}},
        {{128, "0.003", "2", SimMark::Continuity}, P{128, "000.3"}, P{128, "000.3"}},
        {{0x80000006u, "1.234", "0"}, P{6, "1.234"}, P{6, "1.234"}},
        {{32, "25.0C", "1"}, std::nullopt, P{32, "25.00"}},
        {{64, "77.0F", "1"}, std::nullopt, P{64, "77.00"}},
        {{0, "0.215", "3", SimMark::Hfe}, std::nullopt, P{0, "0215"}},
        {{7, "1.234", "1"}, std::nullopt, std::nullopt},     // DC+AC
        {{8192, "-12.5", "0"}, std::nullopt, std::nullopt},  // dBm
        {{6, "12345", "0"}, std::nullopt, std::nullopt},     // five digits
        {{6, "1.234", "-5"}, std::nullopt, std::nullopt},    // no prefix for microvolts
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(DescribeReading(row.reading));
        EXPECT_EQ(Shown(Protocol::Fs9721, row.reading), row.fs9721);
        EXPECT_EQ(Shown(Protocol::Fs9922, row.reading), row.fs9922);
    }
    const std::optional<chips::LcdReading> low =
        ChipDisplay(Protocol::Fs9922, {0x80000006u, "1.234", "0"});
    ASSERT_TRUE(low);
    EXPECT_TRUE(low->lowBattery);
}

TEST(ChipSimulator, ScenarioReadingsAsTheFiveDigitAndTextFamiliesShowThem) {
    using P = std::pair<int, std::string>;
    struct Row {
        SimReading reading;
        std::optional<P> es51922, ut71x, ascii14;
    };
    // clang-format off
    const Row rows[] = {
        {{6, "1.234", "0"}, P{6, "1.2340"}, P{6, "1.2340"}, P{6, "1.234"}},
        {{6, "-0.056", "-1"}, P{6, "-005.60"}, P{6, "-005.60"}, P{6, "-5.6"}},
        {{5, "2.301", "2"}, P{5, "230.10"}, P{5, "230.10"}, P{5, "230.1"}},
        {{6, "1.9999", "0"}, P{6, "1.9999"}, P{6, "1.9999"}, P{6, "1.999"}},
        {{514, "-0.250", "-1"}, P{514, "-025.00"}, P{514, "-025.00"}, P{514, "-25.0"}},
        {{128, " OL ", "3"}, P{128, " .OL "}, P{128, " .OL "}, P{128, " .OL "}},
        {{8, "4.700", "-7"}, P{8, "470.00"}, P{8, "470.00"}, P{8, "470.0"}},
        {{1024, "1.000", "3"}, P{1024, "1.0000"}, P{1024, "1.0000"}, P{1024, "1.000"}},
        {{2048, "50.0", "0"}, P{2048, "0050.0"}, P{2048, "050.00"}, std::nullopt},
        {{6, "0.598", "0", SimMark::Diode}, P{6, "0.5980"}, P{6, "0.5980"}, P{6, "0.598"}},
        {{32, "25.0C", "1"}, P{32, "0025.0"}, P{32, "0025.0"}, P{32, "25.00"}},
        {{64, "77.0F", "1"}, std::nullopt, P{64, "0077.0"}, P{64, "77.00"}},
        {{0, "0.215", "3", SimMark::Hfe}, std::nullopt, std::nullopt, P{0, "215"}},
        {{8192, "-12.5", "0"}, std::nullopt, std::nullopt, std::nullopt},  // dBm
        {{6, "123456", "0"}, std::nullopt, std::nullopt, std::nullopt},    // six digits
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(DescribeReading(row.reading));
        EXPECT_EQ(Shown(Protocol::Es51922, row.reading), row.es51922);
        EXPECT_EQ(Shown(Protocol::Ut71x, row.reading), row.ut71x);
        EXPECT_EQ(Shown(Protocol::Ascii14, row.reading), row.ascii14);
    }
}

TEST(ChipSimulator, StreamerPlaysWhatTheChipShowsWithItsFaults) {
    const std::vector<SimReading> scenario = {
        {6, "1.234", "0"}, {8192, "-12.5", "0"}, {32, "25.0C", "1"}, {128, "4.700", "3"}};
    ChipStreamer fs9721(Protocol::Fs9721, scenario);
    EXPECT_EQ(fs9721.playable(), 2u);
    EXPECT_EQ(fs9721.skipped(), 2u);
    ChipStreamer streamer(Protocol::Fs9922, scenario);
    EXPECT_EQ(streamer.playable(), 3u);

    EXPECT_EQ(streamer.next().bytes.size(), chips::kFs9922PacketSize);
    streamer.modes().lowBattery = true;
    const SimReply low = streamer.next();
    ASSERT_EQ(low.bytes.size(), chips::kFs9922PacketSize);
    chips::Fs9922Packet packet{};
    std::copy(low.bytes.begin(), low.bytes.end(), packet.begin());
    EXPECT_TRUE(chips::DecodeFs9922(packet)->lowBattery);
    EXPECT_EQ(chips::DecodeFs9922(packet)->quantity, chips::Quantity::Celsius);
    streamer.modes().shortPayload = true;
    EXPECT_EQ(streamer.next().bytes.size(), kShortChipPacketSize);
    streamer.modes() = {};
    streamer.modes().silent = true;
    EXPECT_TRUE(streamer.next().bytes.empty());

    // Garbage is repeatable by seed; silence after N counts packets.
    auto garbage = [&](std::uint32_t seed) {
        ChipStreamer g(Protocol::Fs9721, scenario);
        g.setSeed(seed);
        g.modes().garbage = true;
        return g.next().bytes;
    };
    EXPECT_EQ(garbage(3), garbage(3));
    EXPECT_NE(garbage(3), garbage(4));
    ChipStreamer after(Protocol::Fs9721, scenario);
    after.modes().silentAfter = 2;
    after.modes().silentFor = 1;
    std::vector<bool> sent;
    for (int i = 0; i < 4; ++i) sent.push_back(!after.next().bytes.empty());
    EXPECT_EQ(sent, (std::vector<bool>{true, true, false, true}));

    // The four-line meter: the reading, then the ones after it, round the cycle; --short
    // cuts the set in its second line.
    ChipStreamer set(Protocol::Ascii14At9600, scenario);
    ASSERT_EQ(set.playable(), 3u);
    const Bytes four = set.next().bytes;
    chips::Ascii14Reader lineReader;
    std::vector<chips::LcdReading> lines;
    lineReader.feed(four.data(), four.size(), lines);
    std::vector<chips::LcdReading> expected;
    for (std::size_t i : {0, 2, 3, 0})
        expected.push_back(*ChipDisplay(Protocol::Ascii14At9600, scenario[i]));
    EXPECT_EQ(lines, expected);
    set.modes().shortPayload = true;
    EXPECT_EQ(set.next().bytes.size(), chips::kAscii14PacketSize + kShortChipPacketSize);

    // The tour has something for either chip, and skips what neither shows.
    EXPECT_GT(ChipStreamer(Protocol::Fs9721, {}).playable(), 100u);
    EXPECT_GT(ChipStreamer(Protocol::Fs9922, {}).skipped(), 0u);
}

TEST(ChipSimulator, AReceiverAtOtherSettingsReadsGarbage) {
    const chips::Fs9721Packet p =
        chips::EncodeFs9721(*ChipDisplay(Protocol::Fs9721, {6, "1.234", "0"}));
    const Bytes packet(p.begin(), p.end());
    EXPECT_EQ(Reframe(packet, kChipLine, kChipLine), packet);
    const LineFormat others[] = {{9600, 8, 'N', 1}, {1200, 8, 'N', 1}, {4800, 8, 'N', 1},
                                 {2400, 7, 'N', 1}, {2400, 8, 'E', 1}, {2400, 8, 'N', 2}};
    for (const LineFormat& rx : others) {
        SCOPED_TRACE(DescribeLine(rx));
        const Bytes got = Reframe(packet, kChipLine, rx);
        EXPECT_FALSE(got.empty());
        std::vector<chips::LcdReading> out;
        chips::Fs9721Reader reader;
        reader.feed(got.data(), got.size(), out);
        EXPECT_TRUE(out.empty());
    }
    EXPECT_TRUE(Reframe(packet, kChipLine, {0, 8, 'N', 1}).empty());
    EXPECT_EQ(DescribeLine(kChipLine), "2400 8N1");
}

TEST(ChipSimulator, TheClientsLineIsWhatThePseudoTerminalKeepsOfIt) {
    const LineFormat es{19200, 7, 'O', 1}, ascii{1200, 7, 'N', 2};
    struct Row {
        LineFormat seen;
        bool parityOdd;
        LineFormat meter;
        LineFormat client;
    };
    const Row rows[] = {
        {{19200, 8, 'N', 1}, true, es, es},                   // 7O1 as a terminal reports it
        {{19200, 8, 'N', 1}, false, es, {19200, 7, 'N', 1}},  // 8N1 or 7E1: no odd parity
        {{1200, 8, 'N', 2}, false, ascii, ascii},
        {{1200, 8, 'N', 1}, false, ascii, {1200, 7, 'N', 1}},
        {{2400, 8, 'N', 1}, false, kChipLine, kChipLine},
        {{2400, 8, 'N', 1}, true, kChipLine, {2400, 8, 'O', 1}},
        {{2400, 7, 'E', 1}, true, kChipLine, {2400, 7, 'E', 1}},  // a real port says it all
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClientLine(row.seen, row.parityOdd, row.meter), row.client)
            << DescribeLine(row.seen) << (row.parityOdd ? " PARODD" : "");
    }
    EXPECT_EQ(ChipLine(Protocol::Es51922), es);
    EXPECT_EQ(ChipLine(Protocol::Ascii14), ascii);
    EXPECT_EQ(ChipLine(Protocol::Ut71x), (LineFormat{2400, 7, 'O', 1}));
    EXPECT_EQ(ChipLine(Protocol::Fs9922), kChipLine);
    EXPECT_DOUBLE_EQ(CharacterSeconds(ascii), 10.0 / 1200);
    EXPECT_EQ(ChipPeriodMs(Protocol::Ascii14), 0) << "it answers D";
    for (const auto& [p, baud] :
         {std::pair{Protocol::Ascii14At600, 600}, std::pair{Protocol::Ascii14At2400, 2400},
          std::pair{Protocol::Ascii14At9600, 9600}}) {
        EXPECT_EQ(ChipLine(p), (LineFormat{baud, 7, 'N', 2})) << ProtocolName(p);
        EXPECT_EQ(ChipPeriodMs(p), 0) << ProtocolName(p);
    }
}

TEST(ChipSimulator, ProtocolNames) {
    for (Protocol p : {Protocol::Adaptor, Protocol::Fs9721, Protocol::Fs9922, Protocol::Es51922,
                       Protocol::Ascii14, Protocol::Ascii14At600, Protocol::Ascii14At2400,
                       Protocol::Ascii14At9600, Protocol::Ut71x}) {
        const Result<Protocol> parsed = ParseProtocol(ProtocolName(p));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(*parsed, p);
    }
    const Result<Protocol> bad = ParseProtocol("FS9721");
    EXPECT_EQ(bad.code(), StatusCode::InputInvalid);
    EXPECT_EQ(bad.reason(),
              "unknown protocol 'FS9721' (adaptor, fs9721, fs9922, es51922, ascii14, ascii14-600, "
              "ascii14-2400, ascii14-9600 or ut71x)");
}

}  // namespace
}  // namespace dmm::sim
