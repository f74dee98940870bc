#include "jump_records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kravin::wiring {
namespace {

CJumpRecord jump(const std::string& name, int block, int item, int side = 1)
{
    CJumpRecord r;
    r.name = name;
    r.block = block;
    r.item = item;
    r.side = side;
    r.terminal = 1;
    r.format = 5;
    r.colour = 0x0000FF;
    return r;
}

TEST(JumpRecords, ListsCompareByItemBlockAndName)
{
    JumpList list;
    AddOrRemove(list, jump("A", 3, 10));
    AddOrRemove(list, jump("B", 3, 10));
    AddOrRemove(list, jump("A", 4, 10));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(CountJumpsAtTerminal(list, jump("A", 4, 10)), 0);
    EXPECT_EQ(CountJumpsAtTerminal(list, jump("B", 3, 10)), 1);
    // Equal records ignore side and format.
    AddOrRemove(list, jump("A", 3, 10, 2));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(FindByName(list, "A")->block, 4);
    EXPECT_EQ(FindByName(list, "C"), nullptr);
}

TEST(JumpRecords, PlainRecordAndUndoFormRoundTrip)
{
    const CJumpRecord r = jump("LBL", 7, 12, 2);
    const auto plain = r.ToRecord();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain.data())), "LBL");
    std::int32_t block = 0, side = 0;
    std::memcpy(&block, plain.data() + 16, 4);
    std::memcpy(&side, plain.data() + 28, 4);
    EXPECT_EQ(block, 7);
    EXPECT_EQ(side, 2);
    const CJumpRecord back = CJumpRecord::fromLink(r.toLink(true));
    EXPECT_TRUE(CJumpRecord::IsEqual(back, r));
    EXPECT_EQ(back.side, 2);
    EXPECT_EQ(back.terminal, 1);
    EXPECT_EQ(back.colour, 0x0000FF);
}

TEST(JumpRecords, OpenNamesAndLabelLimit)
{
    JumpList open{jump("A", 1, 1), jump("B", 2, 2)};
    EXPECT_EQ(OpenJumpNames(open), "A, B, ");
    EXPECT_EQ(TrimJumpLabel("ABCDEFGHIJ"), "ABCDEFG");
    // Seven bytes never end in half a double-byte character ("あ" is 2 bytes in CP932).
    EXPECT_EQ(TrimJumpLabel("AB\x82\xA0\x82\xA0\x82\xA0"), "AB\x82\xA0\x82\xA0");
    EXPECT_EQ(JumpMarkPlace(jump("A", 1, 1, 1), 10, 20).y, 14);
    EXPECT_EQ(JumpMarkPlace(jump("A", 1, 1, 2), 10, 20).y, 28);
    EXPECT_EQ(JumpMarkPlace(jump("A", 1, 1, 2), 10, 20).x, 15);
}

}  // namespace
}  // namespace kravin::wiring
