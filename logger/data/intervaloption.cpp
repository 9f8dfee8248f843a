#include "logger/data/intervaloption.h"

#include "meterlink/numparse.h"
#include "resources/strings.h"

namespace dmm {

void IntervalOption::SelectItem(IntervalItem item, IntervalPrompter& prompter) {
    if (item == IntervalItem::FullSpeed) {
        choice.iOptSeconds = 0;
        return;
    }
    do {
        std::string answer =
            prompter.InputBox(LoadStr(str::IntervalMode), LoadStr(str::IntegerPrompt),
                              std::to_string(choice.iOptSeconds));
        std::optional<int> seconds = ParseInteger(answer);
        if (!seconds || *seconds > kMaxIntervalSeconds) {
            prompter.ShowStringMessage(str::ErrorCaption, str::InvalidFloat);
            continue;  // keeps the value; asks again only while it is negative
        }
        choice.iOptSeconds = *seconds;
        if (choice.iOptSeconds < 0)
            prompter.ShowStringMessage(str::ErrorCaption, str::InvalidFloat);
    } while (choice.iOptSeconds < 0);
}

}  // namespace dmm
