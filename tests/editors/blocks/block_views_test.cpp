#include "block_list_view.h"
#include "block_setting_dialog.h"

#include "qt_app.h"
#include "scripted_prompt.h"
#include "text_codec.h"
#include "unit_fixture.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace kravin::editors::blocks {
namespace {

using test::UnitFixture;

struct Host : BlockListHost, BlockSettingHost {
    bool online() const override { return isOnline; }
    void setModified() override { ++modified; }
    std::optional<std::string> chooseFunction(const FunctionChoices&) override { return std::nullopt; }
    bool runBlockSetting() override { return false; }
    std::optional<BlockClipboardRecord> clipboard() const override { return std::nullopt; }
    void setClipboard(const BlockClipboardRecord&) override {}
    bool isOnline = false;
    int modified = 0;
};

class BlockViewsTest : public UnitFixture {
protected:
    void SetUp() override
    {
        test::qtApp();
        UnitFixture::SetUp();
        placeStation(1, "RNH6");
        placeCard(1, 1, "QV200");
        writeUnit(1, 0, {{0, "00SYS"}, {31, "76PVA"}, {57, "76PVA"}});
        makeCurrent(1, 1, -1);
        undoHost = std::make_unique<UnitBlockUndoHost>(*unit);
        store = std::make_unique<model::CBlockUndo>(*undoHost);
        editor = std::make_unique<BlockListEditor>(*unit, *store, prompt, host);
    }

    test::ScriptedPrompt prompt;
    Host host;
    std::unique_ptr<UnitBlockUndoHost> undoHost;
    std::unique_ptr<model::CBlockUndo> store;
    std::unique_ptr<BlockListEditor> editor;
};

TEST_F(BlockViewsTest, CellsArePaintedWhereTheyAreHitAndAClickSelects)
{
    BlockListView view(*editor, *unit, res::Language::English);
    view.resize(900, 500);
    view.show();
    const QPoint centre = view.cellCentre(57);
    EXPECT_EQ(centre, QPoint(396 + 38, 274 + 16));
    EXPECT_EQ(view.groupAt(centre), 57);

    const auto colourAt = [&](QPoint p) { return view.viewport()->grab().toImage().pixelColor(p); };
    // A used group's cell is filled grey; the gap beside it is background. The probe sits
    // left of the cell's texts, where no glyph falls.
    EXPECT_EQ(colourAt({396 + 2, 274 + 28}), QColor(192, 192, 192));
    EXPECT_EQ(colourAt({396 + 77, 274 + 16}), QColor(255, 255, 255));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(editor->selectedGroup(), 57);
    EXPECT_EQ(colourAt({396 + 2, 274 + 28}), QColor(0, 255, 0));
    // A click on no group keeps the selection; online a click changes nothing.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, {396 + 77, 280});
    EXPECT_EQ(editor->selectedGroup(), 57);
    host.isOnline = true;
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cellCentre(31));
    EXPECT_EQ(editor->selectedGroup(), 57);
    EXPECT_FALSE(view.execute(blkcmd::EditCopy));

    // Zoomed, the same group answers at the zoomed point.
    host.isOnline = false;
    view.SetZoom(50);
    EXPECT_EQ(view.groupAt(QPoint(198 + 10, 137 + 8)), 57);
}

class SettingDialogTest : public BlockViewsTest {
protected:
    // Card 1 of station 1 current, holding a CAI block in group 11 with its item defaults.
    void placeCaiWithDefaults()
    {
        writeUnit(1, 0, {{0, "00SYS"}, {11, "33CAI"}});
        makeCurrent(1, 1, -1);
        char head[500] = {};
        KRAVinA_Data_Get(1, 0, head, work.str().c_str());
        unit->WriteItemDefaults(11);
        ASSERT_EQ(KRAVinA_Data_Write(1, 0, head, work.str().c_str()), 0);
    }

    std::unique_ptr<BlockSettingDialog> open(int group)
    {
        unit->g_curGroup = group;
        EXPECT_EQ(unit->LoadBlockItemList(), 0);
        return std::make_unique<BlockSettingDialog>(*unit, prompt, res::Language::English, host);
    }

    int rowOf(BlockSettingDialog& d, int item)
    {
        for (std::size_t r = 0; r < d.editor().rows().size(); ++r)
            if (d.editor().rows()[r].index == item) return static_cast<int>(r);
        return -1;
    }
};

TEST_F(SettingDialogTest, ItemTenIsBlackAndOnlyTheValueColumnEdits)
{
    auto d = open(31);
    d->show();
    BlockSettingModel* m = d->gridModel();
    const int ten = rowOf(*d, 10);
    ASSERT_GE(ten, 0);
    EXPECT_EQ(m->data(m->index(ten, 3), Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 0));
    EXPECT_FALSE(m->flags(m->index(ten, 3)) & Qt::ItemIsEditable);
    for (int c : {0, 1, 2, 4, 5}) EXPECT_FALSE(m->flags(m->index(0, c)) & Qt::ItemIsEditable) << c;
    EXPECT_TRUE(m->flags(m->index(0, 3)) & Qt::ItemIsEditable);
    EXPECT_FALSE(d->printButton()->isEnabled());
    EXPECT_FALSE(d->itemButton()->isEnabled());
    EXPECT_TRUE(d->terminalButton()->isEnabled());

    // The black cell refuses Return too.
    d->grid()->setCurrentIndex(m->index(ten, 3));
    QTest::keyClick(d->grid(), Qt::Key_Return);
    EXPECT_FALSE(d->grid()->editing());
}

TEST_F(SettingDialogTest, EveryHeadingShowsWholeInBothLanguagesAndModes)
{
    ASSERT_NO_FATAL_FAILURE(placeCaiWithDefaults());
    for (const res::Language l : {res::Language::English, res::Language::Japanese}) {
        unit->g_curGroup = 11;
        ASSERT_EQ(unit->LoadBlockItemList(), 0);
        BlockSettingDialog d(*unit, prompt, l, host);
        d.show();
        for (const bool terminals : {false, true}) {
            if (terminals) d.terminalButton()->click();
            ASSERT_EQ(d.editor().mode(), terminals ? 1 : 0) << ::testing::PrintToString(prompt.ids());
            QHeaderView* header = d.grid()->horizontalHeader();
            for (int c = 0; c < d.gridModel()->columnCount(); ++c) {
                const QString text = d.gridModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
                EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c))
                    << text.toStdString() << (terminals ? " terminals" : " items");
            }
        }
    }
}

TEST_F(SettingDialogTest, HeadingsAndCellsShowWholeInTheOpenDialogInBothLanguages)
{
    ASSERT_NO_FATAL_FAILURE(placeCaiWithDefaults());
    for (const res::Language l : {res::Language::English, res::Language::Japanese}) {
        for (const int group : {11}) {
            unit->g_curGroup = group;
            ASSERT_EQ(unit->LoadBlockItemList(), 0);
            BlockSettingDialog d(*unit, prompt, l, host);
            d.show();
            for (const bool terminals : {false, true}) {
                if (terminals && !d.terminalButton()->isEnabled()) continue;
                if (terminals) d.terminalButton()->click();
                BlockSettingGrid* grid = d.grid();
                QHeaderView* header = grid->horizontalHeader();
                const QFontMetrics cells(grid->font()), heads(header->font());
                // A text is cut when it and the cell's margins are wider than its column.
                const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
                for (int c = 0; c < d.gridModel()->columnCount(); ++c) {
                    const QString head = d.gridModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
                    SCOPED_TRACE(head.toStdString() + (terminals ? " terminals " : " items ") + std::to_string(group));
                    // In sight without scrolling, and wide enough.
                    EXPECT_GE(header->sectionViewportPosition(c), 0);
                    EXPECT_LE(header->sectionViewportPosition(c) + header->sectionSize(c), header->viewport()->width());
                    EXPECT_LE(heads.horizontalAdvance(head) + margins, header->sectionSize(c));
                    for (int r = 0; r < d.gridModel()->rowCount(); ++r) {
                        const QModelIndex cell = d.gridModel()->index(r, c);
                        const QString text = d.gridModel()->data(cell, Qt::DisplayRole).toString();
                        // The rectangle a cell is painted in, without the grid's line.
                        EXPECT_LE(cells.horizontalAdvance(text) + margins, grid->visualRect(cell).width())
                            << text.toStdString();
                    }
                }
            }
        }
    }
}

TEST_F(SettingDialogTest, ReturnAndPrintableKeysStartTheEditorOtherKeysDoNot)
{
    auto d = open(31);
    d->show();
    BlockSettingGrid* grid = d->grid();
    BlockSettingModel* m = d->gridModel();
    const int row = rowOf(*d, 0);
    grid->setCurrentIndex(m->index(row, 3));

    // A Japanese first key does not open the editor.
    QKeyEvent japanese(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
    QApplication::sendEvent(grid, &japanese);
    EXPECT_FALSE(grid->editing());

    // Return opens it with the cell's text.
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(grid->editing());
    auto* edit = grid->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
    ASSERT_NE(edit, nullptr);
    // The editor takes no more than the bytes the value holds.
    QTest::keyClicks(edit, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
    EXPECT_EQ(edit->text().size(), 32);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(grid->editing());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A printable key starts the editor with itself; Return ends it into the cell.
    QTest::keyClick(grid, Qt::Key_T);
    ASSERT_TRUE(grid->editing());
    edit = grid->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("t"));
    QTest::keyClicks(edit, QStringLiteral("AG"));
    EXPECT_EQ(edit->text(), QStringLiteral("tAG"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(grid->editing());
    EXPECT_EQ(d->editor().rows()[row].cells[3], "tAG");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(SettingDialogTest, TerminalCommentsAreLimitedToTwentyCp932Bytes)
{
    ASSERT_NO_FATAL_FAILURE(placeCaiWithDefaults());
    auto d = open(11);
    d->show();
    QTest::mouseClick(d->terminalButton(), Qt::LeftButton);
    ASSERT_EQ(d->editor().mode(), 1);
    EXPECT_TRUE(d->itemButton()->isEnabled());
    BlockSettingModel* m = d->gridModel();
    // Ten double-byte characters fit; the eleventh does not.
    m->setData(m->index(0, 3), QString(11, QChar(0x3042)), Qt::EditRole);
    EXPECT_EQ(d->editor().rows()[0].cells[3].size(), 20u);
    EXPECT_EQ(m->data(m->index(0, 3), Qt::DisplayRole).toString(), QString(10, QChar(0x3042)));
    d->accept();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const int t = d->editor().rows()[0].index;
    EXPECT_EQ(model::fieldView(unit->blockItemData.terminals[t].data(), 20).size(), 20u);
    EXPECT_EQ(host.modified, 1);
}

}  // namespace
}  // namespace kravin::editors::blocks
