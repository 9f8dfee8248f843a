// The settings file "NRVDL.ini": the port number and the comparator's two limits,
// kept as key=value lines in the working directory, and the kind of meter when it is
// not the adaptor.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "meterlink/driver/detector.h"
#include "meterlink/driver/meterfamilies.h"
#include "resources/status.h"

namespace dmm {

struct Settings {
    int iPort = 2;
    double fHiLimit = 300;
    double fLowLimit = 100;
    // One of MeterNames(), or kAutoMeter (the meter found by a probe), as the line
    // "Meter=" names it.
    std::string_view Meter = kAdaptorMeter;
    // With Meter auto: the family the probe found last, tried first next time (empty:
    // none yet), as the line "DetectedMeter=" names it.
    std::string_view DetectedMeter = {};
};

// What the program holds when the file cannot be opened at start-up: no port
// chosen yet and both limits 0. The file is created at the next close.
constexpr Settings kUnreadSettings{1, 0, 0};

// The lines of a text; CR LF, LF and a lone CR all end a line. A final line
// break does not start another (empty) line.
std::vector<std::string> SplitLines(std::string_view text);

// The value of the first line whose text before its first "=" equals name,
// compared without regard to case; empty optional when no line has that name.
std::optional<std::string> ValueOf(const std::vector<std::string>& lines, std::string_view name);

// Reads the three settings from the file's text. If any of them is missing,
// empty or not a number, all three take their defaults (2, 300, 100). The meter is
// read on its own: a "Meter=" line that names no meter counts as none, the adaptor. The
// family found is read only with "Meter=auto"; one that names no meter counts as none.
Settings ParseSettingsText(std::string_view text);

// The file's text: exactly "iPort=", "fHiLimit=" and "fLowLimit=" lines, each
// ended by CR LF, floating-point values in the shortest general form; a "Meter=" line
// follows only for a meter other than the adaptor, so an adaptor's file stays three lines,
// and a "DetectedMeter=" line only with Meter auto and a family found.
std::string FormatSettingsText(const Settings& settings);

// The settings file inside the given directory.
std::string SettingsFilePath(const std::string& directory);

// Loads the file at path. A file that cannot be opened or read fails with
// SettingsNotRead and the system's reason; the program then starts from kUnreadSettings.
Result<Settings> LoadSettings(const std::string& path);

// Writes the settings to path, followed by moreLines (other keys, each line ended by CR LF).
// The text goes to a temporary file beside it, which then replaces the old file, so a failed
// write leaves the old file as it was and no partial file behind; a failure is
// SettingsNotSaved with the system's reason.
Status SaveSettings(const std::string& path, const Settings& settings,
                    std::string_view moreLines = {});

// "Cannot open file <path>" and "Cannot create file <path>", with the system's
// reason on a second line when there is one.
std::string SettingsOpenErrorText(const std::string& path, const std::string& reason);
std::string SettingsCreateErrorText(const std::string& path, const std::string& reason);

}  // namespace dmm
