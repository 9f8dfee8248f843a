#include "meterlink/portnames.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <system_error>

namespace dmm {

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Digits only, at most 9 of them (no overflow); -1 otherwise.
int SmallNumber(const std::string& digits) {
    if (digits.empty() || digits.size() > 9) return -1;
    int n = 0;
    for (char c : digits) {
        if (!IsDigit(c)) return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Orders names with their digit runs compared as numbers: ttyUSB2 before ttyUSB10.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ie = i;
            std::size_t je = j;
            while (ie < a.size() && IsDigit(a[ie])) ++ie;
            while (je < b.size() && IsDigit(b[je])) ++je;
            // Compare the runs without leading zeros: first by length, then digit by digit.
            std::size_t is = i;
            std::size_t js = j;
            while (is + 1 < ie && a[is] == '0') ++is;
            while (js + 1 < je && b[js] == '0') ++js;
            if (ie - is != je - js) return ie - is < je - js;
            int c = a.compare(is, ie - is, b, js, je - js);
            if (c != 0) return c < 0;
            if (ie - i != je - j) return ie - i < je - j;  // fewer leading zeros first
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    return i == a.size() && j < b.size();  // a prefix comes first
}

// Names of the non-directory entries of a folder; empty when it cannot be listed.
std::vector<std::string> EntryNames(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return names;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeEc;
        if (entry.is_directory(typeEc)) continue;
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// The file a path finally stands for, or empty when it leads nowhere.
std::string CanonicalOf(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::canonical(p, ec);
    return ec ? std::string() : c.string();
}

// A built-in port counts when the kernel found a UART behind it (type 0 means none).
bool HasUart(const fs::path& sys, const std::string& name) {
    std::ifstream in(sys / "class" / "tty" / name / "type");
    long type = 0;
    return static_cast<bool>(in >> type) && type != 0;
}

}  // namespace

std::string PortName(int portNumber) {
    if (portNumber < 1 || portNumber > kPortCount) return {};
    return "COM" + std::to_string(portNumber);
}

std::vector<std::string> ScanPortDevices(const PortScanRoots& roots) {
    std::vector<std::string> devices;
    std::set<std::string> reached;  // canonical targets of the by-id links

    // USB adaptors by their stable names; a link whose device is gone is left out.
    const fs::path byId = roots.dev / "serial" / "by-id";
    std::vector<std::string> ids = EntryNames(byId);
    std::sort(ids.begin(), ids.end());
    for (const std::string& id : ids) {
        std::string target = CanonicalOf(byId / id);
        if (target.empty()) continue;
        reached.insert(target);
        devices.push_back((byId / id).string());
    }

    std::vector<std::string> usb;
    std::vector<std::string> builtIn;
    for (const std::string& name : EntryNames(roots.dev)) {
        if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM")) {
            if (SmallNumber(name.substr(6)) < 0) continue;
            std::string target = CanonicalOf(roots.dev / name);
            if (!target.empty() && reached.contains(target)) continue;
            usb.push_back(name);
        } else if (StartsWith(name, "ttyS") && SmallNumber(name.substr(4)) >= 0) {
            if (HasUart(roots.sys, name)) builtIn.push_back(name);
        }
    }
    std::sort(usb.begin(), usb.end(), NaturalLess);
    std::sort(builtIn.begin(), builtIn.end(), NaturalLess);
    for (const std::string& name : usb) devices.push_back((roots.dev / name).string());
    for (const std::string& name : builtIn) devices.push_back((roots.dev / name).string());
    return devices;
}

std::string ResolvePortDevice(int portNumber, const fs::path& programDir,
                              const PortScanRoots& roots) {
    std::string name = PortName(portNumber);
    if (name.empty()) return {};

    // An entry in the program folder wins even when it leads nowhere: opening it then
    // tells the user so, instead of quietly reaching some other device.
    if (!programDir.empty()) {
        std::error_code ec;
        fs::path entry = programDir / name;
        if (fs::exists(fs::symlink_status(entry, ec))) {
            fs::path absolute = fs::absolute(entry, ec);
            return (ec ? entry : absolute).string();
        }
    }

#ifdef _WIN32
    (void)roots;
    return name;
#else
    std::vector<std::string> devices = ScanPortDevices(roots);
    std::size_t index = static_cast<std::size_t>(portNumber - 1);
    return index < devices.size() ? devices[index] : std::string();
#endif
}

bool IsPortNameArgument(const std::string& arg) {
    return arg.size() > 3 && std::toupper(static_cast<unsigned char>(arg[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(arg[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(arg[2])) == 'M' &&
           std::all_of(arg.begin() + 3, arg.end(), IsDigit);
}

std::string ResolvePortArgument(const std::string& arg, const fs::path& programDir,
                                const PortScanRoots& roots) {
    if (IsPortNameArgument(arg))
        return ResolvePortDevice(SmallNumber(arg.substr(3)), programDir, roots);  // -1 when huge
    return arg;
}

}  // namespace dmm
