#include "meterlink/linereport.h"

#include "resources/strings.h"

namespace dmm {

FailureReport ReportOpenFailure(const OpenResult& result, const std::string& portName) {
    FailureReport report;
    if (!result.device.empty() && result.device != portName)
        report.detail = portName + ": " + result.device + "\n";
    else if (!portName.empty() && result.device.empty())
        report.detail = portName + "\n";
    report.detail += result.status.reason();
    if (result.status.code() == StatusCode::PortNoTimeouts) {
        report.messages.push_back({str::ErrorCaption, str::PortSettingError, true, true});
        report.messages.push_back({str::WarningCaption, str::SelectValidPort, false, false});
    }
    report.messages.push_back({str::ErrorCaption, str::PortOpenError, false, true});
    return report;
}

std::vector<std::string> ReportLines(const FailureReport& report) {
    std::string detail = report.detail;
    for (std::size_t at = 0; (at = detail.find('\n', at)) != std::string::npos;)
        detail.replace(at, 1, ": ");
    while (detail.size() >= 2 && detail.compare(detail.size() - 2, 2, ": ") == 0)
        detail.resize(detail.size() - 2);
    std::vector<std::string> lines;
    for (const ReportedMessage& m : report.messages) {
        std::string line =
            MessageCaption(m.captionFormat, m.textNumber) + " " + LoadStr(m.textNumber);
        if (m.withDetail && !detail.empty()) line += " (" + detail + ")";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string LineFailureDetail(const LineResult& result) {
    if (result.ok() || (result.status == LineStatus::Timeout && result.reason.empty())) return {};
    return DescribeLineResult(result);
}

std::optional<PollNotice> NoticeOf(const PollStep& step) {
    PollNotice notice;
    switch (step.result) {
        case PollResult::NoDataWarning:
            notice = {str::NoDataWarning,
                      {str::NoDataWarning, str::RetryIn3Seconds, str::CheckCable},
                      {}};
            break;
        case PollResult::LowBattery:
            notice = {str::LowBattery, {str::LowBattery, str::ContinueIn3Seconds}, {}};
            break;
        case PollResult::AdaptorGone:
            notice = {
                str::AdaptorLost, {str::AdaptorLost, str::ReconnectsWhenBack, str::CheckCable}, {}};
            break;
        default:
            return std::nullopt;
    }
    notice.detail = LineFailureDetail(step.line);
    return notice;
}

std::string NoticeLine(const PollNotice& notice) {
    std::string line = MessageCaption(str::WarningCaption, notice.captionNumber);
    for (int n : notice.texts) line += " " + LoadStr(n);
    if (!notice.detail.empty()) line += " (" + notice.detail + ")";
    return line;
}

std::string AdaptorBackLine(const std::string& portName, const std::string& device) {
    std::string where = portName;
    if (!device.empty() && device != portName)
        where = portName.empty() ? device : portName + ": " + device;
    return LoadStr(str::AdaptorBack) + (where.empty() ? "" : " (" + where + ")");
}

}  // namespace dmm
