#include "step_codes.h"

#include <gtest/gtest.h>

namespace kravin::ladder {
namespace {

TEST(StepCodeTest, DecodeFields)
{
    struct Case {
        const char* code;
        bool ok, end;
        int type, kk, nn;
    };
    for (Case c : {Case{"010203", true, false, 1, 2, 3}, Case{"128119", true, false, 12, 81, 19},
                   Case{"000000", true, true, 0, 0, 0}, Case{"******", true, true, 0, 0, 0},
                   Case{"**9999", true, true, 0, 0, 0}, Case{"0A0203", false, false, 0, 0, 0},
                   Case{"0102 3", false, false, 1, 2, -1}}) {
        DecodedStep d = DecodeStep(MakeStepCode(c.code));
        EXPECT_EQ(d.ok, c.ok) << c.code;
        if (!c.ok) continue;
        EXPECT_EQ(d.end, c.end) << c.code;
        EXPECT_EQ(d.type, c.type) << c.code;
        EXPECT_EQ(d.kk, c.kk) << c.code;
        EXPECT_EQ(d.nn, c.nn) << c.code;
    }
    DecodedStep t = DecodeStep(MakeStepCode("142345"));
    EXPECT_TRUE(t.ok);
    EXPECT_EQ(t.timerKind, 2);
    EXPECT_EQ(t.timerSeconds, 345);
}

TEST(StepCodeTest, BlockOperationsAreNotContacts)
{
    EXPECT_TRUE(IsBlockAnd(MakeStepCode("030000")));
    EXPECT_TRUE(IsBlockOr(MakeStepCode("050000")));
    EXPECT_FALSE(IsBlockAnd(MakeStepCode("030001")));
    EXPECT_FALSE(IsBlockOr(MakeStepCode("060000")));
}

TEST(StepCodeTest, EncodeRefusesOutOfRangeFields)
{
    StepCode code = MakeStepCode("******");
    EXPECT_TRUE(EncodeStep(7, 2, 3, code));
    EXPECT_EQ(CodeText(code), "070203");
    EXPECT_TRUE(EncodeTimer(1, 999, code));
    EXPECT_EQ(CodeText(code), "141999");
    EXPECT_FALSE(EncodeStep(7, 100, 3, code));
    EXPECT_FALSE(EncodeTimer(10, 5, code));
    EXPECT_FALSE(EncodeTimer(1, 1000, code));
    EXPECT_EQ(CodeText(code), "141999");
}

TEST(StepCodeTest, TableRowsAreTheTwelveSequenceGroups)
{
    StepTable t;
    EXPECT_EQ(t.Row(80), nullptr);
    EXPECT_EQ(t.Row(93), nullptr);
    ASSERT_NE(t.Row(92), nullptr);
    EXPECT_EQ(CodeText((*t.Row(92))[88]), "******");
    EXPECT_EQ(t.Row(81), &t.rows[0]);
    EXPECT_EQ(kStepMnemonics[13], std::string("ST"));
}

}  // namespace
}  // namespace kravin::ladder
