#include "logger/commands/recordercommands.h"

#include <optional>
#include <string>
#include <utility>

#include "logger/data/pages.h"
#include "logger/data/recovery.h"
#include "logger/data/textexport.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

RecorderCommands::RecorderCommands(Recorder& recorder, RecorderView& view, CommandPrompts& prompts,
                                   ChartOutput& chart, std::filesystem::path programDir)
    : recorder_(recorder),
      view_(view),
      prompts_(prompts),
      chart_(chart),
      programDir_(std::move(programDir)) {}

void RecorderCommands::sbtnSaveFileClick() {
    const std::string path = prompts_.AskSaveFileName(programDir_);
    if (path.empty()) return;
    view_.SetWaitCursor(true);
    recorder_.SaveFile(path);
    view_.SetWaitCursor(false);
}

void RecorderCommands::sbtnOpenFileClick() {
    recorder_.sbtnClearClick();
    if (!recorder_.bBufferEmpty) return;
    const std::string path = prompts_.AskOpenFileName(programDir_);
    if (path.empty()) return;
    view_.HandlePendingEvents();
    recorder_.OpenFile(path);
}

bool RecorderCommands::OfferLeftOverFiles() {
    if (!recorder_.bBufferEmpty || recorder_.TransferInProgress()) return false;
    const std::optional<RecoveryQuestion> question =
        RecoveryQuestionFor(FindLeftOverFiles(programDir_).files);
    if (!question) return false;
    if (!prompts_.AskYesNoText(question->textNumber, question->text)) return false;
    view_.HandlePendingEvents();
    return recorder_.OpenFile(question->newest.string()).ok();
}

void RecorderCommands::sbtnExportClick() {
    const std::optional<ExportRequest> request = prompts_.RunExportDialog(recorder_.iPageCount);
    if (!request) return;
    const ExportOptions& o = request->options;
    if (o.destination == ExportDestination::File && o.fileName.empty()) {
        view_.ShowStringMessage(str::ErrorCaption, str::BrowseFirst, "");
        return;
    }
    if (o.type == ExportType::Text)
        exportText(*request);
    else
        exportPictures(*request);
}

bool RecorderCommands::exportPages(const ExportRequest& request, int& from, int& to) {
    switch (request.options.scope) {
        case PageScope::ThisPage:
            from = to = recorder_.iCurrentPage;
            return true;
        case PageScope::AllPages:
            from = 1;
            to = recorder_.iPageCount;
            return true;
        case PageScope::Pages:
            break;
    }
    std::optional<int> first, last;
    for (const std::string* text : {&request.pageFrom, &request.pageTo}) {
        const std::optional<int> page = ParseInteger(*text);
        if (!page) {
            prompts_.ShowErrorText(Format(LoadStr(str::NotAnInteger).c_str(), text->c_str()));
            return false;
        }
        (first ? last : first) = page;
    }
    // Only the pages that exist: a range beyond them would address records outside the buffer.
    const PageRange range = ClampPageRange(*first, *last, recorder_.iPageCount);
    if (range.empty()) {
        view_.ShowStringMessage(
            str::WarningCaption,
            range.check == PageRange::Check::Reversed ? str::ReversedPages : str::NoSuchPages, "");
        return false;
    }
    from = range.from;
    to = range.to;
    return true;
}

void RecorderCommands::exportText(const ExportRequest& request) {
    int from = 0, to = 0;
    if (!exportPages(request, from, to)) return;
    view_.SetWaitCursor(true);
    const Status saved = SaveTextExport(request.path, recorder_.List(), recorder_.iPointsPerPage,
                                        recorder_.iPageCount, from, to);
    if (!saved) view_.ShowStringMessage(str::ErrorCaption, str::FileSaveError, saved.reason());
    view_.SetWaitCursor(false);
}

void RecorderCommands::exportPictures(const ExportRequest& request) {
    const ExportOptions& o = request.options;
    int from = recorder_.iCurrentPage;
    int to = from;
    const bool printing = o.destination == ExportDestination::Printer;
    // The clipboard and a file take the page on show.
    if (printing && !exportPages(request, from, to)) return;

    // Several pages print as one job: one question for the printer, a sheet per page.
    if (printing) chart_.BeginPrintJob();
    bool failed = false;  // and said so
    for (int page = from; page <= to; ++page) {
        recorder_.LoadPage(page);
        chart_.ResetExportSize();
        view_.HandlePendingEvents();
        chart_.ApplyExportSettings();
        bool done = false;
        if (printing) {
            chart_.SetPrintStyle(true);
            done = chart_.RunAction(ChartAction::PrintWithSetup);
            chart_.SetPrintStyle(false);
        } else {
            done = chart_.RunAction(PictureActionFor(o.type, o.destination));
        }
        if (!done) {
            failed = true;
            break;
        }
    }
    if (printing) {
        const Status ended = chart_.EndPrintJob();
        if (!ended && !failed) chart_.ShowFailure(ended, ChartAction::PrintWithSetup);
    }
    recorder_.ShowPage();
}

void RecorderCommands::sbtnPrintGraphicClick() {
    // The export size is the one a picture export last set (0 after a chart reset).
    chart_.SetPrintStyle(true);
    view_.HandlePendingEvents();
    chart_.RunAction(ChartAction::Print);
    chart_.SetPrintStyle(false);
}

}  // namespace dmm
