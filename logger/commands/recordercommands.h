// The recorder's file, print and export commands: the dialogs they go through, the pages
// they cover, and the recorder's buffer they read or fill.
#pragma once

#include <filesystem>

#include "logger/acquisition/recorder.h"
#include "logger/commands/commandview.h"

namespace dmm {

class RecorderCommands {
public:
    // Files are offered in programDir, which also holds the temporary files.
    RecorderCommands(Recorder& recorder, RecorderView& view, CommandPrompts& prompts,
                     ChartOutput& chart, std::filesystem::path programDir);

    // Save: the file dialog, then the buffer is written.
    void sbtnSaveFileClick();
    // Open: the Clear question, the file dialog, then the file is read into the buffer.
    void sbtnOpenFileClick();
    // Offers the newest temporary file left by a run that did not end normally, the way
    // Open reads a file; true when it was read into the buffer.
    bool OfferLeftOverFiles();
    // Export: text of the pages into a file, or pictures of the page on show to the
    // clipboard or a file, or the pages chosen to the printer.
    void sbtnExportClick();
    // Prints the page on show at the export size a picture export last set.
    void sbtnPrintGraphicClick();

private:
    // The pages an export or print covers; false (after saying why) when there are none.
    bool exportPages(const ExportRequest& request, int& from, int& to);
    void exportText(const ExportRequest& request);
    void exportPictures(const ExportRequest& request);

    Recorder& recorder_;
    RecorderView& view_;
    CommandPrompts& prompts_;
    ChartOutput& chart_;
    std::filesystem::path programDir_;
};

}  // namespace dmm
