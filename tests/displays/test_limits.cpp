#include "displays/rules/limits.h"
#include "resources/strings.h"

#include <gtest/gtest.h>

namespace dmm {
namespace {

TEST(Judgement, BothLimitsAreInside) {
    struct Case {
        float value;
        double hi;
        double low;
        Judgement expected;
    } const cases[] = {
        {300, 300, 100, Judgement::Go},
        {300.1f, 300, 100, Judgement::High},
        {99.9f, 300, 100, Judgement::Low},
        {100, 300, 100, Judgement::Go},
        {200, 300, 100, Judgement::Go},
        {-1e30f, 300, 100, Judgement::Low},
        // 1.1 in single precision is 1.10000002384...
        {1.1f, 1.1, 0, Judgement::High},
        {1.1f, 2, 1.1, Judgement::Go},
        // Equal and inverted limits still judge each side on its own.
        {5, 5, 5, Judgement::Go},
        {5, 1, 10, Judgement::High},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Judge(c.value, c.hi, c.low), c.expected)
            << c.value << " in " << c.low << ".." << c.hi;
    }
}

TEST(Judgement, TonesForEachSide) {
    EXPECT_EQ(AlarmTone(300.1f, 300, 100), (Tone{1047, 100}));
    EXPECT_EQ(AlarmTone(99.9f, 300, 100), (Tone{523, 100}));
    EXPECT_FALSE(AlarmTone(300, 300, 100));
    EXPECT_FALSE(AlarmTone(std::numeric_limits<float>::quiet_NaN(), 300, 100));
}

// Each keystroke converts the whole text of the edit.
TEST(LimitEdit, TypingKeystrokeByKeystroke) {
    struct Step {
        const char* text;
        double limit;
        bool error;
    } const steps[] = {
        {"", 300, false},     {"1", 1, false},       {"15", 15, false}, {"15a", 15, true},
        {"15", 15, false},    {"", 15, false},       {"-", 15, true},   {"-2.5", -2.5, false},
        {"1e3", 1000, false}, {"1e999", 1000, true}, {" 7 ", 7, false}, {"1,5", 7, true},
    };
    double held = 300;
    for (const Step& s : steps) {
        LimitEdit edit = ConvertLimitText(s.text, held);
        EXPECT_EQ(edit.limit, s.limit) << "'" << s.text << "'";
        EXPECT_EQ(edit.error.has_value(), s.error) << "'" << s.text << "'";
        held = edit.limit;
    }
}

TEST(LimitEdit, ErrorQuotesTheText) {
    LimitEdit edit = ConvertLimitText("15a", 15);
    ASSERT_TRUE(edit.error);
    EXPECT_EQ(*edit.error, "'15a' is not a valid floating point value");
    EXPECT_EQ(InvalidFloatText("%s%d"), "'%s%d' is not a valid floating point value");
}

TEST(LimitEdit, OkNeedsHighAboveLow) {
    EXPECT_TRUE(LimitsAcceptable(300, 100));
    EXPECT_FALSE(LimitsAcceptable(100, 100));
    EXPECT_FALSE(LimitsAcceptable(100, 300));
    EXPECT_EQ(MessageCaption(str::ErrorCaption, str::LimitSettingError), "Error[E9008]");
}

}  // namespace
}  // namespace dmm
