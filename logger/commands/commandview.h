// What the recorder's file, print and export commands ask of their window beyond what the
// recorder itself asks through RecorderView: the file and export dialogs, a box with a text
// of its own, and the chart's prints and pictures.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "logger/chart/rules/chartmath.h"
#include "logger/data/exportoptions.h"
#include "resources/status.h"

namespace dmm {

// The export dialog closed with OK: the choice, the page edits as typed and the chosen file
// as the file system names it (empty when none was chosen).
struct ExportRequest {
    ExportOptions options;
    std::string pageFrom;
    std::string pageTo;
    std::string path;
};

class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;

    // The Save dialog for a logger file in `folder`, "Untitled.g26" offered and overwriting
    // asked about; empty when cancelled.
    virtual std::string AskSaveFileName(const std::filesystem::path& folder) = 0;
    // The Open dialog for a logger file, a temporary file or any file in `folder`; empty when
    // cancelled.
    virtual std::string AskOpenFileName(const std::filesystem::path& folder) = 0;
    // A Yes/No question under the warning caption of textNumber with this text, No the
    // default; true for Yes.
    virtual bool AskYesNoText(int textNumber, const std::string& text) = 0;
    // The export dialog, modal: text offered and chosen, This Page, pages 1 to pageCount in
    // the edits, no file. Nothing when it was cancelled.
    virtual std::optional<ExportRequest> RunExportDialog(int pageCount) = 0;
    // An error box with a text of its own.
    virtual void ShowErrorText(const std::string& text) = 0;
};

// The recorder's chart as prints and picture exports use it; the pages come from the
// recorder (Recorder::LoadPage).
class ChartOutput {
public:
    virtual ~ChartOutput() = default;

    // The export size back to the chart's own, and the chart drawn again.
    virtual void ResetExportSize() = 0;
    // The picture size and the file of the last export dialog that closed with OK.
    virtual void ApplyExportSettings() = 0;
    // On: monochrome, rebuilt at the export size, for a print. Off: in colour again, drawn
    // again.
    virtual void SetPrintStyle(bool on) = 0;
    // Runs a chart action; false, after saying why (nothing when the user cancelled), when it
    // failed.
    virtual bool RunAction(ChartAction action) = 0;
    // Several pages as one print job: one question for the printer, a sheet per page. The
    // end fails when the job failed; ShowFailure then says why.
    virtual void BeginPrintJob() = 0;
    virtual Status EndPrintJob() = 0;
    virtual void ShowFailure(const Status& failure, ChartAction action) = 0;
};

}  // namespace dmm
