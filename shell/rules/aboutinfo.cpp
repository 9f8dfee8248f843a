#include "shell/rules/aboutinfo.h"

#include <limits>

#include "resources/strings.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

namespace dmm {
namespace {

// Reads the decimal number at pos and moves past it; 0 when there is none.
int TakeNumber(std::string_view text, std::size_t& pos) {
    long long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (value <= std::numeric_limits<int>::max()) value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(value);
}

}  // namespace

std::string SystemLine(SystemPlatform platform, int major, int minor) {
    std::string line;
    switch (platform) {
        case SystemPlatform::Windows9x:
            line = "System: Windows 9x ";
            break;
        case SystemPlatform::WindowsNT:
            line = "System: Windows NT ";
            break;
        case SystemPlatform::Unknown:
            line = "System: Unknown ";
            break;
    }
    return line + std::to_string(major) + "." + std::to_string(minor);
}

std::string SystemLineFromRelease(std::string_view release) {
    std::size_t pos = 0;
    int major = TakeNumber(release, pos);
    int minor = 0;
    if (pos < release.size() && release[pos] == '.') {
        ++pos;
        minor = TakeNumber(release, pos);
    }
    return SystemLine(SystemPlatform::Unknown, major, minor);
}

std::string CurrentSystemLine() {
#if defined(_WIN32)
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) return SystemLine(SystemPlatform::Unknown, 0, 0);
    SystemPlatform platform = SystemPlatform::Unknown;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) platform = SystemPlatform::WindowsNT;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) platform = SystemPlatform::Windows9x;
    return SystemLine(platform, static_cast<int>(info.dwMajorVersion),
                      static_cast<int>(info.dwMinorVersion));
#else
    utsname name{};
    if (uname(&name) != 0) return SystemLineFromRelease("");
    return SystemLineFromRelease(name.release);
#endif
}

std::vector<std::string> AboutLines(const std::string& systemLine) {
    std::vector<std::string> lines;
    for (int number : {str::ModelName, str::SystemName, str::VersionLine, str::ReleaseDate,
                       str::LicenceLine, str::WarrantyLine})
        lines.push_back(LoadStr(number));
    lines.push_back(systemLine);
    return lines;
}

}  // namespace dmm
