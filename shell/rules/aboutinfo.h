// The lines of the about box.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dmm {

enum class SystemPlatform { Windows9x, WindowsNT, Unknown };

// "System: Windows 9x ", "System: Windows NT " or "System: Unknown ", then
// major "." minor.
std::string SystemLine(SystemPlatform platform, int major, int minor);

// The system line for a kernel release text such as "6.1.0-18-amd64": its first
// two numbers; a number that is missing counts as 0.
std::string SystemLineFromRelease(std::string_view release);

// The system line of the machine the program runs on.
std::string CurrentSystemLine();

// The seven lines: model, program name, version, date, the two lines of the
// legal notice and the given system line.
std::vector<std::string> AboutLines(const std::string& systemLine);

}  // namespace dmm
