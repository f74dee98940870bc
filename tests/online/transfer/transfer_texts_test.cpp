// The text forms of the transfers.
#include "transfer_texts.h"

#include <gtest/gtest.h>

namespace kravin::online {
namespace {

TEST(CompareForms, DeviceAndProjectFormsMeet)
{
    struct Case {
        int group, item;
        std::string device, project;
        bool equal;
    };
    const Case cases[] = {
        {1, 11, "100.0", "100.0", true},
        {1, 11, ".5", "0.5", true},          // a leading '.' gets its zero
        {1, 11, "-.5", "-0.5", true},
        {1, 11, "0", "", true},              // zero forms
        {1, 11, "1.0", "1.5", false},
        {0, 48, "X12", "12", true},          // group 0 items 48..50 drop their first character
        {81, 11, "**0000", "*", true},       // an empty step
        {81, 11, "13 0001", "130001", true}, // the device's separated step form
        {81, 11, "130001", "130002", false},
        {97, 11, "ABCDEFG", "ABC", true},    // only as many characters as the project's
        {1, 11, "ABCDEFG", "ABC", false},
    };
    TransferUnit unit;
    TransferCard card;
    for (const Case& c : cases) {
        TransferGroup g{c.group, true, {}, {}};
        const TransferItem item{c.item, c.project};
        bool skip = false;
        const std::string device = DeviceCompareForm(c.group, c.item, c.device, &skip);
        const std::string project = ProjectCompareForm(unit, card, g, item);
        EXPECT_EQ(CompareEqual(device, project, c.group == 97 || c.group == 98), c.equal)
            << c.group << "." << c.item << " device '" << device << "' project '" << project << "'";
    }
    bool skip = false;
    DeviceCompareForm(81, 12, "000000", &skip);
    EXPECT_TRUE(skip);
    skip = false;
    DeviceCompareForm(81, 10, "000000", &skip);
    EXPECT_FALSE(skip);
}

TEST(CompareForms, V8rtuStationItemsAndItem14)
{
    TransferUnit unit;
    unit.v8rtu = true;
    unit.station = 0x2A;
    unit.cardCount = 7;
    TransferCard card;
    const TransferGroup g0{0, true, {}, {}};
    EXPECT_EQ(ProjectCompareForm(unit, card, g0, {51, "00"}), "2A");
    EXPECT_EQ(ProjectCompareForm(unit, card, g0, {52, "0001"}), "7");
    const TransferGroup g5{5, true, {}, "46"};
    EXPECT_EQ(ProjectCompareForm(unit, card, g5, {14, "12.5"}), "12.");
    const TransferGroup g6{6, true, {}, "45"};
    EXPECT_EQ(ProjectCompareForm(unit, card, g6, {14, "12.5"}), "12.5");
    EXPECT_EQ(DownloadText(unit, 0, {51, "00"}), "2A");
    EXPECT_EQ(DownloadText(unit, 1, {51, "00"}), "00");
}

TEST(UnitTexts, CardCountIsOneHexadecimalDigit)
{
    EXPECT_EQ(CardCountOfUnitText("3"), 3);
    EXPECT_EQ(CardCountOfUnitText("F0000"), 15);
    EXPECT_EQ(CardCountOfUnitText("a"), std::nullopt);  // upper case only
    EXPECT_EQ(CardCountOfUnitText("G"), std::nullopt);
    EXPECT_EQ(CardCountOfUnitText(std::string(1, '\0')), std::nullopt);
    EXPECT_EQ(CardCountOfUnitText(""), std::nullopt);
}

TEST(UnitTexts, LabelsAndBank2Numbers)
{
    EXPECT_EQ(StationLabel(0x3F), "STATION  3F");
    EXPECT_EQ(CardLabel(-1), "");
    EXPECT_EQ(CardLabel(10), "CARD  A");
    EXPECT_EQ(Bank2Number(6), 3);
    EXPECT_EQ(GroupOfBank2Number(3), 6);
    EXPECT_EQ(Bank2Number(11), 0);
    EXPECT_EQ(GroupOfBank2Number(15), -1);
}

}  // namespace
}  // namespace kravin::online
