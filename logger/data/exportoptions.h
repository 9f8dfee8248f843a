// The rules of the export dialog: which type, destination, page scope and size unit are
// chosen, which of them can be chosen, and the picture size in the chosen unit. The dialog
// window shows this state after every click.
#pragma once

#include <string>
#include <vector>

#include "logger/chart/rules/chartmath.h"

namespace dmm {

enum class ExportType { MetaFile, BitMap, Text };
enum class ExportDestination { ClipBoard, File, Printer };
enum class PageScope { AllPages, ThisPage, Pages };

struct ExportOptions {
    // What is chosen.
    ExportType type = ExportType::Text;
    ExportDestination destination = ExportDestination::File;
    PageScope scope = PageScope::ThisPage;
    SizeUnit unit = SizeUnit::Pixels;

    // What can be chosen.
    bool textEnabled = true;
    bool textVisible = true;
    bool clipBoardEnabled = false;
    bool fileEnabled = true;
    bool printerEnabled = false;
    bool browseEnabled = true;
    bool pageAllEnabled = true;
    bool thisPageEnabled = true;
    bool pageEnabled = true;
    bool pageEditsEnabled = false;  // "From", "To" and both page edits
    bool pixelsEnabled = true;
    bool millimetersEnabled = true;
    bool inchesEnabled = true;
    bool pointsEnabled = true;
    bool sizeGroupVisible = false;
    // Captions of the Pixels button and of the unit label, by string number.
    int pixelsCaption = 0;
    int unitCaption = 0;

    // The picture size: pixels for a bitmap, hundredths of a millimetre for a metafile.
    double objectWidth = 0;
    double objectHeight = 0;

    // The target file; empty until one is chosen.
    std::string fileName;

    // 0 when the recorder asks, 1 when the viewer does.
    int viewerFlag = 0;
};

// The chart action that puts a picture of this type on the clipboard or into the file.
ChartAction PictureActionFor(ExportType type, ExportDestination destination);

// The click rules. The viewer's dialog differs in its Printer rule only: it always leaves
// just This Page.
class ExportDialogRules {
public:
    explicit ExportDialogRules(bool viewerDialog = false);

    ExportOptions options;

    void rbtnTextClick();
    void rbtnBitMapClick();
    void rbtnMetaFileClick();
    void rbtnClipBoardClick();
    void rbtnFileClick();
    void rbtnPrinterClick();
    void rbtnPageAllClick();
    void rbtnThisPageClick();
    void rbtnPageClick();
    void SelectUnit(SizeUnit unit);

    bool Picture() const { return options.type != ExportType::Text; }

    // The width or height as the edits show it in the chosen unit.
    std::string ShownWidth() const;
    std::string ShownHeight() const;
    // A width or height typed in the chosen unit; false (and the size unchanged) when the
    // text is not a number.
    bool editWidthChange(const std::string& text);
    bool editHighChange(const std::string& text);

    // A chosen file's name as the dialog shows it: whole below 31 characters, otherwise the
    // first 3, "..." and the last 24. The name comes split into the characters a reader
    // sees (a letter with its accents is one), each as its UTF-8 text.
    static std::string FileNameDisplay(const std::vector<std::string>& characters);

private:
    void choosePicture(ExportType type, int unitCaption, double width, double height);

    bool viewerDialog_;
};

}  // namespace dmm
