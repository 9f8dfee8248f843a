#include "resources/strings.h"

#include "resources/version.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

namespace dmm {
namespace {

struct Entry {
    int number;
    const char* text;
};

// Kept sorted by number.
constexpr Entry kStrings[] = {
    {1, "Data Logging System"},
    {2, "Ver " DMM_VERSION},
    {3, "OCT 29, 2003"},
    {4, "Free software under the GNU General Public License v3 or later."},
    {5, "Comes with ABSOLUTELY NO WARRANTY."},
    {7, "NRVDL.ini"},
    {20, "Qm47-26x"},
    {100, "Digital Meter"},
    {101, "Analog Meter"},
    {102, "Comparator"},
    {103, "Data list"},
    {104, "Graphical Recorder"},
    {105, "Serial Port selection"},
    {106, "About"},
    {107, "Comparator Hi-Low limit setting"},
    {108, "Acquisition Interval option"},
    {109, "Graphical viewer"},
    // Main menu.
    {500, "-"},
    {501, "&File"},
    {509, "E&xit"},
    {600, "&Link"},
    {601, "Un&link"},
    {631, "&Window"},
    {632, "&Tile"},
    {633, "&Digital Meter"},
    {634, "&Analog Meter"},
    {635, "&Comparator"},
    {636, "&Graphical Recorder"},
    {637, "Data &List"},
    {701, "&Port..."},
    {996, "&Help"},
    {999, "&About..."},
    // Main toolbar hints.
    {1000, "Link to DMM"},
    {1001, "Unlink DMM"},
    {1010, "Windows tile"},
    {1011, "Digital meter"},
    {1012, "Analog meter"},
    {1013, "Comparator"},
    {1014, "Graphical Recorder"},
    {1015, "Data List"},
    {1020, "Port selection..."},
    {1031, "About"},
    // Recorder toolbar hints.
    {1100, "Acquisition start"},
    {1101, "Acquisition stop"},
    {1102, "Manual acquisition"},
    {1103, "Interval option..."},
    {1104, "Open file..."},
    {1105, "Save file..."},
    {1106, "Clear record"},
    {1107, "Import data from DMM"},
    {1108, "Export..."},
    {1109, "Print this page"},
    {1110, "First page"},
    {1111, "Page up"},
    {1112, "Page down"},
    {1113, "Last page"},
    {1114, "Fit all data"},
    {1115, "Undo Zooming"},
    // Recorder menu.
    {1200, "&File"},
    {1201, "&Open..."},
    {1202, "Save &As..."},
    {1203, "&Clear"},
    {1204, "&Import data from DMM"},
    {1205, "E&xport ..."},
    {1206, "&Print this page ..."},
    {1207, "Printer Set&up..."},
    {1208, "E&xit"},
    {1210, "&Acquisition"},
    {1211, "Star&t"},
    {1212, "Sto&p"},
    {1213, "&Manual"},
    {1214, "&Interval..."},
    {1220, "&View"},
    {1221, "F&irst page"},
    {1222, "Page &Up"},
    {1223, "Page &Down"},
    {1224, "&Last page"},
    {1225, "&Fit all data"},
    {1226, "&Undo Zooming"},
    {1227, "Graph Line &Color"},
    // Recorder status bar and read-outs.
    {1300, "Data Logging ..."},
    {1301, "Data in buffer : %d"},
    {1302, "Page : %d of %d"},
    {1303, "Manual"},
    {1304, "Full Speed"},
    {1305, "Interval in second(s)"},
    {1306, "Customization..."},
    {1307, "Automatic"},
    {1308, "Acquisition Mode"},
    {1309, "Input an integer value ? "},
    {1310, "Data Logger"},
    {1311, "Reading"},
    {1312, "Time"},
    {1313, "Max."},
    {1314, "Min."},
    {1315, "Reading Data : %d of %d"},
    {1316, "Data added:00000"},
    {1317, "Upper-Limit : "},
    {1318, "Lower-Limit : "},
    {1319, "&Continue"},
    {1320, "Close"},
    // Texts shown after other messages or as second lines.
    {7005, "Do you want to save the data to a file before exit ?"},
    {7006, "Will re-try automatically in 3 seconds."},
    {7007, "Check cable connection and COM port selection if required."},
    {7009, "(Will continue automatically in 3 seconds.)"},
    {7010, "Do you really want to proceed?"},
    {7011, "Please check communication port selection and wire connection."},
    // Warnings and questions.
    {8000, "The battery power of the DMM is low."},
    {8001, "You must select a valid COM port before linking to the DMM."},
    {8002, "Do you really want to clear the data in buffer ?"},
    {8003, "Buffer has data."},
    {8004, "No data received."},
    {8005, "Reading data from selected file. Please wait ..."},
    {8006, "Adding data into buffer. Please wait..."},
    {8008, "First page."},
    {8009, "Last page."},
    {8010, "All existing data in buffer will be destroyed."},
    {8012, "Acquiring  data from DMM ... please wait ..."},
    {8013, "Processing data ... please wait ..."},
    {8014, "Do you really want to abort import data ?"},
    // Export: page ranges that give nothing to export.
    {8100, "The first page is after the last page: nothing was exported."},
    {8101, "None of the chosen pages exists: nothing was exported."},
    // Export dialog.
    {8120, "Exporting Data Logger"},
    {8121, "Export"},
    {8122, "Destination"},
    {8123, "MetaFile"},
    {8124, "BitMap"},
    {8125, "Text/Data Only"},
    {8126, "ClipBoard"},
    {8127, "File"},
    {8128, "Browse"},
    {8129, "Printer"},
    {8130, "Page Scope"},
    {8131, "All Pages"},
    {8132, "This Page"},
    {8133, "Page"},
    {8134, "From"},
    {8135, "To"},
    {8136, "Object Size"},
    {8138, "No Specific Size"},
    {8139, "Pixels"},
    {8140, "Millimeters"},
    {8141, "Inches"},
    {8142, "Points"},
    {8143, "Width"},
    {8144, "/"},
    {8145, "Units"},
    {8146, "Cancel"},
    // Left-over temporary files found at start-up.
    {8200, "Data of an acquisition that did not end normally was found in temporary files."},
    {8201, "%s : %d sample(s) from %s to %s"},
    {8202, "... and %d more file(s)"},
    {8203, "Do you want to open the newest file into the buffer ?"},
    {8204, "The files stay in the program folder until you delete them."},
    {8205, "%s : %d sample(s)"},
    // The import's progress lines and its warning about records it could not decode.
    {8300, "Bytes read : %d of %d"},
    {8301, "Translating..."},
    {8302, "Some stored readings could not be decoded and were left out."},
    {8400, "The connection to the DMM adaptor was lost."},
    {8401, "Will re-connect automatically when it is back."},
    {8402, "The connection to the DMM adaptor is back."},
    // The port dialog's choice of meter.
    {8500, "Meter:"},
    {8501, "RS-232 adaptor"},
    {8502, "FS9721 chip"},
    {8503, "FS9922 chip"},
    {8504, "ES51922 chip"},
    {8505, "ASCII-14 line"},
    {8506, "UT71x"},
    {8507, "ASCII-14 line, 600 baud"},
    {8508, "ASCII-14 line, 2400 baud"},
    {8509, "ASCII-14 four lines, 9600 baud"},
    // Finding the meter on the port.
    {8510, "Detect"},
    {8511, "Detect Meter"},
    {8512, "Looking for the meter on %s ..."},
    {8513, "Trying %s: %s (setting %d of %d)"},
    {8514, "%s: %s"},
    {8999, "Warning[W%d]"},
    // Errors.
    {9001, "The specified serial port open error."},
    {9002, "You must link to the DMM by clicking the link button before starting data logging."},
    {9003, "Unable to create file for real time temporary storage in hard disk."},
    {9004, "File open error."},
    {9005, "File save error."},
    {9006, "Insufficient system memory !"},
    {9007, "Not a valid floating point value !"},
    {9008, "Limit setting is unacceptable."},
    {9009, "The COM port setting raises an error."},
    {9010, "No data received."},
    {9012, "Transmission/connection error."},
    {9013, "Please \"Browse\" and specify a file name !"},
    {9014, "The DMM connected to this PC does not support built-in DATA LOGGING function."},
    // Export and print failures.
    {9100, "Printing failed."},
    {9101, "The picture could not be copied to the clipboard."},
    // Detail lines of the import: what is wrong with a log's header, a record or the line.
    {9300, "The header puts the last record into bank %d; the memory has banks 0 to 3."},
    {9301, "The last-record address %d lies before the first record of bank %d."},
    {9302, "The header counts %lld records; a log holds at least one."},
    {9303, "The header puts %lld records into bank 0, which holds at most 10885."},
    {9304, "The last record at address %d runs past the end of bank %d."},
    {9305, "Stored record %d: range nibble %d gives no range in mode 3."},
    {9306, "Stored record %d: an overload of function code %d has no chart value."},
    {9307, "Stored record %d: the value %s with range %s gives no chart value."},
    {9308, "%d of %d stored records left out."},
    {9309, "The image holds %lld bytes; its header describes %lld."},
    {9310, "Byte %d of %d did not arrive."},
    {9400,
     "Unable to write to the file for real time temporary storage in hard disk. The samples "
     "stay in memory: save them to a file on another disk."},
    {9999, "Error[E%d]"},
    // Texts of the runtime's own error boxes.
    {65399, "'%s' is not a valid floating point value"},
    {65400, "'%s' is not a valid integer value"},
    {65521, "Cannot create file %s"},
    {65522, "Cannot open file %s"},
};

// Lookup is a binary search: a number out of order would quietly load as an empty text.
static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const Entry& a, const Entry& b) { return a.number < b.number; }));

constexpr bool InTable(int number) {
    return std::binary_search(std::begin(kStrings), std::end(kStrings), Entry{number, nullptr},
                              [](const Entry& a, const Entry& b) { return a.number < b.number; });
}

// Every name in strnum.h has a text (a name without one would load as an empty text); a
// new name joins this list.
// clang-format off
constexpr int kNamed[] = {
    str::SystemName, str::VersionLine, str::ReleaseDate, str::LicenceLine, str::WarrantyLine,
    str::SettingsFileName, str::ModelName,
    str::DigitalMeterCaption, str::AnalogMeterCaption, str::ComparatorCaption,
    str::DataListCaption, str::RecorderCaption, str::PortDialogCaption, str::AboutCaption,
    str::LimitDialogCaption, str::IntervalDialogCaption, str::ViewerCaption,
    str::FileMenu, str::ExitItem, str::LinkItem, str::UnlinkItem, str::WindowMenu, str::TileItem,
    str::DigitalMeterItem, str::AnalogMeterItem, str::ComparatorItem, str::RecorderItem,
    str::DataListItem, str::PortItem, str::HelpMenu, str::AboutItem,
    str::LinkHint, str::UnlinkHint, str::TileHint, str::DigitalMeterHint, str::AnalogMeterHint,
    str::ComparatorHint, str::RecorderHint, str::DataListHint, str::PortHint, str::AboutHint,
    str::StartHint, str::StopHint, str::ManualHint, str::IntervalHint, str::OpenHint,
    str::SaveHint, str::ClearHint, str::ImportHint, str::ExportHint, str::PrintHint,
    str::FirstPageHint, str::PageUpHint, str::PageDownHint, str::LastPageHint, str::FitAllHint,
    str::UndoZoomHint,
    str::RecorderFileMenu, str::OpenItem, str::SaveAsItem, str::ClearItem, str::ImportItem,
    str::ExportItem, str::PrintPageItem, str::PrinterSetupItem, str::RecorderExitItem,
    str::AcquisitionMenu, str::StartItem, str::StopItem, str::ManualItem, str::IntervalItem,
    str::ViewMenu, str::FirstPageItem, str::PageUpItem, str::PageDownItem, str::LastPageItem,
    str::FitAllItem, str::UndoZoomItem, str::LineColorItem,
    str::LoggingStatus, str::BufferCountFormat, str::PageOfFormat, str::ManualMode,
    str::FullSpeedMode, str::IntervalMode, str::CustomizationChoice, str::AutomaticChoice,
    str::AcquisitionModeGroup, str::IntegerPrompt, str::ChartTitle, str::ReadingLabel,
    str::TimeLabel, str::MaxLabel, str::MinLabel, str::ReadingDataFormat, str::DataAddedText,
    str::UpperLimitLabel, str::LowerLimitLabel, str::ContinueButton, str::CloseButton,
    str::SaveBeforeExit, str::RetryIn3Seconds, str::CheckCable, str::ContinueIn3Seconds,
    str::ReallyProceed, str::CheckPortAndWiring,
    str::LowBattery, str::SelectValidPort, str::ReallyClearBuffer, str::BufferHasData,
    str::NoDataWarning, str::ReadingFileWait, str::AddingDataWait, str::FirstPageReached,
    str::LastPageReached, str::BufferWillBeDestroyed, str::AcquiringFromMeter, str::ProcessingData,
    str::ReallyAbortImport,
    str::ReversedPages, str::NoSuchPages,
    str::ExportDialogCaption, str::ExportWord, str::DestinationWord, str::MetaFileChoice,
    str::BitMapChoice, str::TextOnlyChoice, str::ClipBoardChoice, str::FileChoice,
    str::BrowseButton, str::PrinterChoice, str::PageScopeGroup, str::AllPagesChoice,
    str::ThisPageChoice, str::PageChoice, str::FromLabel, str::ToLabel, str::ObjectSizeGroup,
    str::NoSpecificSize, str::PixelsUnit, str::MillimetersUnit, str::InchesUnit, str::PointsUnit,
    str::WidthLabel, str::SizeSlash, str::UnitsLabel, str::CancelButton,
    str::LeftoverFound, str::LeftoverFileLine, str::MoreLeftoverFiles, str::OpenNewestQuestion,
    str::LeftoverFilesStay, str::EmptyLeftoverFileLine,
    str::BytesReadFormat, str::Translating, str::RecordsLeftOut,
    str::AdaptorLost, str::ReconnectsWhenBack, str::AdaptorBack,
    str::MeterLabel, str::AdaptorMeterChoice, str::Fs9721MeterChoice, str::Fs9922MeterChoice,
    str::PortOpenError, str::LinkBeforeLogging, str::TempFileCreateError, str::FileOpenError,
    str::FileSaveError, str::OutOfMemory, str::InvalidFloat, str::LimitSettingError,
    str::PortSettingError, str::NoDataError, str::TransmissionError, str::BrowseFirst,
    str::NoDataLogging, str::PrintError, str::ClipboardError, str::TempFileWriteError,
    str::BadBank, str::AddressBeforeFirst, str::NoRecords, str::Bank0Overfull, str::PastBankEnd,
    str::NoRangeInMode3, str::OverloadWithoutLevel, str::NoChartValue, str::RecordsLeftOutCount,
    str::ImageTooShort, str::ByteMissing,
    str::WarningCaption, str::ErrorCaption,
    str::NotAFloat, str::NotAnInteger, str::CannotCreateFile, str::CannotOpenFile,
};
// clang-format on
static_assert(std::all_of(std::begin(kNamed), std::end(kNamed), InTable));

}  // namespace

const std::string& LoadStr(int number) {
    static const auto table = [] {
        std::vector<std::pair<int, std::string>> t;
        for (const Entry& e : kStrings) t.emplace_back(e.number, e.text);
        return t;
    }();
    static const std::string empty;
    auto it = std::lower_bound(table.begin(), table.end(), number,
                               [](const auto& e, int n) { return e.first < n; });
    return (it != table.end() && it->first == number) ? it->second : empty;
}

std::string MessageCaption(int formatNumber, int textNumber) {
    char buf[64];
    std::snprintf(buf, sizeof buf, LoadStr(formatNumber).c_str(), textNumber);
    return buf;
}

}  // namespace dmm
