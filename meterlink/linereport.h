// How a failure of the line is told to the user: the same messages, in the same
// order and with the same detail, in the desktop program's message boxes and on
// dmmlog's standard error.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "meterlink/meterline.h"
#include "meterlink/meterlink.h"

namespace dmm {

struct ReportedMessage {
    int captionFormat = 0;     // "Error[E%d]" (9999) or "Warning[W%d]" (8999)
    int textNumber = 0;        // string-table text
    bool exclamation = false;  // shown with the exclamation icon whatever the caption
    bool withDetail = false;   // carries the report's detail
};

struct FailureReport {
    std::vector<ReportedMessage> messages;
    std::string detail;  // what was tried and the system's reason, one fact a line
};

// A port that did not open. Time-outs that could not be set give the port-setting
// messages (9009 with the exclamation icon, 8001) first; every failure ends with
// 9001. The detail names the port and the device tried, then the reason.
// portName is "COM2", or the device path given on a command line.
FailureReport ReportOpenFailure(const OpenResult& result, const std::string& portName);

// The report as lines for a terminal: each message's caption and text, the detail
// (its lines joined with ": ") in brackets after those that carry it.
std::vector<std::string> ReportLines(const FailureReport& report);

// The detail line of a failed query or transfer: empty for a plain time-out (the
// message says enough), otherwise "device gone: <reason>" and the like.
std::string LineFailureDetail(const LineResult& result);

// A warning the poll calls for, told the same way in the desktop program's
// self-closing window and on dmmlog's standard error.
struct PollNotice {
    int captionNumber = 0;   // fills "Warning[W%d]"
    std::vector<int> texts;  // its lines, at most three
    std::string detail;      // why the line failed, when it did (LineFailureDetail)
};

// The no-data warning, the low-battery warning or the lost adaptor; nothing for a
// frame, a quiet failed poll or a poll that waited for the adaptor.
std::optional<PollNotice> NoticeOf(const PollStep& step);

// The notice on one line: "Warning[W8004] No data received. Will re-try ... (detail)".
std::string NoticeLine(const PollNotice& notice);

// The adaptor found again after it went away: the text, then the port and the device
// in brackets ("COM1: /dev/ttyUSB0", or the device alone when it is what was given).
std::string AdaptorBackLine(const std::string& portName, const std::string& device);

}  // namespace dmm
