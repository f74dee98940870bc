#include "anatan_fixture.h"
#include "anatan_view.h"
#include "qt_app.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace kravin::test {
namespace {

class AnaTanViewTest : public AnaTanFixture {
protected:
    void SetUp() override
    {
        qtApp();
        AnaTanFixture::SetUp();
        wiring::AnaTanServices s;
        s.unit = unit.get();
        s.prompt = &prompt;
        s.undo = &host->store;
        s.settings = &settings;
        s.online = [this] { return online; };
        s.monitorValue = [this](int block, int item) -> std::optional<std::int32_t> {
            if (block == 30 && item == 20) return 12345;
            return std::nullopt;
        };
        view = std::make_unique<wiring::AnaTanView>(std::move(s));
        view->resize(800, 600);
    }
    void TearDown() override
    {
        view.reset();
        AnaTanFixture::TearDown();
    }

    QImage picture()
    {
        QImage image(1200, 1000, QImage::Format_RGB32);
        QPainter painter(&image);
        view->render(painter, image.size());
        return image;
    }
    int inkIn(const QImage& image, QRect r)
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y) != QColor(Qt::white);
        return n;
    }

    model::UserSettings settings;
    bool online = false;
    std::unique_ptr<wiring::AnaTanView> view;
};

TEST_F(AnaTanViewTest, DrawsBoxesAndLinesAtEveryZoom)
{
    settings.ENABLE_GRID = 0;
    view->Redraw();
    for (int percent : {50, 100, 200}) {
        view->SetZoom(percent);
        const int p = view->pitch();
        ASSERT_EQ(p, 16 * percent / 100);
        const QImage image = picture();
        // Block 30 at (20, 10): its box's left edge at column 20 from row 6 to 15.
        EXPECT_NE(image.pixelColor(20 * p, 8 * p), QColor(Qt::white)) << percent;
        // Inside the box, away from its texts, white.
        EXPECT_EQ(image.pixelColor(30 * p + p / 2, 14 * p + p / 2), QColor(Qt::white)) << percent;
        // The line into block 31 runs down column 15 between its bends (15, 30) and (15, 22).
        EXPECT_NE(image.pixelColor(15 * p, 26 * p), QColor(Qt::white)) << percent;
        EXPECT_EQ(image.pixelColor(17 * p, 26 * p), QColor(Qt::white)) << percent;
    }
}

TEST_F(AnaTanViewTest, ShowsMonitoredValuesOnlyWhileOnline)
{
    settings.ENABLE_GRID = 0;
    view->Redraw();
    // The value of 30.OT1 stands above block 31's input (column 22, rows 33..35).
    const QRect label(22 * 16 + 2, 33 * 16, 80, 16);
    const int offline = inkIn(picture(), label);
    online = true;
    view->Redraw();
    EXPECT_GT(inkIn(picture(), label), offline + 20);
    EXPECT_EQ(wiring::MonitorValueText(12345), " 123.45");
    EXPECT_EQ(wiring::MonitorValueText(5), "   0.05");
}

TEST_F(AnaTanViewTest, WheelScrollsOnePitchWithinTheScaledDiagram)
{
    view->SetZoom(50);
    QScrollBar* bar = view->verticalScrollBar();
    const auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &e);
    };
    wheel(-120);
    EXPECT_EQ(bar->value(), 8);
    wheel(120);
    wheel(120);
    EXPECT_EQ(bar->value(), 0);
    for (int i = 0; i < 400; ++i) wheel(-120);
    EXPECT_LE(bar->value() + view->viewport()->height(), 3390 / 2);
    EXPECT_GT(bar->value() + view->viewport()->height() + 8, 3390 / 2);
}

TEST(AnaTanScroll, CodesMoveByPitchPageOrRoundedThumb)
{
    using wiring::ScrollCode;
    struct Case {
        ScrollCode code;
        bool vertical;
        int position, thumb, expected;
    } cases[] = {
        {ScrollCode::LineUp, true, 64, 0, 48},       {ScrollCode::LineDown, false, 64, 0, 80},
        {ScrollCode::PageUp, true, 640, 0, 40},      {ScrollCode::PageDown, false, 64, 0, 664},
        {ScrollCode::ThumbTrack, true, 0, 71, 64},   {ScrollCode::ThumbPosition, false, 0, 72, 80},
        {ScrollCode::ThumbTrack, true, 0, 87, 80},   {ScrollCode::Top, true, 64, 0, 48},
        {ScrollCode::Top, false, 64, 0, 64},         {ScrollCode::Bottom, true, 64, 0, 80},
        {ScrollCode::Bottom, false, 64, 0, 64},      {ScrollCode::EndScroll, true, 64, 99, 64},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wiring::ScrollPositionAfter(c.code, c.vertical, c.position, c.thumb, 16, 600), c.expected)
            << static_cast<int>(c.code) << " " << c.vertical;
}

TEST_F(AnaTanViewTest, ScrollBarTopMovesTheVerticalBarOnePitchOnly)
{
    QScrollBar* v = view->verticalScrollBar();
    QScrollBar* h = view->horizontalScrollBar();
    v->setValue(160);
    h->setValue(160);
    v->triggerAction(QAbstractSlider::SliderToMinimum);
    h->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(v->value(), 144);
    EXPECT_EQ(h->value(), 160);
    v->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(v->value(), 160);
    v->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(v->value(), 144);
}

}  // namespace
}  // namespace kravin::test
