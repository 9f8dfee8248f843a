#include "logger/data/exportoptions.h"

#include "meterlink/numparse.h"
#include "resources/strnum.h"

namespace dmm {

namespace {

constexpr double kBitmapWidth = 1000;
constexpr double kBitmapHeight = 681;
constexpr double kMetafileWidth = 10000;  // hundredths of a millimetre
constexpr double kMetafileHeight = 6810;

constexpr std::size_t kWholeNameBelow = 31;
constexpr std::size_t kNameHead = 3;
constexpr std::size_t kNameTail = 24;

}  // namespace

ChartAction PictureActionFor(ExportType type, ExportDestination destination) {
    const bool metafile = type == ExportType::MetaFile;
    if (destination == ExportDestination::ClipBoard)
        return metafile ? ChartAction::MetafileToClipboard : ChartAction::BitmapToClipboard;
    return metafile ? ChartAction::MetafileToFile : ChartAction::BitmapToFile;
}

ExportDialogRules::ExportDialogRules(bool viewerDialog) : viewerDialog_(viewerDialog) {
    options.pixelsCaption = str::NoSpecificSize;
    options.unitCaption = str::UnitsLabel;
}

void ExportDialogRules::rbtnTextClick() {
    options.type = ExportType::Text;
    options.clipBoardEnabled = false;
    options.printerEnabled = false;
    options.fileEnabled = true;
    options.destination = ExportDestination::File;
    rbtnFileClick();
    options.sizeGroupVisible = false;
}

void ExportDialogRules::rbtnBitMapClick() {
    choosePicture(ExportType::BitMap, str::PixelsUnit, kBitmapWidth, kBitmapHeight);
}

void ExportDialogRules::rbtnMetaFileClick() {
    choosePicture(ExportType::MetaFile, str::UnitsLabel, kMetafileWidth, kMetafileHeight);
}

void ExportDialogRules::choosePicture(ExportType type, int unitCaption, double width,
                                      double height) {
    // A bitmap is measured in pixels only, a metafile in any unit but pixels.
    const bool bitmap = type == ExportType::BitMap;
    options.type = type;
    options.clipBoardEnabled = options.fileEnabled = options.printerEnabled = true;
    options.destination = ExportDestination::ClipBoard;
    rbtnClipBoardClick();
    options.pixelsCaption = str::PixelsUnit;
    options.unitCaption = unitCaption;
    options.pixelsEnabled = bitmap;
    options.millimetersEnabled = options.inchesEnabled = options.pointsEnabled = !bitmap;
    options.objectWidth = width;
    options.objectHeight = height;
    options.unit = bitmap ? SizeUnit::Pixels : SizeUnit::Millimeters;
    options.sizeGroupVisible = true;
}

void ExportDialogRules::rbtnClipBoardClick() {
    options.destination = ExportDestination::ClipBoard;
    options.fileName.clear();
    options.browseEnabled = false;
    if (Picture()) {
        options.pageAllEnabled = options.pageEnabled = false;
        options.thisPageEnabled = true;
        options.scope = PageScope::ThisPage;
        rbtnThisPageClick();
    }
}

void ExportDialogRules::rbtnFileClick() {
    options.destination = ExportDestination::File;
    options.fileName.clear();
    options.browseEnabled = true;
    options.thisPageEnabled = true;
    options.scope = PageScope::ThisPage;
    rbtnThisPageClick();
    options.pageAllEnabled = options.pageEnabled = !Picture();
}

void ExportDialogRules::rbtnPrinterClick() {
    options.destination = ExportDestination::Printer;
    options.browseEnabled = false;
    if (viewerDialog_) {
        options.pageAllEnabled = options.pageEnabled = false;
        options.thisPageEnabled = true;
        options.scope = PageScope::ThisPage;
        rbtnThisPageClick();
        return;
    }
    const bool fromRecorder = options.viewerFlag == 0;
    options.pageAllEnabled = options.thisPageEnabled = options.pageEnabled = fromRecorder;
}

void ExportDialogRules::rbtnPageAllClick() {
    options.scope = PageScope::AllPages;
    options.pageEditsEnabled = false;
}

void ExportDialogRules::rbtnThisPageClick() {
    options.scope = PageScope::ThisPage;
    options.pageEditsEnabled = false;
}

void ExportDialogRules::rbtnPageClick() {
    options.scope = PageScope::Pages;
    options.pageEditsEnabled = true;
}

void ExportDialogRules::SelectUnit(SizeUnit unit) {
    options.unit = unit;
}

std::string ExportDialogRules::ShownWidth() const {
    return FormatGeneral(
        ShownSize(options.objectWidth, options.unit, options.type == ExportType::BitMap));
}

std::string ExportDialogRules::ShownHeight() const {
    return FormatGeneral(
        ShownSize(options.objectHeight, options.unit, options.type == ExportType::BitMap));
}

bool ExportDialogRules::editWidthChange(const std::string& text) {
    const std::optional<long double> typed = ParseNumber(text);
    if (!typed) return false;
    options.objectWidth =
        StoredSize(static_cast<double>(*typed), options.unit, options.type == ExportType::BitMap);
    return true;
}

bool ExportDialogRules::editHighChange(const std::string& text) {
    const std::optional<long double> typed = ParseNumber(text);
    if (!typed) return false;
    options.objectHeight =
        StoredSize(static_cast<double>(*typed), options.unit, options.type == ExportType::BitMap);
    return true;
}

std::string ExportDialogRules::FileNameDisplay(const std::vector<std::string>& characters) {
    const std::size_t n = characters.size();
    std::string shown;
    auto add = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) shown += characters[i];
    };
    if (n < kWholeNameBelow) {
        add(0, n);
    } else {
        add(0, kNameHead);
        shown += "...";
        add(n - kNameTail, n);
    }
    return shown;
}

}  // namespace dmm
