// The Qt serial line against a real pseudo-terminal: the test holds the master side and
// plays the meter's adaptor.
#include "meterlink/serial/serialline.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "meterlink/protocol.h"

namespace dmm {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// The line's clock, moved on only by the test (from any thread): a time-out ends when the
// test says the time has come, never because the machine was slow or fast.
class SteppedClock {
public:
    LineClock clock() const {
        return [ms = ms_, looks = looks_] {
            ++*looks;
            return Clock::time_point{} + std::chrono::milliseconds(ms->load());
        };
    }
    void advance(int ms) { *ms_ += ms; }
    // Waits until the line has read the clock more often than `n` times (a read has begun).
    void awaitLooksBeyond(long n) const {
        while (looks_->load() <= n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    long looks() const { return looks_->load(); }

private:
    std::shared_ptr<std::atomic<long>> looks_ = std::make_shared<std::atomic<long>>(0);
    std::shared_ptr<std::atomic<long>> ms_ = std::make_shared<std::atomic<long>>(1000);
};

// The programs that use the line have an application object; the port's notifiers want one.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "test_serialline";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};
const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

class PtyLine : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slavePath_ = ptsname(master_);
        // Keep one slave descriptor open so the master never sees a hang-up between opens.
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave_, 0);
        termios tio{};
        ASSERT_EQ(tcgetattr(slave_, &tio), 0);
        cfmakeraw(&tio);
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &tio), 0);
    }
    void TearDown() override {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }

    MeterHandle openLine(LineClock clock = {}) {
        OpenResult r = OpenMeterDevice(slavePath_, std::move(clock));
        EXPECT_TRUE(r.status.ok()) << r.status.reason();
        EXPECT_EQ(r.device, slavePath_);
        return std::move(r.handle);
    }

    void toLine(const Bytes& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Bytes that came in and that the line has not taken from the driver yet.
    int pending() const {
        int n = 0;
        return ::ioctl(slave_, FIONREAD, &n) == 0 ? n : -1;
    }
    // Waits (a test-side bound only) until the driver holds exactly n bytes.
    bool waitPending(int n) const {
        const auto start = Clock::now();
        while (pending() != n) {
            if (ElapsedMs(start) > 10000) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // What the line sent, gathered until n bytes came or the time ran out.
    Bytes fromLine(std::size_t n, int timeoutMs = 2000) {
        Bytes got;
        auto start = Clock::now();
        while (got.size() < n && ElapsedMs(start) < timeoutMs) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            std::uint8_t buf[256];
            ssize_t r = ::read(master_, buf, std::min(n - got.size(), sizeof buf));
            if (r > 0) got.insert(got.end(), buf, buf + r);
        }
        return got;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

PortTimeouts ShortReads(int constantMs) {
    PortTimeouts t;
    t.readTotalConstant = constantMs;
    return t;
}

TEST_F(PtyLine, OpensWithTheProtocolTimeouts) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    PortTimeouts t;
    ASSERT_TRUE(line->getTimeouts(t));
    EXPECT_EQ(t.readTotalMultiplier, 1);
    EXPECT_EQ(t.readTotalConstant, 3000);
    EXPECT_EQ(t.writeTotalConstant, 1000);
    CloseMeterPort(line);
    EXPECT_FALSE(line);
}

TEST_F(PtyLine, ReadWithNothingArrivingWaitsTheWholeTotalThenReturnsZero) {
    SteppedClock time;
    MeterHandle line = openLine(time.clock());
    ASSERT_TRUE(line);
    ASSERT_TRUE(line->setTimeouts(ShortReads(200)));
    std::atomic<bool> deadlineReached{false};
    const long before = time.looks();
    std::thread clock([&] {
        time.awaitLooksBeyond(before);  // the read has taken its deadline
        time.advance(249);              // 200 + 50 * 1, less one
        // Real time for a read that wrongly went by another clock to end.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        deadlineReached = true;
        time.advance(1);
    });
    std::uint8_t buf[50];
    LineResult r = line->read(buf, sizeof buf);
    const bool endedAtTheDeadline = deadlineReached;
    clock.join();
    EXPECT_TRUE(endedAtTheDeadline);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(r.status, LineStatus::Timeout);
}

TEST_F(PtyLine, ReadReturnsEarlyWhenAllArrivedAndPartialAtTheDeadline) {
    SteppedClock time;  // stands still unless moved: a read that waited would never end
    MeterHandle line = openLine(time.clock());
    ASSERT_TRUE(line);
    ASSERT_TRUE(line->setTimeouts(ShortReads(300)));

    toLine({0x10, 0x02, 0x00, 0x0F, 0x41});
    std::uint8_t buf[8] = {};
    ASSERT_EQ(line->read(buf, 5).count, 5u);
    EXPECT_EQ(Bytes(buf, buf + 5), (Bytes{0x10, 0x02, 0x00, 0x0F, 0x41}));

    // Bytes on both sides of a wait are gathered into one read.
    toLine({0x01, 0x02});
    ASSERT_TRUE(waitPending(2));
    std::thread late([&] {
        if (waitPending(0)) toLine({0x03});  // once the read has taken the first two
    });
    LineResult r = line->read(buf, 3);
    late.join();
    EXPECT_EQ(r.status, LineStatus::Ok);
    ASSERT_EQ(r.count, 3u);
    EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{0x01, 0x02, 0x03}));

    // When the time is up the read ends with what it has.
    toLine({0x04, 0x05});
    ASSERT_TRUE(waitPending(2));
    std::thread timeUp([&] {
        if (waitPending(0)) time.advance(300 + 4);
    });
    r = line->read(buf, 4);
    timeUp.join();
    EXPECT_EQ(r.status, LineStatus::Timeout);
    ASSERT_EQ(r.count, 2u);
    EXPECT_EQ(Bytes(buf, buf + 2), (Bytes{0x04, 0x05}));
}

TEST_F(PtyLine, WritesReachTheOtherEnd) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    const std::uint8_t data[] = {0x55, 0x00, 0xFF, 0x10};
    EXPECT_EQ(line->write(data, sizeof data).count, sizeof data);
    EXPECT_EQ(fromLine(4), Bytes(data, data + 4));

    SendMeterCommand(line.get(), kCmdDisplay);
    EXPECT_EQ(fromLine(8), (Bytes{0x10, 0x02, 0x42, 0x00, 0x00, 0x00, 0x10, 0x03}));
}

TEST_F(PtyLine, PurgeReceiveDropsWhatArrivedBefore) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    PortTimeouts atOnce;  // a read returns what the driver holds, without waiting
    atOnce.readTotalMultiplier = 0;
    atOnce.readTotalConstant = 0;
    ASSERT_TRUE(line->setTimeouts(atOnce));
    toLine({1, 2, 3});
    ASSERT_TRUE(waitPending(3));
    line->purgeReceive();
    EXPECT_EQ(pending(), 0);
    std::uint8_t buf[3];
    EXPECT_EQ(line->read(buf, 3).count, 0u);
}

// The whole display exchange with the real pauses, the test answering like the adaptor.
TEST_F(PtyLine, DisplayExchange) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    std::thread meter([this] {
        Bytes request = fromLine(8);
        if (request.size() != 8 || request[2] != kCmdDisplay) return;
        toLine({0x10, 0x02, 0x00, 15, 0x01, 0x00, 0x00, 0x80, ' ',  '1',  '.', '5',
                '0',  '0',  0,    0,  0,    '-',  '3',  0x10, 0x10, 0x10, 0x03});
    });
    std::string value;
    std::string range;
    std::uint32_t status = 0;
    EXPECT_EQ(ReadMeterDisplay(line.get(), value, range, status), 1);
    meter.join();
    EXPECT_EQ(status, 0x80000001u);
    EXPECT_EQ(value, " 1.500");
    EXPECT_EQ(range, "-3");
}

TEST_F(PtyLine, DeviceIsOpenedExclusively) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    EXPECT_FALSE(ProbePort(slavePath_));
    OpenResult second = OpenMeterDevice(slavePath_);
    EXPECT_EQ(second.status.code(), StatusCode::PortNotOpened);
    EXPECT_FALSE(second.handle);
    CloseMeterPort(line);
    EXPECT_TRUE(ProbePort(slavePath_));
}

TEST_F(PtyLine, ComEntryInTheProgramFolderReachesItsDevice) {
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() / ("dmm-prog-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(slavePath_, dir / "COM1");
    OpenResult r = OpenMeterPort(1, dir);
    EXPECT_TRUE(r.status.ok()) << r.status.reason();
    EXPECT_TRUE(r.handle);
    CloseMeterPort(r.handle);
    std::filesystem::remove_all(dir);
}

TEST_F(PtyLine, ReadEndsEarlyWhenTheDeviceGoesAway) {
    SteppedClock time;  // stands still: only the hang-up can end the reads
    MeterHandle line = openLine(time.clock());
    ASSERT_TRUE(line);
    ASSERT_TRUE(line->setTimeouts(ShortReads(5000)));
    std::thread hangUp([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::close(master_);
        master_ = -1;
    });
    std::uint8_t buf[4];
    LineResult r = line->read(buf, 4);
    hangUp.join();
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(r.status, LineStatus::DeviceGone) << DescribeLineResult(r);
    EXPECT_FALSE(r.reason.empty());
    // And so does every exchange after it, at once.
    LineResult why;
    std::string value, range;
    std::uint32_t status = 0;
    EXPECT_EQ(ReadMeterDisplay(line.get(), value, range, status, &why), 0);
    EXPECT_EQ(why.status, LineStatus::DeviceGone) << DescribeLineResult(why);
}

// A line that is open but idle when its device goes away tells its notifier, which
// reads once and learns why, and then falls quiet: no notice comes again and again
// while the event loop runs on.
TEST_F(PtyLine, AfterTheDeviceWentAwayWhileIdleTheNoticesStop) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    int notices = 0;
    LineResult first;
    line->setInputNotifier([&] {
        if (++notices > 1) return;  // the link reads no more once the line has broken
        std::uint8_t buf[16];
        first = line->readAvailable(buf, sizeof buf);
    });
    ::close(slave_);
    slave_ = -1;
    ::close(master_);
    master_ = -1;
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(notices, 1);
    EXPECT_LE(notices, 3);
    EXPECT_TRUE(first.broken()) << DescribeLineResult(first);
}

TEST_F(PtyLine, AClosedPortFailsWithoutWaiting) {
    MeterHandle line = openLine();
    ASSERT_TRUE(line);
    line->close();
    std::uint8_t buf[1];
    LineResult r = line->read(buf, 1);
    EXPECT_EQ(r.status, LineStatus::Failed);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(line->write(buf, 1).status, LineStatus::Failed);
}

TEST_F(PtyLine, RelativePathIsTakenFromTheWorkingFolder) {
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() / ("dmm-cwd-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(slavePath_, dir / "meter");
    auto saved = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    OpenResult r = OpenMeterDevice("meter");
    std::filesystem::current_path(saved);
    EXPECT_TRUE(r.status.ok()) << r.status.reason();
    CloseMeterPort(r.handle);
    std::filesystem::remove_all(dir);
}

TEST(OpenFailureTest, MissingDeviceOrPortNumberFailsWithAReason) {
    OpenResult missing = OpenMeterDevice("/dev/dmm-no-such-device");
    EXPECT_EQ(missing.status.code(), StatusCode::PortNotOpened);
    EXPECT_FALSE(missing.handle);
    EXPECT_NE(missing.status.reason().find("does not exist"), std::string::npos)
        << missing.status.reason();

    for (int n : {0, -1, 11}) {
        OpenResult r = OpenMeterPort(n, std::filesystem::temp_directory_path());
        EXPECT_EQ(r.status.code(), StatusCode::PortNotOpened) << n;
        EXPECT_FALSE(r.handle);
        EXPECT_FALSE(r.status.reason().empty());
    }

    EXPECT_FALSE(ProbePort("/dev/dmm-no-such-device"));
    EXPECT_FALSE(ProbePort(""));
}

}  // namespace
}  // namespace dmm
