// The import session driven a step at a time, as an event-driven front end would:
// how each end unwinds, in which order, and that it unwinds once.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "logger/import/importsession.h"
#include "meterlink/meterlink.h"
#include "meterlink/protocol.h"
#include "resources/strings.h"
#include "support/fakeline.h"
#include "tools/dmm-sim/storedlog.h"

namespace dmm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes down what the session asked for, in order.
class Recording : public ImportFrontEnd {
public:
    std::vector<std::string> calls;
    MeterLink* link = nullptr;
    void Tell(const ImportMessage& m) override {
        calls.push_back("tell " + std::to_string(m.textNumber) +
                        (m.secondTextNumber ? "+" + std::to_string(m.secondTextNumber) : ""));
    }
    void CloseProgress() override {
        calls.push_back(std::string("close") + (link && link->Lent() ? " lent" : ""));
    }
    void TransferEnded(ImportEnd end) override {
        calls.push_back(std::string("ended ") + (end == ImportEnd::Imported ? "kept" : "reset") +
                        (link && link->TransferInProgress() ? " busy" : ""));
    }
};

class ImportSessionTest : public ::testing::Test {
protected:
    MeterLink link;
    Recording front;
    Bytes image;
    std::size_t stallAt = SIZE_MAX;  // stream bytes sent before the meter falls silent
    std::size_t sent = 0, next = 0;
    int identity = 1;

    void SetUp() override {
        auto owned = std::make_unique<FakeLine>();
        owned->respondWith([this](std::uint8_t command) -> Bytes {
            if (command == kCmdIdentify)
                return identity < 0 ? Bytes{}
                                    : FakeLine::ReplyFrame({static_cast<std::uint8_t>(identity)});
            if (command == kCmdFirstBlock) next = 0;
            const std::size_t at = next++ * kStreamBlockSize;
            if (at >= image.size()) return {};
            const std::size_t n = std::min<std::size_t>(kStreamBlockSize, stallAt - sent);
            sent += n;
            return Bytes(image.begin() + static_cast<std::ptrdiff_t>(at),
                         image.begin() + static_cast<std::ptrdiff_t>(at + n));
        });
        link.Attach(std::move(owned));
        front.link = &link;
    }

    // Runs the session as far as it goes; abortAtBlock clears the flag before that block.
    ImportEnd Run(int abortAtBlock = -1) {
        ImportSession s(link, front);
        if (s.Identify()) {
            s.Begin();
            if (s.ReadHeader({})) {
                const ByteHooks hooks{[this] { return link.TransferInProgress(); }, {}, {}};
                while (!s.Finished() && !s.AllBlocksRead()) {
                    if (static_cast<int>(s.BlocksRead()) == abortAtBlock) link.EndTransfer();
                    s.ReadNextBlock(hooks);
                }
                if (!s.Finished() && s.Decode()) s.Finish(ImportEnd::Imported);
            }
        }
        EXPECT_TRUE(s.Finished());
        s.Finish(ImportEnd::Aborted);  // a second end changes nothing
        EXPECT_FALSE(link.Lent());
        EXPECT_FALSE(link.TransferInProgress());
        return *s.End();
    }
};

TEST_F(ImportSessionTest, EveryEndUnwindsOnceInTheOrderOfItsMessage) {
    std::vector<sim::StoredReading> bad = sim::PatternLog(40, 3, 0);
    bad[2].rangeNibble = 7;  // mode 3 has no such range: left out
    std::vector<sim::StoredReading> none = sim::PatternLog(3, 3, 0);
    for (auto& r : none) r.rangeNibble = 9;
    struct Case {
        const char* name;
        Bytes image;
        int identity;
        std::size_t stallAt;
        int abortAtBlock;
        ImportEnd end;
        std::vector<std::string> calls;
    };
    const Bytes full = sim::BuildStreamImage(sim::PatternLog(300, 2, 0), 2, 0);
    const std::vector<Case> cases = {
        {"imported", full, 1, SIZE_MAX, -1, ImportEnd::Imported, {"close", "ended kept"}},
        {"left out",
         sim::BuildStreamImage(bad, 3, 0),
         1,
         SIZE_MAX,
         -1,
         ImportEnd::Imported,
         {"close", "ended kept", "tell 8302"}},
        {"no answer", full, -1, SIZE_MAX, -1, ImportEnd::NoAnswer, {"tell 9010+7011"}},
        {"no logging", full, 4, SIZE_MAX, -1, ImportEnd::NoLogging, {"tell 9014"}},
        {"header missing",
         full,
         1,
         100,
         -1,
         ImportEnd::HeaderMissing,
         {"close lent", "ended reset", "tell 9010+7011"}},
        {"block missing",
         full,
         1,
         512 + 700,
         -1,
         ImportEnd::BlockMissing,
         {"tell 9012", "close lent", "ended reset"}},
        {"aborted", full, 1, SIZE_MAX, 2, ImportEnd::Aborted, {"close lent", "ended reset"}},
        {"nothing decoded",
         sim::BuildStreamImage(none, 3, 0),
         1,
         SIZE_MAX,
         -1,
         ImportEnd::NothingDecoded,
         {"tell 9012", "close", "ended reset"}},
    };
    for (const Case& c : cases) {
        image = c.image, identity = c.identity, stallAt = c.stallAt, sent = 0;
        front.calls.clear();
        EXPECT_EQ(Run(c.abortAtBlock), c.end) << c.name;
        EXPECT_EQ(front.calls, c.calls) << c.name;
    }
}

TEST_F(ImportSessionTest, AnImageGoesThroughTheSameDecodingAndMessages) {
    ImportSession refused(front);
    EXPECT_FALSE(refused.LoadImage(Bytes(100, 0)));
    EXPECT_EQ(refused.End(), ImportEnd::HeaderRefused);
    EXPECT_EQ(front.calls, (std::vector<std::string>{"tell 9012"}));

    const Bytes stream = sim::BuildStreamImage(sim::PatternLog(50, 2, 0), 2, 0);
    ImportSession session(front);
    ASSERT_TRUE(session.LoadImage(stream));
    EXPECT_TRUE(session.AllBlocksRead());
    EXPECT_EQ(session.Stream(), stream);
    ASSERT_TRUE(session.Decode());
    EXPECT_EQ(session.Log().records.size(), 50u);
}

}  // namespace
}  // namespace dmm
