#include "shell/rules/settings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {
namespace {

namespace fs = std::filesystem;

// A settings file is three short lines; anything past this is not read, so a
// stray huge file cannot exhaust memory at start-up.
constexpr std::size_t kMaxSettingsBytes = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int err) {
    return std::generic_category().message(err);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::optional<double> ParseFinite(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    std::optional<long double> v = ParseNumber(*text);
    if (!v) return std::nullopt;
    double d = static_cast<double>(*v);
    // A value beyond the range of a double would become infinite: not a limit.
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

std::string FillPath(int format, const std::string& path, const std::string& reason) {
    std::string text = LoadStr(format);
    std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path);
    if (!reason.empty()) text += "\n" + reason;
    return text;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::string> ValueOf(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (EqualNoCase(std::string_view(line).substr(0, eq), name)) return line.substr(eq + 1);
    }
    return std::nullopt;
}

Settings ParseSettingsText(std::string_view text) {
    // Editors may put a UTF-8 byte order mark before the first key.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string> lines = SplitLines(text);
    std::optional<std::string> port = ValueOf(lines, "iPort");
    std::optional<int> iPort = port ? ParseInteger(*port) : std::nullopt;
    std::optional<double> hi = ParseFinite(ValueOf(lines, "fHiLimit"));
    std::optional<double> low = ParseFinite(ValueOf(lines, "fLowLimit"));
    Settings settings;
    if (iPort && hi && low) settings = Settings{*iPort, *hi, *low};
    const auto meterNamed = [&](std::string_view key) -> std::string_view {
        if (const std::optional<std::string> value = ValueOf(lines, key))
            for (std::string_view name : MeterNames())
                if (name == *value) return name;
        return {};
    };
    if (const std::string_view meter = meterNamed("Meter"); !meter.empty()) {
        settings.Meter = meter;
    } else if (ValueOf(lines, "Meter") == kAutoMeter) {
        settings.Meter = kAutoMeter;
        settings.DetectedMeter = meterNamed("DetectedMeter");
    }
    return settings;
}

std::string FormatSettingsText(const Settings& settings) {
    std::string text;
    text += "iPort=" + std::to_string(settings.iPort) + "\r\n";
    text += "fHiLimit=" + FormatGeneral(settings.fHiLimit) + "\r\n";
    text += "fLowLimit=" + FormatGeneral(settings.fLowLimit) + "\r\n";
    if (settings.Meter != kAdaptorMeter) text += "Meter=" + std::string(settings.Meter) + "\r\n";
    if (settings.Meter == kAutoMeter && !settings.DetectedMeter.empty())
        text += "DetectedMeter=" + std::string(settings.DetectedMeter) + "\r\n";
    return text;
}

std::string SettingsFilePath(const std::string& directory) {
    return (fs::path(directory) / LoadStr(str::SettingsFileName)).string();
}

Result<Settings> LoadSettings(const std::string& path) {
    const auto notRead = [](int err) {
        return Status::Fail(StatusCode::SettingsNotRead, ErrnoText(err), err);
    };
    errno = 0;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return notRead(errno);
    std::string text(kMaxSettingsBytes, '\0');
    std::size_t n = std::fread(text.data(), 1, text.size(), f.get());
    if (std::ferror(f.get())) return notRead(errno);
    text.resize(n);
    if (n == kMaxSettingsBytes) {
        // Only whole lines count: drop whatever follows the last line break.
        std::size_t last = text.find_last_of("\r\n");
        text.resize(last == std::string::npos ? 0 : last + 1);
    }
    return ParseSettingsText(text);
}

Status SaveSettings(const std::string& path, const Settings& settings, std::string_view moreLines) {
    const auto notSaved = [](std::string reason, int err) {
        return Status::Fail(StatusCode::SettingsNotSaved, std::move(reason), err);
    };
    // Replace the file a link points to, not the link itself.
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    fs::path temp = target;
    temp += ".tmp";

    const std::string text = FormatSettingsText(settings) + std::string(moreLines);
    errno = 0;
    File f(std::fopen(temp.c_str(), "wb"));
    if (!f) return notSaved(ErrnoText(errno), errno);
    bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size() &&
                   std::fflush(f.get()) == 0;
    int err = errno;
    if (std::fclose(f.release()) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) {
        fs::remove(temp, ec);
        return notSaved(ErrnoText(err ? err : EIO), err ? err : EIO);
    }

    // Keep the old file's permissions on the new one.
    fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temp, old.permissions(), ec);

    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return notSaved(ec.message(), ec.value());
    }
    return Status::Ok();
}

std::string SettingsOpenErrorText(const std::string& path, const std::string& reason) {
    return FillPath(str::CannotOpenFile, path, reason);
}

std::string SettingsCreateErrorText(const std::string& path, const std::string& reason) {
    return FillPath(str::CannotCreateFile, path, reason);
}

}  // namespace dmm
