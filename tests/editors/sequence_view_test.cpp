// The ladder and sequential views offscreen: monitor colours, online refusals,
// the step hit under scrolling and Select Contact on a unit of a project folder.
#include "ladder_view.h"
#include "select_contact.h"
#include "seq_view.h"

#include "ladder_fixtures.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "unit_fixture.h"

#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace kravin::ladder::test {
namespace {

struct ViewFixture : kravin::test::UnitFixture {
    kravin::test::ScriptedPrompt prompt;
    std::unique_ptr<sequence::SequenceSession> session;
    bool online = false;
    std::optional<LadderMonitorValues> values;

    void SetUp() override
    {
        kravin::test::qtApp();
        UnitFixture::SetUp();
        placeCard(0, 1, "QV200");
        writeUnit(0, 0, {{0, "00SYS"}, {11, "31CDI"}, {30, "76PVA"}});
        makeCurrent(0, 1, 30);
        session = std::make_unique<sequence::SequenceSession>(*unit, prompt, [] {});
        session->online = [this] { return online; };
    }

    std::unique_ptr<LadderView> ladderView()
    {
        LadderViewContext c;
        c.session = session.get();
        c.prompt = &prompt;
        c.online = [this] { return online; };
        c.monitorValues = [this] { return values; };
        auto v = std::make_unique<LadderView>(std::move(c));
        v->resize(760, 420);
        return v;
    }

    QImage render(LadderView& v)
    {
        QImage image(kLadderWidth, 400, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        v.paintContent(p, image.rect());
        return image;
    }
};

TEST_F(ViewFixture, MonitoredContactsTakeTheColoursOfTheirState)
{
    session->ladder.Grid() =
        MakeGrid({StepRow(0), SimpleRung(NO(11, 15), OUT(11, 15)), SimpleRung(NO(11, 14), OUT(11, 14))});
    auto v = ladderView();
    const LadderStyle style;
    // The wire right of each contact, on rows 1 and 2.
    const QPoint rung1(kLadderLeft + 60, 40 + kWireOffset), rung2(kLadderLeft + 60, 80 + kWireOffset);
    QImage image = render(*v);
    EXPECT_EQ(image.pixelColor(rung1), style.element);  // not monitored: plain

    values.emplace();
    for (auto& row : values->cells)
        for (auto& c : row) c = -1;
    values->cells[1][0] = 1;
    values->cells[2][0] = 0;
    image = render(*v);
    EXPECT_EQ(image.pixelColor(rung1), style.on);
    EXPECT_EQ(image.pixelColor(rung2), style.off);
    values->cells[1][0] = 5;
    EXPECT_EQ(render(*v).pixelColor(rung1), style.unknown);
}

TEST_F(ViewFixture, AFailedConversionIsReportedOnceWhenTheViewShows)
{
    session->convertResult = -1;
    auto v = ladderView();
    v->show();
    QCoreApplication::processEvents();
    v->hide();
    v->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompt.ids(), std::vector<int>{laddermsg::CannotConvert});
}

TEST_F(ViewFixture, OnlineTheViewRefusesEditKeysAndClicks)
{
    session->ladder.Grid() = MakeGrid({StepRow(0)});
    auto v = ladderView();
    v->show();
    online = true;
    const LadderGrid before = session->ladder.Grid();
    QTest::keyClick(v.get(), Qt::Key_Down);
    QTest::keyClick(v.get(), 'y');
    QTest::keyClick(v.get(), Qt::Key_Delete);
    EXPECT_EQ(session->ladder.Grid(), before);
    EXPECT_EQ(session->ladder.g_ladderCursor, (GridPos{1, 0}));
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(15 + 80 * 3 + 5, 5 + 40 * 2 + 5));
    EXPECT_EQ(session->ladder.g_ladderCursor, (GridPos{1, 0}));
    EXPECT_FALSE(v->isCommandEnabled(32893));

    online = false;
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(15 + 80 * 3 + 5, 5 + 40 * 2 + 5));
    EXPECT_EQ(session->ladder.g_ladderCursor, (GridPos{2, 3}));
    QTest::keyClick(v.get(), 'y');
    EXPECT_EQ(session->ladder.Cell(2, 3), W);
    EXPECT_TRUE(v->isCommandEnabled(32896));  // undo
}

TEST_F(ViewFixture, StepHitFollowsTheScrollOffset)
{
    auto& row = *session->steps.g_stepTable.Row(81);
    session->steps.g_seqMarkers[0] = {'9', '5'};
    for (int s = 0; s < 20; ++s)
        row[static_cast<std::size_t>(s)] =
            model::MakeStepCode(s < 10 ? "13000" + std::to_string(s) : "1300" + std::to_string(s));
    row[20] = model::MakeStepCode("000000");
    sequence::SeqViewContext c;
    c.session = session.get();
    c.prompt = &prompt;
    sequence::SeqBlkView v(std::move(c));
    v.resize(400, 200);
    v.show();
    const QPoint point(20, 39 + 5);
    EXPECT_EQ(v.hitAt(point).step, 0);
    v.verticalScrollBar()->setValue(34 * 5);
    EXPECT_EQ(v.hitAt(point).step, 5);
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, point);
    EXPECT_EQ(session->group(), 81);
    EXPECT_EQ(session->selectedStep(), 5);
}

TEST_F(ViewFixture, SequentialViewPaintsTabsBoxesAndTheSelection)
{
    session->steps.g_seqMarkers[0] = {'9', '5'};
    *session->steps.g_stepTable.Row(81) = MakeCodes({"130000", "010101", "070102", "130001", "000000"});
    sequence::SeqStyle style;
    QImage image(800, 200, QImage::Format_ARGB32_Premultiplied);
    auto paint = [&] {
        sequence::SeqPaintState st{&session->steps, session->group(), session->selectedStep()};
        QPainter p(&image);
        sequence::DrawSeqBlocks(p, st, style, image.rect());
    };
    paint();
    const QPoint tab81(40, 8), tab82(104, 8), box0(14, 42), box1(14, 39 + 34 + 3), box2(14, 39 + 68 + 3);
    EXPECT_EQ(image.pixelColor(tab81), style.enabled);
    EXPECT_EQ(image.pixelColor(tab82), style.disabled);
    EXPECT_EQ(image.pixelColor(box0), style.enabled);
    EXPECT_EQ(image.pixelColor(box1), style.enabled);
    EXPECT_EQ(image.pixelColor(box2), style.background);   // two step codes, two boxes
    session->Select({sequence::SeqHit::Step, 81, 1});
    paint();
    EXPECT_EQ(image.pixelColor(box1), style.selected);
    EXPECT_EQ(image.pixelColor(tab81), style.enabled);
    session->Select({sequence::SeqHit::Tab, 81, -1});
    paint();
    EXPECT_EQ(image.pixelColor(tab81), style.selected);
}

TEST_F(ViewFixture, SelectContactListsDigitalTerminalsAndKeepsTheCurrentGroup)
{
    ASSERT_EQ(unit->LoadBlockItemList(), 0);
    const int itemsBefore = unit->itemCount;
    const std::vector<ContactGroup> groups = BuildContactGroups(*unit);
    EXPECT_EQ(unit->g_curGroup, 30);
    EXPECT_EQ(unit->itemCount, itemsBefore);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].block, 11);
    EXPECT_EQ(groups[0].label.rfind("G11 ", 0), 0u) << groups[0].label;
    EXPECT_EQ(groups[1].label.rfind("G30 ", 0), 0u) << groups[1].label;
    bool has15 = false;
    for (const ContactEntry& e : groups[0].contacts) {
        if (e.terminal == 15) has15 = e.label.rfind("15 ", 0) == 0;
        EXPECT_TRUE(model::IsDigitalItem(*unit, 11, e.terminal)) << e.label;
    }
    EXPECT_TRUE(has15);

    SelectContactDialog d(groups, 11, 15, res::Language::English);
    EXPECT_EQ(d.groupList()->currentRow(), 0);
    EXPECT_TRUE(d.contactList()->currentItem()->text().startsWith(QStringLiteral("15 ")));
    d.groupList()->setCurrentRow(1);
    EXPECT_EQ(d.contactList()->count(), static_cast<int>(groups[1].contacts.size()));
    d.groupList()->setCurrentRow(0);
    d.contactList()->setCurrentRow(0);
    d.accept();
    EXPECT_EQ(d.block(), 11);
    EXPECT_EQ(d.terminal(), groups[0].contacts[0].terminal);

    // Nothing matches: the first group and contact.
    const ContactChoice none = PreselectContact(groups, 55, 1);
    EXPECT_EQ(none.group, 0);
    EXPECT_EQ(none.contact, 0);
}

}  // namespace
}  // namespace kravin::ladder::test
