#include <gtest/gtest.h>

#include <string>

#include "meterlink/labels.h"

namespace dmm {
namespace {

TEST(Labels, FunctionTextAndAcDcByCode) {
    struct Row {
        int code;
        const char* funcText;
        const char* acdc;
    };
    // clang-format off
    const Row rows[] = {
        {0, "", ""},      {5, "V", "AC"},   {6, "V", "DC"},   {7, "V", "DC+AC"}, {8, "F", ""},
        {20, "V", ""},    {32, "C", ""},    {64, "F", ""},    {128, "W", ""},    {384, "W", ""},
        {513, "A", "AC"}, {514, "A", "DC"}, {515, "A", "DC+AC"}, {1024, "Hz", ""}, {2048, "%", ""},
        {2050, "%", ""},  {8192, "m", ""},  {9, "", ""},      {-1, "", ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE("code " + std::to_string(row.code));
        char out[12] = "garbage";
        EXPECT_EQ(GetFuncStr(static_cast<std::uint32_t>(row.code), out),
                  static_cast<int>(std::string(row.funcText).size()));
        EXPECT_STREQ(out, row.funcText);
        EXPECT_EQ(FuncText(row.code), row.funcText);
        EXPECT_EQ(AcDcLabel(row.code), row.acdc);
    }
}

TEST(Labels, LowBatteryBitDoesNotChangeFunctionText) {
    char out[12];
    GetFuncStr(0x80000000u | 128u, out);
    EXPECT_STREQ(out, "W");
    EXPECT_EQ(FunctionCode(0x80000000u | 514u), 514);
}

TEST(Labels, UnitTextFromCodeAndRange) {
    struct Row {
        int code;
        const char* range;
        int exp;
        const char* unit;
    };
    // clang-format off
    const Row rows[] = {
        {6, "-1", -3, "m"},   {6, "-2", -3, "m"},  {6, "0", 1, ""},    {6, "3", 1, ""},
        {5, "-3", 1, ""},     {7, "-1", -3, "m"},  {8, "-8", -9, "n"}, {8, "-7", -9, "n"},
        {8, "-6", -6, "u"},   {8, "-3", -6, "u"},  {8, "-2", 0, ""},   {8, "-9", 0, ""},
        {128, "4", 3, "K"},   {128, "7", 6, "M"},  {128, "6", 6, "M"}, {128, "2", 0, ""},
        {384, "-1", 0, ""},   {1024, "-4", -3, "m"}, {513, "-4", -6, "u"}, {514, "-3", -6, "u"},
        {515, "-2", -3, "m"}, {513, "1", 0, ""},   {513, "2", 0, ""},  {8192, "5", -3, "dB"},
        {8192, "", -3, "dB"}, {0, "-3", 0, ""},    {20, "-1", 0, ""},  {32, "-1", 0, ""},
        {2048, "3", 0, ""},   {6, "x", 0, ""},     {128, "", 0, ""},   {128, " 4", 3, "K"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE("code " + std::to_string(row.code) + " range \"" + row.range + "\"");
        int exp = GetUnitExp(row.code, row.range);
        EXPECT_EQ(exp, row.exp);
        char out[8] = "garbage";
        EXPECT_EQ(GetUnitStr(row.code, exp, out), static_cast<int>(std::string(row.unit).size()));
        EXPECT_STREQ(out, row.unit);
        EXPECT_EQ(UnitText(row.code, exp), row.unit);
    }
}

TEST(Labels, PanelStylesAndOhmSign) {
    struct Row {
        int code;
        PanelStyle unit;
        PanelStyle func;
    };
    // clang-format off
    const Row rows[] = {
        {6, {false, PanelAlign::Center}, {false, PanelAlign::Center}},
        {32, {true, PanelAlign::Right}, {false, PanelAlign::Left}},
        {64, {true, PanelAlign::Right}, {false, PanelAlign::Left}},
        {128, {false, PanelAlign::Center}, {true, PanelAlign::Center}},
        {384, {false, PanelAlign::Center}, {true, PanelAlign::Center}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE("code " + std::to_string(row.code));
        EXPECT_EQ(UnitPanelStyle(row.code).symbolFont, row.unit.symbolFont);
        EXPECT_EQ(UnitPanelStyle(row.code).align, row.unit.align);
        EXPECT_EQ(FuncPanelStyle(row.code).symbolFont, row.func.symbolFont);
        EXPECT_EQ(FuncPanelStyle(row.code).align, row.func.align);
    }
    EXPECT_EQ(PanelText("W", FuncPanelStyle(128)), "\u03A9");
    EXPECT_EQ(PanelText("W", FuncPanelStyle(6)), "W");
    EXPECT_EQ(PanelText("K", UnitPanelStyle(128)), "K");
}

}  // namespace
}  // namespace dmm
