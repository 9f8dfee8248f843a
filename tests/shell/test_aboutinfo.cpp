#include "shell/rules/aboutinfo.h"

#include <gtest/gtest.h>

#include "resources/version.h"

namespace dmm {
namespace {

TEST(AboutBox, SevenLinesEndingWithTheSystem) {
    std::vector<std::string> lines = AboutLines("System: Unknown 6.1");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Qm47-26x");
    EXPECT_EQ(lines[1], "Data Logging System");
    EXPECT_EQ(lines[2], std::string("Ver ") + kProgramVersion);
    EXPECT_EQ(lines[3], "OCT 29, 2003");
    EXPECT_FALSE(lines[4].empty());
    EXPECT_FALSE(lines[5].empty());
    EXPECT_EQ(lines[6], "System: Unknown 6.1");
}

TEST(AboutBox, SystemLineFromKernelRelease) {
    const std::pair<const char*, const char*> cases[] = {
        {"6.1.0-18-amd64", "System: Unknown 6.1"},
        {"5.15.133.1-microsoft-standard-WSL2", "System: Unknown 5.15"},
        {"4", "System: Unknown 4.0"},
        {"", "System: Unknown 0.0"},
        {"rc-1.2", "System: Unknown 0.0"},
        {"99999999999999.1", "System: Unknown 2147483647.1"},
    };
    for (const auto& [release, line] : cases) EXPECT_EQ(SystemLineFromRelease(release), line);
}

TEST(AboutBox, WindowsPlatformsNameThemselves) {
    EXPECT_EQ(SystemLine(SystemPlatform::WindowsNT, 5, 1), "System: Windows NT 5.1");
    EXPECT_EQ(SystemLine(SystemPlatform::Windows9x, 4, 10), "System: Windows 9x 4.10");
}

}  // namespace
}  // namespace dmm
