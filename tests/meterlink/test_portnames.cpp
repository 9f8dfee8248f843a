#include "meterlink/portnames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace dmm {
namespace {

namespace fs = std::filesystem;

// A throw-away /dev, /sys and program folder.
class PortTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("dmm-ports-" + std::to_string(rd()));
        fs::create_directories(root_ / "dev");
        fs::create_directories(root_ / "sys" / "class" / "tty");
        fs::create_directories(root_ / "prog");
        roots_.dev = root_ / "dev";
        roots_.sys = root_ / "sys";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    void device(const std::string& name) { std::ofstream(roots_.dev / name).put('\0'); }
    void byId(const std::string& name, const std::string& target) {
        fs::create_directories(roots_.dev / "serial" / "by-id");
        fs::create_symlink(fs::path("../..") / target, roots_.dev / "serial" / "by-id" / name);
    }
    void uart(const std::string& name, const std::string& type) {
        device(name);
        fs::create_directories(roots_.sys / "class" / "tty" / name);
        std::ofstream(roots_.sys / "class" / "tty" / name / "type") << type << "\n";
    }
    std::string dev(const std::string& name) const { return (roots_.dev / name).string(); }
    std::string id(const std::string& name) const {
        return (roots_.dev / "serial" / "by-id" / name).string();
    }
    fs::path prog() const { return root_ / "prog"; }

    // A typical machine: two adaptors with stable names, more USB devices, built-in ports.
    void populate() {
        for (const char* n : {"ttyUSB0", "ttyUSB2", "ttyUSB10", "ttyUSB3", "ttyACM0", "ttyACM1",
                              "tty0", "tty1", "null", "ttyUSBx"}) {
            device(n);
        }
        byId("usb-Prolific-if00-port0", "ttyUSB3");
        byId("usb-FTDI_FT232R-if00-port0", "ttyACM0");
        byId("usb-Gone-if00", "ttyUSB9");  // device unplugged, link left behind
        uart("ttyS0", "4");
        uart("ttyS1", "0");
        uart("ttyS10", "4");
        uart("ttyS2", "4");
        device("ttyS3");  // no sysfs entry
    }

    fs::path root_;
    PortScanRoots roots_;
};

TEST(PortNameTest, OnlyOneToTenHaveNames) {
    EXPECT_EQ(PortName(1), "COM1");
    EXPECT_EQ(PortName(6), "COM6");
    EXPECT_EQ(PortName(10), "COM10");
    for (int n : {-1, 0, 11, 1000}) EXPECT_EQ(PortName(n), "") << n;
}

TEST_F(PortTree, ScanOrdersStableNamesThenUsbNaturallyThenUarts) {
    populate();
    std::vector<std::string> expected{
        id("usb-FTDI_FT232R-if00-port0"),
        id("usb-Prolific-if00-port0"),
        dev("ttyACM1"),
        dev("ttyUSB0"),
        dev("ttyUSB2"),
        dev("ttyUSB10"),
        dev("ttyS0"),
        dev("ttyS2"),
        dev("ttyS10"),
    };
    EXPECT_EQ(ScanPortDevices(roots_), expected);
}

TEST_F(PortTree, EmptyOrMissingTreesGiveNoPorts) {
    EXPECT_TRUE(ScanPortDevices(roots_).empty());
    PortScanRoots nowhere{root_ / "none", root_ / "none"};
    EXPECT_TRUE(ScanPortDevices(nowhere).empty());
    EXPECT_EQ(ResolvePortDevice(1, prog(), roots_), "");
}

TEST_F(PortTree, ComNumbersTakeTheScanOrder) {
    populate();
    EXPECT_EQ(ResolvePortDevice(1, prog(), roots_), id("usb-FTDI_FT232R-if00-port0"));
    EXPECT_EQ(ResolvePortDevice(6, prog(), roots_), dev("ttyUSB10"));
    EXPECT_EQ(ResolvePortDevice(9, prog(), roots_), dev("ttyS10"));
    EXPECT_EQ(ResolvePortDevice(10, prog(), roots_), "");
    EXPECT_EQ(ResolvePortDevice(0, prog(), roots_), "");
    EXPECT_EQ(ResolvePortDevice(11, prog(), roots_), "");
}

TEST_F(PortTree, ProgramFolderEntryWinsEvenWhenItLeadsNowhere) {
    populate();
    fs::create_symlink(dev("ttyS2"), prog() / "COM1");
    std::ofstream(prog() / "COM2").put('\0');
    fs::create_symlink(root_ / "missing", prog() / "COM3");
    EXPECT_EQ(ResolvePortDevice(1, prog(), roots_), (prog() / "COM1").string());
    EXPECT_EQ(ResolvePortDevice(2, prog(), roots_), (prog() / "COM2").string());
    EXPECT_EQ(ResolvePortDevice(3, prog(), roots_), (prog() / "COM3").string());
    EXPECT_EQ(ResolvePortDevice(4, prog(), roots_), dev("ttyUSB0"));
}

TEST_F(PortTree, ProgramFolderEntryIsGivenAsAnAbsolutePath) {
    std::ofstream(prog() / "COM5").put('\0');
    fs::path saved = fs::current_path();
    fs::current_path(root_);
    std::string resolved = ResolvePortDevice(5, "prog", roots_);
    fs::current_path(saved);
    EXPECT_EQ(resolved, (prog() / "COM5").string());
}

TEST_F(PortTree, CommandLineArgumentIsComNameOrPath) {
    populate();
    fs::create_symlink(dev("ttyS2"), prog() / "COM2");
    struct Row {
        std::string arg;
        std::string expected;
    };
    const Row rows[] = {
        {"COM2", (prog() / "COM2").string()},
        {"com2", (prog() / "COM2").string()},
        {"Com4", dev("ttyUSB0")},
        {"COM0", ""},
        {"COM11", ""},
        {"COM99999999999999999999", ""},
        {"/dev/ttyUSB7", "/dev/ttyUSB7"},
        {"COM", "COM"},
        {"COM1x", "COM1x"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ResolvePortArgument(row.arg, prog(), roots_), row.expected) << row.arg;
    }
}

}  // namespace
}  // namespace dmm
