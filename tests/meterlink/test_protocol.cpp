#include "meterlink/protocol.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/fakeline.h"

namespace dmm {
namespace {

using Bytes = FakeLine::Bytes;

// A 15-byte display payload: status word, 8-byte value field, unused byte, 2-byte range field.
Bytes DisplayPayload(std::uint32_t status, const Bytes& value, const Bytes& range) {
    Bytes p{static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(status >> 8),
            static_cast<std::uint8_t>(status >> 16), static_cast<std::uint8_t>(status >> 24)};
    Bytes v = value;
    v.resize(8, 0);
    p.insert(p.end(), v.begin(), v.end());
    p.push_back(0);
    Bytes r = range;
    r.resize(2, 0);
    p.insert(p.end(), r.begin(), r.end());
    return p;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(MeterKindTest, EveryIdentityByteMapsByTheTable) {
    const std::map<int, MeterKind> known{
        {1, MeterKind::KindA},  {3, MeterKind::KindB},  {9, MeterKind::KindC},
        {4, MeterKind::KindD},  {12, MeterKind::KindD}, {5, MeterKind::KindE},
        {13, MeterKind::KindE}, {6, MeterKind::KindF},  {14, MeterKind::KindF},
        {7, MeterKind::KindG},  {15, MeterKind::KindG},
    };
    for (int b = 0; b <= 255; ++b) {
        auto it = known.find(b);
        MeterKind expected = it == known.end() ? MeterKind::KindNone : it->second;
        EXPECT_EQ(MeterKindFromIdentity(static_cast<std::uint8_t>(b)), expected) << "byte " << b;
    }
}

TEST(MeterKindTest, OnlyKindsDToGLackBuiltInLogging) {
    const std::map<MeterKind, bool> logging{
        {MeterKind::KindNone, true}, {MeterKind::KindA, true},  {MeterKind::KindB, true},
        {MeterKind::KindC, true},    {MeterKind::KindD, false}, {MeterKind::KindE, false},
        {MeterKind::KindF, false},   {MeterKind::KindG, false},
    };
    std::set<std::string> names;
    for (auto [kind, expected] : logging) {
        EXPECT_EQ(HasBuiltInLogging(kind), expected) << MeterKindName(kind);
        names.insert(MeterKindName(kind));
    }
    EXPECT_EQ(names.size(), logging.size());
}

TEST(CommandTest, SendPurgesReceiveThenTransmitThenWritesEightSingleBytes) {
    FakeLine line;
    SendMeterCommand(&line, kCmdDisplay);

    std::vector<std::string> expected{"purgeReceive", "purgeTransmit"};
    expected.insert(expected.end(), 8, "write");
    EXPECT_EQ(line.log().calls, expected);
    for (const auto& w : line.log().writes) EXPECT_EQ(w.size(), 1u);
    EXPECT_EQ(line.log().written(), (Bytes{0x10, 0x02, 0x42, 0x00, 0x00, 0x00, 0x10, 0x03}));
    EXPECT_EQ(BuildCommandFrame(kCmdFirstBlock),
              (Bytes{0x10, 0x02, 0x4E, 0x00, 0x00, 0x00, 0x10, 0x03}));
}

TEST(TimeoutsTest, SetsTheProtocolValuesWithTheGivenReadConstant) {
    FakeLine line;
    line.timeouts = {7, 7, 7, 7, 7};
    ASSERT_TRUE(SetPortTimeouts(&line, 1234));
    EXPECT_EQ(line.timeouts.readIntervalTimeout, 0);
    EXPECT_EQ(line.timeouts.readTotalMultiplier, 1);
    EXPECT_EQ(line.timeouts.readTotalConstant, 1234);
    EXPECT_EQ(line.timeouts.writeTotalMultiplier, 0);
    EXPECT_EQ(line.timeouts.writeTotalConstant, 1000);
    EXPECT_EQ(line.log().calls, (std::vector<std::string>{"getTimeouts", "setTimeouts"}));
}

TEST(TimeoutsTest, NullOrRefusingDriverFails) {
    EXPECT_FALSE(SetPortTimeouts(nullptr, kReadConstantMs));
    FakeLine refusesGet;
    refusesGet.refuseGetTimeouts = true;
    EXPECT_FALSE(SetPortTimeouts(&refusesGet, kReadConstantMs));
    EXPECT_EQ(refusesGet.log().count("setTimeouts"), 0u);
    FakeLine refusesSet;
    refusesSet.refuseSetTimeouts = true;
    EXPECT_FALSE(SetPortTimeouts(&refusesSet, kReadConstantMs));
}

TEST(CloseTest, NullHandleIsLeftAlone) {
    MeterHandle none;
    CloseMeterPort(none);
    EXPECT_EQ(none, nullptr);
}

TEST(CloseTest, FlushesPausesAndClosesThenForgetsTheHandle) {
    auto owned = std::make_unique<FakeLine>();
    auto log = owned->sharedLog();
    MeterHandle handle = std::move(owned);
    CloseMeterPort(handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(log->calls, (std::vector<std::string>{"flush", "sleep", "close"}));
    EXPECT_EQ(log->sleeps, (std::vector<int>{100}));
}

TEST(ReplyTest, StalePendingInputIsDiscardedBeforeTheRequest) {
    FakeLine line;
    line.deliverNow(FakeLine::ReplyFrame({0x01}));
    line.queueReply(FakeLine::ReplyFrame({0x04}));
    MeterKind kind = MeterKind::KindA;
    ASSERT_EQ(QueryMeterModel(&line, kind), 1);
    EXPECT_EQ(kind, MeterKind::KindD);
}

TEST(ReplyTest, ReadsFieldBySingleReadsWithTheWholePayloadAtOnce) {
    FakeLine line;
    line.deliverNow(FakeLine::ReplyFrame({0xAA, 0xBB, 0xCC}, 0x55));
    auto payload = ReadMeterReply(&line);
    ASSERT_TRUE(payload);
    EXPECT_EQ(*payload, (Bytes{0xAA, 0xBB, 0xCC}));
}

TEST(ReplyTest, EscapedCheckByteTakesOneMoreByteBeforeTheTrailer) {
    FakeLine line;
    Bytes frame = FakeLine::ReplyFrame({0x01, 0x02}, 0x10);
    frame.push_back(0x77);  // whatever comes next is not part of the reply
    line.deliverNow(frame);
    auto payload = ReadMeterReply(&line);
    ASSERT_TRUE(payload);
    EXPECT_EQ(*payload, (Bytes{0x01, 0x02}));
    // Without the escape the trailer is one byte short: the reply never ends.
    FakeLine cut;
    frame.pop_back();
    frame.pop_back();
    cut.deliverNow(frame);
    EXPECT_FALSE(ReadMeterReply(&cut));
}

TEST(ReplyTest, EmptyPayloadSkipsThePayloadRead) {
    FakeLine line;
    line.deliverNow(FakeLine::ReplyFrame({}));
    auto payload = ReadMeterReply(&line);
    ASSERT_TRUE(payload);
    EXPECT_TRUE(payload->empty());
}

TEST(IdentifyTest, EmptyPayloadIsKindNoneAndSuccess) {
    FakeLine line;
    line.queueReply(FakeLine::ReplyFrame({}));
    MeterKind kind = MeterKind::KindA;
    EXPECT_EQ(QueryMeterModel(&line, kind), 1);
    EXPECT_EQ(kind, MeterKind::KindNone);
    EXPECT_EQ(line.log().written()[2], kCmdIdentify);
}

TEST(IdentifyTest, PausesBetweenRequestAndReply) {
    FakeLine line;
    line.queueReply(FakeLine::ReplyFrame({0x09, 0x00}));
    MeterKind kind = MeterKind::KindNone;
    const LineTime start = line.now();
    ASSERT_EQ(QueryMeterModel(&line, kind), 1);
    EXPECT_EQ(kind, MeterKind::KindC);
    // The reply was there at once, but it is taken after the 250 ms pause, the whole
    // request written before it.
    const auto& calls = line.log().calls;
    auto wait = std::find(calls.begin(), calls.end(), "wait");
    ASSERT_NE(wait, calls.end());
    EXPECT_EQ(std::find(wait, calls.end(), "write"), calls.end());
    EXPECT_EQ(line.log().waits.front(), 250);
    EXPECT_EQ(line.now() - start, std::chrono::milliseconds(250));
}

TEST(IdentifyTest, SilentMeterOrNoPortLeavesKindAlone) {
    FakeLine line;
    MeterKind kind = MeterKind::KindB;
    EXPECT_EQ(QueryMeterModel(&line, kind), 0);
    EXPECT_EQ(QueryMeterModel(nullptr, kind), 0);
    EXPECT_EQ(kind, MeterKind::KindB);
}

struct DisplayOutputs {
    std::string value = "untouched";
    std::string range = "untouched";
    std::uint32_t status = 0xDEADBEEF;
    bool untouched() const {
        return value == "untouched" && range == "untouched" && status == 0xDEADBEEF;
    }
};

int QueryDisplay(FakeLine& line, DisplayOutputs& out) {
    return ReadMeterDisplay(&line, out.value, out.range, out.status);
}

TEST(DisplayTest, DecodesStatusValueAndRange) {
    FakeLine line;
    // The value field is full and the byte between the fields is not part of either.
    Bytes payload = DisplayPayload(0x80000201, Text("-1.23456"), Text("-3"));
    payload[12] = 'X';
    line.queueReply(FakeLine::ReplyFrame(payload));
    DisplayOutputs out;
    ASSERT_EQ(QueryDisplay(line, out), 1);
    EXPECT_EQ(out.status, 0x80000201u);
    EXPECT_EQ(out.value, "-1.23456");
    EXPECT_EQ(out.range, "-3");
    EXPECT_EQ(line.log().written()[2], kCmdDisplay);
}

// A reply that stops at any field ends the query at that field's time-out; nothing is
// written to the outputs.
TEST(DisplayTest, ReadTimingOutAtAnyFieldFailsWithOutputsUntouched) {
    for (std::uint8_t check : {std::uint8_t{0x00}, std::uint8_t{0x10}}) {
        const Bytes frame =
            FakeLine::ReplyFrame(DisplayPayload(1, Text("0.000"), Text("0")), check);
        // Where each field begins in the frame: four single bytes, the payload, the check
        // (escaped or not), DLE, ETX.
        std::vector<std::size_t> starts = {0, 1, 2, 3, 4, 19, 20};
        if (check == 0x10) starts.push_back(21);
        starts.push_back(starts.back() + 1);
        for (std::size_t field = 0; field < starts.size(); ++field) {
            FakeLine line;
            line.queueReply(Bytes(frame.begin(), frame.begin() + static_cast<long>(starts[field])));
            DisplayOutputs out;
            const LineTime start = line.now();
            EXPECT_EQ(QueryDisplay(line, out), 0) << "check " << int(check) << " field " << field;
            EXPECT_TRUE(out.untouched()) << "field " << field;
            const int asked = field == 4 ? 15 : 1;
            EXPECT_EQ(line.now() - start, std::chrono::milliseconds(250 + asked + 3000))
                << "stops at the time-out of field " << field;
        }
    }
}

TEST(DisplayTest, PayloadReadCutShortFails) {
    FakeLine line;
    const Bytes frame = FakeLine::ReplyFrame(DisplayPayload(1, Text("1.000"), Text("0")));
    // 14 of the 15 payload bytes in time, the rest after the payload's 3015 ms.
    line.queueTimedReply({{0, Bytes(frame.begin(), frame.begin() + 18)},
                          {250 + 3015 + 1, Bytes(frame.begin() + 18, frame.end())}});
    DisplayOutputs out;
    LineResult why;
    EXPECT_EQ(ReadMeterDisplay(&line, out.value, out.range, out.status, &why), 0);
    EXPECT_TRUE(out.untouched());
    EXPECT_EQ(why.status, LineStatus::Timeout);
    EXPECT_EQ(why.count, 14u);
}

TEST(DisplayTest, ShortPayloadFailsAndLongerPayloadIsAccepted) {
    for (std::size_t size : {0u, 1u, 14u}) {
        FakeLine line;
        Bytes payload = DisplayPayload(1, Text("1.000"), Text("0"));
        payload.resize(size);
        line.queueReply(FakeLine::ReplyFrame(payload));
        DisplayOutputs out;
        EXPECT_EQ(QueryDisplay(line, out), 0) << size;
        EXPECT_TRUE(out.untouched()) << size;
    }
    FakeLine line;
    Bytes payload = DisplayPayload(1, Text("1.000"), Text("0"));
    payload.resize(40, 0x33);
    line.queueReply(FakeLine::ReplyFrame(payload));
    DisplayOutputs out;
    EXPECT_EQ(QueryDisplay(line, out), 1);
    EXPECT_EQ(out.value, "1.000");
}

TEST(FieldTextTest, CutsAtZeroAndTrimsTrailingControlsAndBlanks) {
    struct Row {
        const char* name;
        Bytes field;
        std::string expected;
    };
    const Row rows[] = {
        {"eight characters, no zero", Text("-1.23456"), "-1.23456"},
        {"four then blanks and zeros", {'1', '.', '2', '3', ' ', ' ', 0, 0}, "1.23"},
        {"leading blanks kept", {' ', ' ', '0', '.', '5', 0, 0, 0}, "  0.5"},
        {"controls trimmed", {'O', 'L', '\t', 0x01, ' ', 0x20, 0x0D, 0x0A}, "OL"},
        {"nothing after zero", {'1', 0, '9', '9', '9', '9', '9', '9'}, "1"},
        {"all blanks", Text("        "), ""},
        {"high bytes kept", {'1', 0xB5, 0xFF, 0, 0, 0, 0, 0}, "1\xB5\xFF"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FieldText(row.field.data(), row.field.size()), row.expected) << row.name;
    }
}

}  // namespace
}  // namespace dmm
