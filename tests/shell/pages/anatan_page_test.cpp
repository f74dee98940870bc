// The analog terminal connection view through the real main frame: opened on
// a card, blocks dropped from the palette, a line drawn with two bends, saved
// and opened again.
#include "analog_dialogs.h"
#include "anatan_page.h"
#include "block_setting_dialog.h"
#include "child_frame.h"
#include "small_dialogs.h"
#include "command_ids.h"
#include "wiring_road.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>

namespace kravin::shell {
namespace {

using test::WiringRoad;

using ScriptedDialogs = test::ScriptedAnalogDialogs;

// Runs fn on the modal dialog of type D that the next call opens.
template <class D>
void onNextDialog(std::function<void(D*)> fn)
{
    QTimer::singleShot(0, [fn] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d) {
            ADD_FAILURE() << "no dialog";
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        fn(d);
    });
}

// Sets one item of the Function Block Setting grid and presses OK.
void settingItem(editors::blocks::BlockSettingDialog* d, int item, const char* value)
{
    const auto& rows = d->editor().rows();
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (rows[r].index == item)
            d->gridModel()->setData(d->gridModel()->index(static_cast<int>(r), 3), QString::fromLatin1(value),
                                    Qt::EditRole);
    d->accept();
}

// A mouse move without buttons, as the pointer crosses the view.
void hover(QWidget* w, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

class AnaTanPageTest : public WiringRoad {
protected:
    AnaTanPage* page() { return app->anaTanPage(); }
    QWidget* viewport() { return page()->view()->viewport(); }
    QPoint cell(int x, int y) const { return {x * 16, y * 16}; }

    // Station 0 with a QV200 card in slot 1, saved as plant.KRA.
    std::string saveFixtureProject()
    {
        placeStation(0, "RNH6");
        placeCard(0, 1, "QV200");
        return saveProject();
    }

    void openOnCard()
    {
        app->unitSelection().select(0, 1);
        ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
        ASSERT_NE(page(), nullptr);
        page()->view()->setDialogs(&dialogs);
        page()->resize(1200, 1000);
    }

    void dropItem(const std::string& name, QPoint at) { dropPaletteItem(*page()->palette(), viewport(), name, at); }

    ScriptedDialogs dialogs;
};

TEST_F(AnaTanPageTest, DropTwoBlocksConnectThemWithTwoBendsSaveAndReopen)
{
    start();
    const std::string path = saveFixtureProject();
    openOnCard();
    EXPECT_EQ(frame().frame(ViewKind::AnaTan)->view(), page());
    EXPECT_TRUE(page()->palette()->isVisible());
    EXPECT_FALSE(frame().views().frameExists(ViewKind::System));

    dialogs.groups = {30, 31};
    dropItem("ADS", cell(20, 20));  // block 30 at (12, 17)
    dropItem("LAG", cell(20, 50));  // block 31 at (12, 47)
    const wiring::AnalogDiagram& d = page()->view()->editor().diagram();
    ASSERT_TRUE(d.blocks[30].drawn);
    ASSERT_TRUE(d.blocks[31].drawn);
    EXPECT_EQ(std::make_pair(d.blocks[30].x, d.blocks[30].y), std::make_pair(12, 17));
    EXPECT_EQ(std::make_pair(d.blocks[31].x, d.blocks[31].y), std::make_pair(12, 47));
    EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());

    // From ADS's output (pin column 14, row 25) right, down, then into LAG's input.
    QWidget* vp = viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(14, 23));
    ASSERT_EQ(page()->view()->editor().line().mode, 2);
    hover(vp, cell(30, 25) + QPoint(0, 2));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(30, 25) + QPoint(0, 2));
    hover(vp, cell(30, 40));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(30, 40));
    ASSERT_EQ(page()->view()->editor().line().points.size(), 2u);
    ASSERT_EQ(page()->view()->editor().line().mode, 2);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(14, 44) + QPoint(4, 0));
    const wiring::DiagramInput* in = d.input(31, 11);
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(in->connected);
    EXPECT_EQ(in->sourceBlock, 30);
    ASSERT_EQ(in->line.kind, 2);
    EXPECT_EQ(std::make_pair(in->line.px[0], in->line.py[0]), std::make_pair(30, 40));
    EXPECT_EQ(std::make_pair(in->line.px[1], in->line.py[1]), std::make_pair(30, 25));

    // The picture shows the line: the vertical run at column 30 is drawn.
    QImage image(1000, 800, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        page()->view()->render(painter, image.size());
    }
    EXPECT_NE(image.pixelColor(30 * 16, 32 * 16 + 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(31 * 16 + 4, 32 * 16 + 5), QColor(Qt::white));

    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    const auto unitFile = work() / model::unitDataPath(0, 1);
    const auto aconFile = work() / model::aconPath(0, 1);
    const std::vector<char> unitBytes = test::fileBytes(unitFile), aconBytes = test::fileBytes(aconFile);
    ASSERT_FALSE(unitBytes.empty());

    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::AnaTan));
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(test::fileBytes(work() / model::unitDataPath(0, 1)), unitBytes);
    EXPECT_EQ(test::fileBytes(work() / model::aconPath(0, 1)), aconBytes);

    openOnCard();
    const wiring::DiagramInput* again = page()->view()->editor().diagram().input(31, 11);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->connected);
    EXPECT_EQ(again->line.kind, 2);
}

TEST_F(AnaTanPageTest, ABendPointDragIsOneStepOfUndoAndRedo)
{
    start();
    saveFixtureProject();
    openOnCard();
    dialogs.groups = {30, 31};
    dropItem("ADS", cell(20, 20));
    dropItem("LAG", cell(20, 50));
    QWidget* vp = viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(14, 23));
    hover(vp, cell(30, 25) + QPoint(0, 2));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(30, 25) + QPoint(0, 2));
    hover(vp, cell(30, 40));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(30, 40));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(14, 44) + QPoint(4, 0));
    const wiring::AnalogDiagram& d = page()->view()->editor().diagram();
    const auto bend = [&d](int i) {
        const wiring::DiagramInput* in = d.input(31, 11);
        return in && in->connected && in->line.kind == 2
                   ? std::make_pair(in->line.px[static_cast<std::size_t>(i)], in->line.py[static_cast<std::size_t>(i)])
                   : std::make_pair(-1, -1);
    };
    ASSERT_EQ(bend(0), std::make_pair(30, 40));

    // The line is selected, its lower bend dragged to the right and let go.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(30, 32));
    ASSERT_TRUE(page()->view()->editor().line().selected);
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, cell(30, 40));
    for (int x = 31; x <= 36; ++x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(cell(x, 40)), vp->mapToGlobal(QPointF(cell(x, 40))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
    }
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, cell(36, 40));
    ASSERT_EQ(bend(0), std::make_pair(36, 40));
    EXPECT_EQ(bend(1), std::make_pair(30, 25));

    // Undo takes back the drag and nothing before it; Redo brings it again.
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(bend(0), std::make_pair(30, 40));
    EXPECT_EQ(bend(1), std::make_pair(30, 25));
    EXPECT_TRUE(d.blocks[31].drawn);
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    EXPECT_EQ(bend(0), std::make_pair(36, 40));
    EXPECT_EQ(bend(1), std::make_pair(30, 25));
}

TEST_F(AnaTanPageTest, EscapeInTheCommentDialogKeepsItAndItsText)
{
    start();
    saveFixtureProject();
    app->unitSelection().select(0, 1);
    ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));  // the view's own dialogs
    bool keptOpen = false;
    QTimer::singleShot(0, [&keptOpen] {
        auto* d = qobject_cast<editors::CommentDialog*>(QApplication::activeModalWidget());
        if (!d) {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        d->edit()->setFocus();
        QTest::keyClicks(d->edit(), QStringLiteral("pump"));
        QTest::keyClick(d->edit(), Qt::Key_Escape);
        keptOpen = d->isVisible();
        d->accept();
    });
    ASSERT_TRUE(frame().trigger(cmd::EditComment));
    EXPECT_TRUE(keptOpen);
    model::CCommentMap* layer = page()->view()->editor().comments();
    ASSERT_NE(layer, nullptr);
    ASSERT_TRUE(layer->used(0));
}

TEST_F(AnaTanPageTest, OpenMarksAskBeforeTheViewIsLeft)
{
    start();
    saveFixtureProject();
    openOnCard();
    dialogs.groups = {30};
    dropItem("ADS", cell(20, 20));
    // An open jump mark: the view asks before it closes.
    struct Labels final : ScriptedDialogs {
        std::optional<std::string> jumpLabel() override { return std::string("X1"); }
    } labels;
    page()->view()->setDialogs(&labels);
    ASSERT_TRUE(page()->view()->editor().AddJumpAt(30, 2, 0));
    prompt.answer(wiring::kMsgJumpsOpen, model::Answer::Cancel);
    EXPECT_FALSE(frame().frame(ViewKind::AnaTan)->close());
    EXPECT_TRUE(frame().views().frameExists(ViewKind::AnaTan));
    // The bar's Close asks the same.
    ChildFrame* child = frame().frame(ViewKind::AnaTan);
    auto* close = child->findChild<QPushButton*>(QStringLiteral("button1133"));
    ASSERT_NE(close, nullptr);
    ASSERT_NE(child->findChild<QWidget*>(QStringLiteral("infoBar169")), nullptr);
    prompt.answer(wiring::kMsgJumpsOpen, model::Answer::Cancel);
    close->click();
    EXPECT_TRUE(frame().views().frameExists(ViewKind::AnaTan));
    prompt.answer(wiring::kMsgJumpsOpen, model::Answer::Ok);
    close->click();
    EXPECT_FALSE(frame().views().frameExists(ViewKind::AnaTan));
}

// A block dropped at the top-left corner keeps its input pins and their jump
// marks on the canvas: a jump added on IN2 from the context menu is drawn there
// and a click picks it.
TEST_F(AnaTanPageTest, ABlockDroppedAtTheTopKeepsItsInputMarksOnTheCanvas)
{
    start();
    saveFixtureProject();
    openOnCard();
    struct Labels final : ScriptedDialogs {
        std::optional<std::string> jumpLabel() override { return std::string("Z"); }
    } labels;
    labels.groups = {2};
    page()->view()->setDialogs(&labels);
    dropItem("BCA", cell(2, 1));
    const wiring::AnaTanEditor& editor = page()->view()->editor();
    const wiring::DiagramBlock& bca = editor.diagram().blocks[2];
    ASSERT_TRUE(bca.drawn);
    ASSERT_EQ(bca.inputs.size(), 2u);
    EXPECT_EQ(bca.x, 0);
    // The input pins (rows y - 4 to y - 1) and an input mark with its label (rows y - 7 to y - 4).
    EXPECT_GE(bca.y - 7, 0);

    // Right-click IN2, then "Add jump destination".
    const QPoint in2 = cell(bca.x + 4, bca.y - 2) + QPoint(8, 8);
    QWidget* vp = viewport();
    bool chosen = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            ADD_FAILURE() << "no menu";
            return;
        }
        for (QAction* a : menu->actions())
            if (a->data().toInt() == wiring::anacmd::AddJump && a->isEnabled()) {
                chosen = true;
                menu->setActiveAction(a);
            }
        // The hand takes the entry with Return, or leaves the menu with Escape.
        QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, in2, vp->mapToGlobal(in2));
    QApplication::sendEvent(vp, &menu);
    ASSERT_TRUE(chosen);
    ASSERT_EQ(editor.openJumps().size(), 1u);
    const wiring::CJumpRecord mark = *editor.openJumps().begin();
    EXPECT_EQ(mark.name, "Z");
    EXPECT_EQ(mark.side, 1);
    EXPECT_EQ(mark.terminal, 1);

    // Its stem runs down from row y - 6 at column x + 5, its label stands above it.
    const int column = bca.x + 5, row = bca.y - 6;
    QImage image(1000, 800, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        page()->view()->render(painter, image.size());
    }
    int stem = 0, label = 0;
    for (int y = row * 16 + 2; y < row * 16 + 14; ++y) stem += image.pixelColor(column * 16, y) != QColor(Qt::white);
    for (int y = (row - 1) * 16; y < row * 16; ++y)
        for (int x = column * 16 - 24; x < column * 16 + 24; ++x) label += image.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_GT(stem, 8);
    EXPECT_GT(label, 0);

    // A click on the mark picks it.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(column, row + 1));
    ASSERT_EQ(editor.selectedJumps().size(), 1u);
    EXPECT_EQ(editor.selectedJumps().begin()->name, "Z");
}

TEST_F(AnaTanPageTest, PaletteOffersTheAnalogBlocksOfTheCard)
{
    start();
    saveFixtureProject();
    openOnCard();
    std::vector<std::string> names;
    for (const PaletteCategory& c : page()->palette()->categories())
        for (const PaletteItem& i : c.items) names.push_back(i.name);
    // Analog blocks of the card are there; the excluded codes (31 CDI, 95 SEQ, ...) are not.
    for (const char* n : {"ADS", "LAG", "MLT", "BCA"})
        EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
    for (const char* n : {"CDI", "CDO", "SEQ", "SSW", "SYS"})
        EXPECT_EQ(std::find(names.begin(), names.end(), n), names.end()) << n;
    // A drag shows a block's size at the view's zoom; the zoom box reaches the view.
    const QPixmap tile(46, 46);
    EXPECT_EQ(paletteDragPicture(page(), tile).image.size(), QSize(240, 144));
    frame().applyZoomText(QStringLiteral("200%"));
    EXPECT_EQ(page()->view()->pitch(), 32);
    EXPECT_EQ(paletteDragPicture(page(), tile).image.size(), QSize(480, 288));
    EXPECT_EQ(paletteDragPicture(nullptr, tile).image.size(), QSize(46, 46));
    // While online no drag starts.
    app->online().online = true;
    EXPECT_FALSE(page()->dragAllowed());
    app->online().online = false;
}

TEST_F(AnaTanPageTest, FrameCommandsReachTheView)
{
    start();
    saveFixtureProject();
    openOnCard();
    dialogs.groups = {30, 31};
    dropItem("ADS", cell(40, 20));
    dropItem("LAG", cell(60, 50));
    const auto& diagram = page()->view()->editor().diagram();

    // Edit/Comment puts a box into the unit's comment file; Undo takes it out again.
    dialogs.commentText = "pump";
    ASSERT_TRUE(frame().trigger(cmd::EditComment));
    const auto comments = work() / model::commentFileName(0, 1);
    ASSERT_TRUE(std::filesystem::exists(comments));
    model::CCommentMap* layer = page()->view()->editor().comments();
    ASSERT_EQ(layer->used(0), true);
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_FALSE(layer->used(0));

    // Select All and Align Left: every block to column 1, as one undo step.
    ASSERT_TRUE(frame().trigger(cmd::EditSelectAll));
    ASSERT_TRUE(frame().trigger(cmd::AlignLeft));
    EXPECT_EQ(diagram.blocks[30].x, 1);
    EXPECT_EQ(diagram.blocks[31].x, 1);
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(diagram.blocks[30].x, 32);
    EXPECT_EQ(diagram.blocks[31].x, 52);

    // Delete of a selected block asks 8103 first.
    page()->view()->editor().moveList().Clear();
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(40, 20));
    ASSERT_TRUE(frame().action(cmd::EditDelete)->isEnabled());
    prompt.answer(wiring::kMsgDeleteFunction, model::Answer::Ok);
    ASSERT_TRUE(frame().trigger(cmd::EditDelete));
    EXPECT_FALSE(diagram.blocks[30].present);
    EXPECT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_TRUE(diagram.blocks[30].present);

    // A tile's help without its document: message 7017.
    page()->openItemHelp("ADS");
    EXPECT_EQ(prompt.ids().back(), kMsgNoItemHelp);
}

TEST_F(AnaTanPageTest, TerminalBlocksKeepTheLinkTableByDropAndSetting)
{
    start();
    saveFixtureProject();
    openOnCard();
    const model::CommLinkTable& links = *page()->linkTable();

    // The dropped CAI is an analog receive terminal of the card at once.
    dialogs.groups = {12};
    dropItem("CAI", cell(40, 20));
    ASSERT_TRUE(page()->view()->editor().diagram().blocks[12].drawn);
    EXPECT_EQ(links.terminal(0, 0, 12)->kind, 3);
    EXPECT_EQ(links.flags[0][1].kind[1], 3);
    EXPECT_EQ(links.terminal(0, 0, 12)->link, 0);

    // Its setting takes its source from the PC: the link table is built again.
    bool printable = false;
    onNextDialog<editors::blocks::BlockSettingDialog>([&printable](editors::blocks::BlockSettingDialog* d) {
        printable = d->findChild<QPushButton*>(QStringLiteral("print"))->isEnabled();
        settingItem(d, 11, "FE");
    });
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(40, 17));
    EXPECT_TRUE(printable);
    EXPECT_EQ(links.terminal(0, 0, 12)->link, 2);
    EXPECT_EQ(links.terminal(0, 0, 12)->kind, 3);
    EXPECT_EQ(app->unitContext().g_curStation, 0);
    EXPECT_EQ(app->unitContext().g_curCard, 1);
    EXPECT_EQ(std::string(app->unitContext().g_unitBlocks[12].data()), "33CAI");
    EXPECT_EQ(session().projectRecord.modified, 1);
}

}  // namespace
}  // namespace kravin::shell
