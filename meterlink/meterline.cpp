#include "meterlink/meterline.h"

namespace dmm {

const char* LineStatusText(LineStatus status) {
    switch (status) {
        case LineStatus::Ok:
            return "ok";
        case LineStatus::Timeout:
            return "time-out";
        case LineStatus::DeviceGone:
            return "device gone";
        case LineStatus::Failed:
            return "failed";
    }
    return "failed";
}

std::string DescribeLineResult(const LineResult& result) {
    std::string text = LineStatusText(result.status);
    if (!result.ok() && !result.reason.empty()) text += ": " + result.reason;
    return text;
}

}  // namespace dmm
