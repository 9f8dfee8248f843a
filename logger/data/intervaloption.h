// The rules of the acquisition interval dialog: "Manual", or "Automatic" at
// "Full Speed" or a whole number of seconds.
#pragma once

#include <string>

#include "logger/acquisition/recorderview.h"
#include "logger/acquisition/sampleclock.h"

namespace dmm {

enum class IntervalItem { FullSpeed, Customization };

// Asks for the number of seconds.
class IntervalPrompter {
public:
    virtual ~IntervalPrompter() = default;
    // The input box; a cancelled box answers with the text it was given.
    virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                                 const std::string& text) = 0;
    virtual void ShowStringMessage(int captionFormat, int textNumber) = 0;
};

class IntervalOption {
public:
    explicit IntervalOption(IntervalChoice initial) : choice(initial) {}

    IntervalChoice choice;

    // The interval list is usable only under "Automatic".
    bool IntervalListEnabled() const { return !choice.bOptManual; }
    IntervalItem Selection() const {
        return choice.iOptSeconds != 0 ? IntervalItem::Customization : IntervalItem::FullSpeed;
    }

    // A click on "Manual" (true) or "Automatic" (false).
    void SetManual(bool manual) { choice.bOptManual = manual; }

    // cbxIntervalChange: "Full Speed" is 0 seconds; "Customization..." asks
    // for a whole number until it is not negative. An answer that is not a
    // whole number (or too large for the timer) keeps the previous value.
    void SelectItem(IntervalItem item, IntervalPrompter& prompter);
};

}  // namespace dmm
