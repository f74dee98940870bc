#include "system_fixture.h"
#include "system_view_logic.h"

#include <gtest/gtest.h>

#include <map>

namespace kravin::editors {
namespace {

using test::fixtureMasters;
using test::kindName;
using test::placeCard;
using test::placeStation;
constexpr int S = syscmd::Separator;

TEST(SystemGeometry, HitTestBordersAndGapsAtZoomLevels)
{
    struct Case {
        int percent;
        int x, y;              // unzoomed content point
        int scrollX, scrollY;  // zoomed scroll position
        Cell expected;
    };
    // Column 0 spans x 32..76, card j spans 46j+40 .. 46j+84; row r spans 28+44r .. 66+44r.
    const Case cases[] = {
        {100, 32, 28, 0, 0, {0, 0}},       // top-left corner of the station cell
        {100, 76, 66, 0, 0, {0, 0}},       // bottom-right corner (inclusive)
        {100, 77, 40, 0, 0, {}},           // just right of the station cell
        {100, 85, 40, 0, 0, {}},           // gap before card 1 (77..85)
        {100, 86, 40, 0, 0, {0, 1}},       // left edge of card 1
        {100, 130, 40, 0, 0, {0, 1}},      // right edge of card 1
        {100, 131, 40, 0, 0, {}},          // the 2-unit gap between cards
        {100, 132, 40, 0, 0, {0, 2}},
        {100, 820, 2838, 0, 0, {63, 16}},  // last cell's far corner
        {100, 821, 2838, 0, 0, {}},
        {100, 50, 67, 0, 0, {}},           // vertical gap between rows
        {100, 50, 72, 0, 0, {1, 0}},
        {100, 10, 10, 0, 0, {}},           // the label corner
        {50, 32, 28, 0, 0, {0, 0}},
        {50, 86, 72, 0, 0, {1, 1}},
        {50, 130, 66, 0, 0, {0, 1}},
        {200, 131, 40, 0, 0, {}},
        {200, 130, 40, 0, 0, {0, 1}},
        {100, 286, 480, 200, 440, {10, 5}},  // scrolled
        {50, 286, 480, 100, 220, {10, 5}},
    };
    for (const Case& c : cases) {
        const double zoom = zoomOfPercent(c.percent);
        // The viewport point that shows content point (x, y) at this zoom and scroll.
        const IntPoint view{static_cast<int>(c.x * zoom) - c.scrollX, static_cast<int>(c.y * zoom) - c.scrollY};
        EXPECT_EQ(hitTestView(view, {c.scrollX, c.scrollY}, zoom), c.expected)
            << c.percent << "% at " << c.x << "," << c.y << " scroll " << c.scrollX << "," << c.scrollY;
    }
}

TEST(SystemGeometry, ZoomedPointsAreTruncatedAfterTheScrollOffset)
{
    // At 50% the viewport point 43 (+ scroll 0) is content 86: card 1.
    EXPECT_EQ(hitTestView({43, 20}, {0, 0}, 0.5), (Cell{0, 1}));
    // At 150% the point 49 is 32.67, truncated to 32: still the station cell.
    EXPECT_EQ(hitTestView({49, 42}, {0, 0}, 1.5), (Cell{0, 0}));
    EXPECT_EQ(hitTestView({47, 42}, {0, 0}, 1.5), (Cell{}));
    EXPECT_EQ(hitTestView({0, 0}, {86, 28}, 1.0), (Cell{0, 1}));
}

TEST(SystemGeometry, ScrollSizeZoomAndSides)
{
    EXPECT_EQ(scrollSize(1.0).x, 828);
    EXPECT_EQ(scrollSize(1.0).y, 2853);
    EXPECT_EQ(scrollSize(0.5).x, 414);
    EXPECT_EQ(scrollSize(0.5).y, 1426);
    EXPECT_DOUBLE_EQ(zoomOfPercent(150), 1.5);
    EXPECT_DOUBLE_EQ(zoomOfPercent(0), 1.0);
    EXPECT_DOUBLE_EQ(zoomOfPercent(-20), 1.0);
    EXPECT_EQ(fromZoomed({101, 55}, 0.5).x, 202);
    EXPECT_EQ(fromZoomed({101, 55}, 2.0).y, 27);

    EXPECT_TRUE(isLeftOfCardArea({84, 10}, 0, 100, 1.0));
    EXPECT_FALSE(isLeftOfCardArea({85, 10}, 0, 100, 1.0));
    EXPECT_FALSE(isInCardArea({85, 10}, 0, 100, 1.0));
    EXPECT_TRUE(isInCardArea({86, 10}, 0, 100, 1.0));
    EXPECT_TRUE(isInCardArea({43, 10}, 0, 100, 0.5));
    EXPECT_TRUE(isInCardArea({10, 10}, 80, 100, 1.0));
    EXPECT_FALSE(isInCardArea({200, 100}, 0, 100, 1.0));  // below the viewport
    EXPECT_FALSE(isLeftOfCardArea({10, -1}, 0, 100, 1.0));

    const IntRect h = highlightRect({2, 3}, {10, 20}, 1.0);
    EXPECT_EQ(h.x, 46 * 3 + 41 - 10);
    EXPECT_EQ(h.y, 44 * 2 + 29 - 20);
    EXPECT_EQ(h.width, 43);
    EXPECT_EQ(h.height, 37);
    EXPECT_EQ(highlightRect({0, 0}, {0, 0}, 2.0).x, 66);
}

TEST(SystemGeometry, Labels)
{
    EXPECT_EQ(stationLabel(0), "00");
    EXPECT_EQ(stationLabel(10), "0A");
    EXPECT_EQ(stationLabel(63), "3F");
    EXPECT_EQ(cardLabel(1), "0");
    EXPECT_EQ(cardLabel(11), "A");
    EXPECT_EQ(cardLabel(16), "F");
}

class SystemUnits : public ::testing::Test {
protected:
    model::CardKindMasters masters = fixtureMasters();
    model::SystemConfigTables tables;
};

TEST_F(SystemUnits, DescribeUnitReadsStationOrCardTables)
{
    placeStation(tables, 3, 1, 1, "ST03x");
    placeCard(tables, 3, 16, 11, 1, "C16");
    CurrentUnit s = DescribeUnit(masters, tables, 3, 0);
    EXPECT_EQ(s.model, "QV200   ");
    EXPECT_EQ(s.version, "1.10");
    EXPECT_EQ(s.unitText, "ST03x");
    CurrentUnit c = DescribeUnit(masters, tables, 3, 16);
    EXPECT_EQ(c.model, "KMQ     ");
    EXPECT_EQ(c.version, "2.00");
    EXPECT_EQ(c.unitText, "C16");
    // Empty slot, out-of-range unit, a kind index past the table and a bad version index.
    EXPECT_EQ(DescribeUnit(masters, tables, 3, 1).model, "");
    EXPECT_EQ(DescribeUnit(masters, tables, 64, 0).model, "");
    EXPECT_EQ(DescribeUnit(masters, tables, 3, 17).model, "");
    tables.cardKind[4][0] = 500;
    EXPECT_EQ(DescribeUnit(masters, tables, 4, 1).model, "");
    EXPECT_FALSE(unitPlaced(tables, {4, 1}));
    placeCard(tables, 5, 1, 11, 40);
    EXPECT_EQ(DescribeUnit(masters, tables, 5, 1).model, "KMQ     ");
    EXPECT_EQ(DescribeUnit(masters, tables, 5, 1).version, "");
}

TEST_F(SystemUnits, CellTexts)
{
    placeStation(tables, 0, 3, 0, "A2xyz");  // RNH6 shows its type from the unit text
    placeStation(tables, 1, 2, 1);           // V8RTU
    placeCard(tables, 1, 1, 13);             // TQNW2
    placeCard(tables, 1, 2, 11, 1);          // KMQ 2.00
    EXPECT_EQ(cellText(masters, tables, {0, 0}, {}).name, "RNHA2");
    EXPECT_EQ(cellText(masters, tables, {1, 0}, {}).name, "V8RTU");
    EXPECT_EQ(cellText(masters, tables, {1, 0}, {}).version, "1.10");
    EXPECT_EQ(cellText(masters, tables, {1, 2}, {}).name, "KMQ");
    EXPECT_EQ(cellText(masters, tables, {1, 2}, {}).version, "2.00");
    EXPECT_EQ(cellText(masters, tables, {1, 1}, {{"TQNW2", "TQN-W2long"}}).name, "TQN-W2");
    EXPECT_EQ(cellText(masters, tables, {1, 3}, {}).name, "");
    placeStation(tables, 2, 3, 0, "");  // RNH6 without a unit text
    EXPECT_EQ(cellText(masters, tables, {2, 0}, {}).name, "RNH");
}

TEST(SystemText, FitFontHeightShrinksAndStopsAtTheMinimum)
{
    // Width 3 px per height unit: 15 -> 45 is too wide for 45, 14 -> 42 fits.
    EXPECT_EQ(fitFontHeight(15, 6, 45, [](int h) { return 3 * h; }), 14);
    EXPECT_EQ(fitFontHeight(15, 6, 100, [](int h) { return 3 * h; }), 15);
    int calls = 0;
    // A text that never fits stops at the minimum instead of running to zero.
    EXPECT_EQ(fitFontHeight(15, 6, 10, [&](int) { ++calls; return 1000; }), 6);
    EXPECT_EQ(calls, 9);
    EXPECT_EQ(fitFontHeight(3, 0, 1, [](int) { return 1000; }), 1);
}

TEST_F(SystemUnits, ClicksSelectAndSecondClickClearsTheSavedCopy)
{
    placeCard(tables, 2, 4, 11);
    TableUnitSelection sel(masters, tables);
    ClickTracker clicks;

    ClickTracker::Result r = clicks.press({2, 4}, sel);
    EXPECT_TRUE(r.hit);
    EXPECT_FALSE(r.repaintNow);
    EXPECT_EQ(sel.current().cell(), (Cell{2, 4}));
    EXPECT_EQ(clicks.saved().model, "KMQ     ");

    r = clicks.press({2, 4}, sel);  // the same cell again
    EXPECT_TRUE(r.repaintNow);
    EXPECT_FALSE(clicks.saved().cell().valid());
    EXPECT_EQ(sel.current().cell(), (Cell{2, 4}));

    r = clicks.press({2, 4}, sel);  // third click: a plain selection again
    EXPECT_FALSE(r.repaintNow);

    r = clicks.press({}, sel);  // a miss leaves no selection
    EXPECT_FALSE(r.hit);
    EXPECT_FALSE(sel.current().cell().valid());

    // Another view reset the current unit: drawing restores the saved copy.
    clicks.press({5, 0}, sel);
    sel.restore({});
    clicks.restoreIfUnselected(sel);
    EXPECT_EQ(sel.current().cell(), (Cell{5, 0}));
}

TEST(SystemClicks, DoubleClickActions)
{
    struct Case {
        int card;
        bool placed;
        const char* model;
        DoubleClickAction expected;
    };
    const Case cases[] = {
        {3, true, "KMQ     ", DoubleClickAction::OpenBlockList},
        {3, true, "QV200W  ", DoubleClickAction::OpenBlockList},
        {3, true, "TQRQ    ", DoubleClickAction::None},
        {3, true, "TQRQ$   ", DoubleClickAction::None},
        {3, true, "TQRC$   ", DoubleClickAction::None},
        {3, true, "TQRC    ", DoubleClickAction::OpenBlockList},
        {3, true, "TQRJ    ", DoubleClickAction::None},
        {3, true, "TQRN    ", DoubleClickAction::None},
        {3, false, "", DoubleClickAction::ChangeDevice},
        {0, false, "", DoubleClickAction::ChangeDevice},
        {0, true, "QV200   ", DoubleClickAction::None},
    };
    for (const Case& c : cases) {
        CurrentUnit u;
        u.station = 1;
        u.card = c.card;
        u.model = c.model;
        EXPECT_EQ(doubleClickAction(u, c.placed), c.expected) << c.model << " card " << c.card;
    }
    EXPECT_EQ(doubleClickAction(CurrentUnit{}, false), DoubleClickAction::None);
}

TEST(SystemRedraw, SlotProtocol)
{
    struct Case {
        int state;
        bool same;
        bool draw, fill;
        int after;
    };
    const Case cases[] = {
        {SlotClosed, true, false, false, SlotClosed},  {SlotOpening, true, false, false, SlotOpening},
        {SlotOpen, true, true, true, SlotOpen},        {SlotRedraw, true, true, false, SlotOpen},
        {SlotRedrawFill, true, true, true, SlotOpen},  {SlotRedraw, false, false, false, SlotOpen},
    };
    for (const Case& c : cases) {
        const DrawDecision d = drawDecision(c.state, c.same);
        EXPECT_EQ(d.draw, c.draw) << c.state;
        EXPECT_EQ(d.fill, c.fill) << c.state;
        EXPECT_EQ(stateAfterDraw(c.state), c.after) << c.state;
    }
    EXPECT_EQ(stateAfterErase(SlotRedraw), SlotRedrawFill);
    EXPECT_EQ(stateAfterErase(SlotOpen), SlotOpen);
}

// ---- Context menu ----

MenuContext cardMenu(const std::string& model, const std::string& unitText = "")
{
    MenuContext m;
    m.cell = {1, 2};
    m.placed = true;
    m.model = kindName(model);
    m.unitText = unitText;
    return m;
}

MenuContext stationMenu(const std::string& model)
{
    MenuContext m;
    m.cell = {1, 0};
    m.placed = !model.empty();
    m.model = model.empty() ? "" : kindName(model);
    return m;
}

TEST(SystemMenu, StationColumn)
{
    using V = std::vector<int>;
    EXPECT_EQ(contextMenuCommands(stationMenu("QV200")), (V{40400, 40411, S, 40402}));
    EXPECT_EQ(contextMenuCommands(stationMenu("RNH6")), (V{40400, 40411, S, 40412, 40402}));
    EXPECT_EQ(contextMenuCommands(stationMenu("V8RTU")),
              (V{40478, 40479, S, 40404, 40405, 40471, S, 40406, 40407, 40472, 40408, S, 40409, S, 40410, S, 40400,
                 40411}));
    MenuContext empty = stationMenu("");
    EXPECT_EQ(contextMenuCommands(empty), (V{40402}));
    empty.clipboard = ClipCard | ClipQv200w;
    EXPECT_EQ(contextMenuCommands(empty), (V{40402}));
    empty.clipboard = ClipStation;
    EXPECT_EQ(contextMenuCommands(empty), (V{40402, S, 40403}));
}

TEST(SystemMenu, EmptyCardSlot)
{
    using V = std::vector<int>;
    MenuContext m;
    m.cell = {0, 5};
    EXPECT_EQ(contextMenuCommands(m), (V{40404, S, 40402}));
    m.clipboard = ClipStation;
    EXPECT_EQ(contextMenuCommands(m), (V{40404, S, 40402}));
    for (unsigned clip : {ClipCard, ClipQv200w, ClipQv210w}) {
        m.clipboard = clip;
        EXPECT_EQ(contextMenuCommands(m), (V{40404, S, 40413, S, 40402})) << clip;
    }
}

TEST(SystemMenu, OccupiedCardByModel)
{
    using V = std::vector<int>;
    const V generic{40478, 40479, S, 32900, 32901, 32877, S, 40404, 40405, 40471, S, 40416, 40417,
                    S,     40400, 40411, S, 40418, S, 40412, 40402};
    const std::map<std::string, std::pair<std::string, V>> cases{
        {"generic", {"KMQ", generic}},
        {"TJK5",
         {"TJK5", {40478, 40479, S, 32900, 32901, 32877, S, 40404, 40405, 40471, S, 40416, 40417, S, 40400, 40411,
                   S, 40418, S, 40477, S, 40412, 40402}}},
        {"QV200W left",
         {"QV200W", {40478, 40479, S, 32900, 32901, 32877, S, 40404, 40405, 40471, S, 40416, 40417, S, 40400, 40411,
                     S, 40418}}},
        {"QV210W left",
         {"QV210W", {40478, 40479, S, 32900, 32901, 32877, S, 40404, 40405, 40471, S, 40416, 40417, S, 40400, 40411,
                     S, 40418}}},
        {"TQRQ", {"TQRQ", {40478, S, 40416, 40417, S, 40409, 40400, 40411}}},
        {"TQRC",
         {"TQRC", {40478, 40479, S, 32900, 32901, 32877, S, 40404, 40405, 40471, S, 40416, 40417, S, 40409, 40400,
                   40411, S, 40418}}},
        {"TQRN", {"TQRN", {40478, S, 40416, 40417, S, 40400, 40411}}},
        {"TQRJ", {"TQRJ", {40478, 40479, S}}},
        {"TQRQ$", {"TQRQ$", {}}},
        {"TQRC$", {"TQRC$", {}}},
        {"V8RTU",
         {"V8RTU", {32900, 32901, 32877, S, 40404, 40405, 40471, S, 40406, 40407, 40472, 40408, S, 40409, S, 40417,
                    S, 40418, S, 40419}}},
    };
    for (const auto& [label, c] : cases) EXPECT_EQ(contextMenuCommands(cardMenu(c.first)), c.second) << label;

    // The right-hand slot of a two-slot card: no version, change or remove items.
    for (const char* two : {"QV200W", "QV210W"})
        EXPECT_EQ(contextMenuCommands(cardMenu(two, std::string(1, '\1'))),
                  (V{32900, 32901, 32877, S, 40404, 40405, 40471, S, 40416, 40417, S, 40418}))
            << two;

    // A captured card image offers Paste after Copy.
    MenuContext withImage = cardMenu("KMQ");
    withImage.workRecordHasCard = true;
    V expected = generic;
    expected.insert(expected.begin() + 13, 40413);
    EXPECT_EQ(contextMenuCommands(withImage), expected);
}

TEST(SystemMenu, OnlineOffersOnlyNetworkHt9OnV8rtu)
{
    using V = std::vector<int>;
    MenuContext m = cardMenu("V8RTU");
    m.online = true;
    EXPECT_EQ(contextMenuCommands(m), (V{40419}));
    m.registryMonitorActive = true;
    EXPECT_EQ(contextMenuCommands(m), V{});
    MenuContext st = stationMenu("V8RTU");
    st.online = true;
    EXPECT_EQ(contextMenuCommands(st), (V{40419}));
    MenuContext other = cardMenu("KMQ");
    other.online = true;
    EXPECT_EQ(contextMenuCommands(other), V{});
    EXPECT_EQ(contextMenuCommands(MenuContext{}), V{});  // a miss
}

TEST(SystemMenu, MenuTexts)
{
    EXPECT_EQ(MenuTextId(32900, "KMQ     "), 40401);
    EXPECT_EQ(MenuTextId(32901, "KMQ     "), 6502);
    EXPECT_EQ(MenuTextId(32877, "KMQ     "), 6503);
    EXPECT_EQ(MenuTextId(40409, "TQRQ    "), 6500);
    EXPECT_EQ(MenuTextId(40409, "TQRC    "), 6500);
    EXPECT_EQ(MenuTextId(40409, "V8RTU   "), 40409);
    EXPECT_EQ(MenuTextId(40400, "KMQ     "), 40400);
}

TEST(SystemEdit, EnableRules)
{
    struct Case {
        const char* label;
        int card;
        bool placed;
        const char* model;
        std::string unitText;
        unsigned clip;
        bool del, copy, cut, paste;
    };
    const std::string right(1, '\1');
    const Case cases[] = {
        {"station QV200", 0, true, "QV200   ", "", 0, true, false, false, false},
        {"station V8RTU", 0, true, "V8RTU   ", "", 0, true, true, false, false},
        {"empty station, station data", 0, false, "", "", ClipStation, false, false, false, true},
        {"empty station, card data", 0, false, "", "", ClipCard, false, false, false, false},
        {"card KMQ", 2, true, "KMQ     ", "", 0, true, true, true, false},
        {"card V8RTU", 2, true, "V8RTU   ", "", 0, false, true, false, false},
        {"card TQRJ", 2, true, "TQRJ    ", "", 0, false, false, false, false},
        {"card TQRQ$", 2, true, "TQRQ$   ", "", 0, false, false, false, false},
        {"card TQRC$", 2, true, "TQRC$   ", "", ClipCard, false, false, false, true},
        {"QV200W left", 2, true, "QV200W  ", "", 0, true, true, true, false},
        {"QV200W right", 2, true, "QV200W  ", right, 0, false, true, true, false},
        {"empty card, QV210W data", 2, false, "", "", ClipQv210w, false, false, false, true},
        {"empty card, station data", 2, false, "", "", ClipStation, false, false, false, false},
    };
    for (const Case& c : cases) {
        EditContext e;
        e.cell = {7, c.card};
        e.placed = c.placed;
        e.model = c.model;
        e.unitText = c.unitText;
        e.clipboard = c.clip;
        EXPECT_EQ(editCommandEnabled(syscmd::EditDelete, e), c.del) << c.label;
        EXPECT_EQ(editCommandEnabled(syscmd::EditCopy, e), c.copy) << c.label;
        EXPECT_EQ(editCommandEnabled(syscmd::EditCut, e), c.cut) << c.label;
        EXPECT_EQ(editCommandEnabled(syscmd::EditPaste, e), c.paste) << c.label;
        e.online = true;
        for (int cmd : {syscmd::EditDelete, syscmd::EditCopy, syscmd::EditCut, syscmd::EditPaste})
            EXPECT_FALSE(editCommandEnabled(cmd, e)) << c.label << " online " << cmd;
    }
    EditContext undo;
    undo.canUndo = true;
    EXPECT_TRUE(editCommandEnabled(syscmd::EditUndo, undo));
    EXPECT_FALSE(editCommandEnabled(syscmd::EditRedo, undo));
    undo.online = true;
    EXPECT_FALSE(editCommandEnabled(syscmd::EditUndo, undo));
    EXPECT_FALSE(editCommandEnabled(syscmd::EditDelete, EditContext{}));  // nothing selected
}

}  // namespace
}  // namespace kravin::editors
