#include "registry_rows.h"

#include <gtest/gtest.h>

namespace kravin::online {
namespace {

TEST(RegistryDigitFilter, TypingKeepsFourDigitsAndBeepsAtAnythingElse)
{
    struct Case {
        const char* remembered;
        const char* text;
        int caret;
        const char* expected;
        int expectedCaret;
        bool beep;
    };
    const Case cases[] = {
        {"", "1", 1, "1", 1, false},
        {"1", "12", 2, "12", 2, false},
        {"12", "12a", 3, "12", 2, true},       // "12a" leaves "12" with a beep
        {"1234", "12345", 5, "1234", 4, true},  // a fifth digit at the end is refused
        {"1234", "19234", 2, "1934", 2, false}, // typing overwrites the next digit
        {"1234", "1234", 4, "1234", 4, false},
        {"1234", "124", 2, "124", 2, false},     // deleting is free
        {"", "12345", 5, "1234", 4, true},      // a pasted long text is cut
        {"", "x", 1, "", 0, true},
    };
    for (const Case& c : cases) {
        const DigitFilterResult r = FilterDigits(c.remembered, c.text, c.caret);
        EXPECT_EQ(r.text, c.expected) << c.remembered << " -> " << c.text;
        EXPECT_EQ(r.caret, c.expectedCaret) << c.remembered << " -> " << c.text;
        EXPECT_EQ(r.beep, c.beep) << c.remembered << " -> " << c.text;
    }
}

TEST(RegistryRows, CommitStoresFourDigitsAndClearsShortTexts)
{
    MonitorTargetRow row;
    row.ggnn = 101;
    row.ggii = 111;
    row.on = kRowOn;
    EXPECT_FALSE(CommitRowText(row, RowField::Ggii, "0112"));
    EXPECT_EQ(row.ggii, 112);
    EXPECT_EQ(row.on, kRowOn);
    EXPECT_TRUE(CommitRowText(row, RowField::Ggii, "123"));  // leaving with "123" clears the row
    EXPECT_EQ(row.ggii, -1);
    EXPECT_EQ(row.on, 0);
    EXPECT_EQ(row.ggnn, 101);
    EXPECT_TRUE(CommitRowText(row, RowField::Ggnn, ""));
    EXPECT_EQ(row.ggnn, -1);
}

TEST(RegistryRows, SetAllAndToggle)
{
    MonitorTargets t = FreshMonitorTargets();
    t.rows[3].ggii = 102;
    t.rows[5].ggnn = 1010;
    SetAllRows(t, true);
    EXPECT_EQ(t.rows[3].on, kRowOn);
    EXPECT_EQ(t.rows[5].on, kRowOn);
    EXPECT_EQ(t.rows[0].on, 0);  // empty rows stay off
    SetAllRows(t, false);
    EXPECT_EQ(t.rows[3].on, 0);
    ToggleRow(t.rows[3]);
    EXPECT_EQ(t.rows[3].on, kRowOn);
    ToggleRow(t.rows[3]);
    EXPECT_EQ(t.rows[3].on, 0);

    MonitorTargets fresh = FreshMonitorTargets();
    fresh.rows[7].ggii = 111;
    SwitchOffEmptyRows(fresh);
    EXPECT_EQ(fresh.rows[0].on, 0);
    EXPECT_EQ(fresh.rows[7].on, kRowOn);
}

TEST(RegistryRows, ScrollingStaysWithinTheHundredRows)
{
    struct Case {
        int top;
        ScrollAction action;
        int thumb;
        int expected;
    };
    const Case cases[] = {
        {75, ScrollAction::PageDown, 0, 80},  // page down from 75 shows rows 80..99
        {0, ScrollAction::LineUp, 0, 0},      {0, ScrollAction::LineDown, 0, 1},
        {30, ScrollAction::PageUp, 0, 10},    {10, ScrollAction::PageUp, 0, 0},
        {0, ScrollAction::Thumb, 95, 80},     {40, ScrollAction::Thumb, 12, 12},
        {40, ScrollAction::Other, 12, 40},
    };
    for (const Case& c : cases) EXPECT_EQ(ScrollRows(c.top, c.action, c.thumb), c.expected) << c.top;
}

TEST(RegistryRows, TextsShowValuesOnlyForRowsThatAreOn)
{
    MonitorTargets t = FreshMonitorTargets();
    t.rows[80].ggii = 111;
    t.rows[81].ggii = 8105;
    t.rows[82].ggii = 112;
    t.rows[82].on = 0;
    RegistryValues v;
    v.rows[80].text = "100.0";
    v.rows[81].messageId = kMsgOutOfRange;
    v.rows[82].text = "stale";
    const RegistryRowTexts a = RowTexts(t, &v, 80, res::Language::English);
    EXPECT_EQ(a.label, "80");
    EXPECT_EQ(a.ggii, "0111");
    EXPECT_EQ(a.ggnn, "");
    EXPECT_EQ(a.data, "100.0");
    EXPECT_TRUE(a.on);
    EXPECT_EQ(RowTexts(t, &v, 81, res::Language::English).data, "Out of range");
    EXPECT_EQ(RowTexts(t, &v, 82, res::Language::English).data, "");
    EXPECT_EQ(RowTexts(t, nullptr, 80, res::Language::English).data, "");
    EXPECT_EQ(RowTexts(t, &v, 100, res::Language::English).label, "");
}

}  // namespace
}  // namespace kravin::online
