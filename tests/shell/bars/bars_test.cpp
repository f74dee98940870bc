#include "bar_layout.h"
#include "child_frame.h"
#include "info_bar.h"
#include "qt_app.h"
#include "resizable_dialog_bar.h"
#include "toolbox/toolbox_dock.h"
#include "view_bar.h"

#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kravin::shell {
namespace {

TEST(BarLayout, AnswersEachRequestFromTheSizeItKeeps)
{
    struct Case {
        unsigned mode;
        int length;
        BarSize expected;
    } cases[] = {
        {LM_HORZDOCK | LM_HORZ | LM_STRETCH, 0, {kStretchedLength, 40}},
        {LM_VERTDOCK | LM_STRETCH, 0, {120, kStretchedLength}},
        {LM_HORZDOCK | LM_HORZ, 0, {120, 40}},
        {LM_VERTDOCK, 0, {120, 40}},
        {LM_MRUWIDTH, 0, {200, 300}},
        {LM_LENGTHY, 250, {200, 250}},
        {0, 150, {150, 300}},
    };
    for (const Case& c : cases) {
        DialogBarSizes s{{120, 40}, {200, 300}, false};
        EXPECT_EQ(s.calcDynamicLayout(c.length, c.mode), c.expected) << c.mode;
        // Without the change-docked flag the docked size stays.
        EXPECT_EQ(s.docked, (BarSize{120, 40})) << c.mode;
    }
    DialogBarSizes linked{{120, 40}, {200, 300}, true};
    linked.calcDynamicLayout(250, LM_LENGTHY);
    linked.calcDynamicLayout(150, 0);
    EXPECT_EQ(linked.docked, (BarSize{150, 250}));
    EXPECT_EQ(linked.floating, (BarSize{150, 250}));
}

TEST(ResizableDialogBar, KeepsItsDockedSizeWhileResizedFloating)
{
    test::qtApp();
    // A plain bar and the toolbox, which is one.
    for (int toolbox = 0; toolbox < 2; ++toolbox) {
        QMainWindow window;
        ResizableDialogBar* bar = nullptr;
        if (toolbox) {
            bar = new ToolBoxDock(QStringLiteral("Toolbox"), &window);
        } else {
            auto* content = new QWidget;
            content->setMinimumSize(10, 10);
            content->resize(120, 200);
            bar = new ResizableDialogBar(content, QStringLiteral("Palette"), 300, false, &window);
        }
        window.addDockWidget(Qt::LeftDockWidgetArea, bar);
        window.resize(600, 400);
        window.show();
        const BarSize docked = bar->sizes().docked;
        EXPECT_EQ(bar->sizeHint().height(), docked.height);
        bar->setFloating(true);
        bar->resize(260, 330);
        QCoreApplication::processEvents();
        EXPECT_EQ(bar->sizes().floating, (BarSize{260, 330}));
        EXPECT_EQ(bar->sizes().docked, docked) << toolbox;
        EXPECT_EQ(bar->sizeHint(), QSize(260, 330)) << toolbox;
    }
}

TEST(ViewBar, RunsEnabledButtonsAndKeepsCloseAtTheRight)
{
    test::qtApp();
    ViewBar bar(269);
    int ran = 0;
    bool allowed = false;
    bar.addButton(1, QStringLiteral("One"), [&] { ++ran; }, [&] { return allowed; });
    bar.addCloseButton(2, QStringLiteral("Close"), [&] { ran += 10; });
    bar.resize(800, 40);
    bar.show();
    EXPECT_FALSE(bar.click(1));
    allowed = true;
    EXPECT_TRUE(bar.click(1));
    EXPECT_TRUE(bar.click(2));
    EXPECT_EQ(ran, 11);
    QPushButton* close = bar.button(2);
    EXPECT_GT(close->geometry().right(), 800 - 20);
    bar.resize(1000, 40);
    QCoreApplication::processEvents();
    EXPECT_GT(close->geometry().right(), 1000 - 20);
}

TEST(ChildFrameBars, ViewSitsBelowItsBarsInTheInnerWindow)
{
    test::qtApp();
    ViewHooks hooks;
    struct Host : FrameHost {
        bool createFrame(ViewKind, const FrameGeometry&) override { return true; }
        void destroyFrame(ViewKind) override {}
        void raiseFrame(ViewKind, bool) override {}
        void post(std::function<void()>) override {}
    } host;
    ViewManager views(host, hooks);
    ChildFrame frame(ViewKind::BlkList, views);
    auto* view = new QWidget;
    view->setWindowTitle(QStringLiteral("Function Block List"));
    frame.setView(view);
    auto* bar = new ViewBar(269);
    bar->addCloseButton(1138, QStringLiteral("Close"), [] {});
    frame.addTopBar(bar);
    InfoBarUnit unit{10, 4, "QV200   ", "1.00"};
    auto* info = new InfoBar(171, [&] { return unit; });
    frame.addTopBar(info);
    frame.resize(700, 400);
    frame.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.view(), view);
    EXPECT_EQ(frame.widget(), frame.inner());
    EXPECT_EQ(frame.inner()->centralWidget(), view);
    const int barBottom = bar->mapTo(frame.inner(), QPoint(0, bar->height())).y();
    const int infoTop = info->mapTo(frame.inner(), QPoint(0, 0)).y();
    EXPECT_LE(barBottom, infoTop);
    EXPECT_LE(info->mapTo(frame.inner(), QPoint(0, info->height())).y(), view->mapTo(frame.inner(), QPoint()).y());
    // The info bar paints the unit's texts: dark pixels where "STATION:0A" stands.
    const QImage image = info->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 10; x < 100 && x < image.width(); ++x) dark += image.pixelColor(x, y).lightness() < 100;
    EXPECT_GT(dark, 10);
    EXPECT_EQ(infoStationText(10), "STATION:0A");
    EXPECT_EQ(infoCardText(4), "CARD:3");
    EXPECT_EQ(infoCardText(0), "CARD:-");
}

}  // namespace
}  // namespace kravin::shell
