// Pixel probes of the communication diagram's drawing: terminal shapes and
// fills by kind and link, grey numbers of unused terminals, connection runs
// and a white line printed black.
#include "dentan_draw.h"
#include "tan_draw.h"

#include "pdf_pages.h"
#include "qt_app.h"
#include "temp_dir.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace kravin::wiring::comm {
namespace {

constexpr int kPitch = 16;
const QColor kBlue(0, 0, 255);     // the background, 0xFF0000 as a COLORREF
const QColor kYellow(255, 255, 0);
const QColor kGrey(135, 135, 135);

class DenTanDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::qtApp();
        table = std::make_unique<model::CommLinkTable>();
        // Station 10 at (2, 16), its card 0 at (40, 16).
        model::CommLinkSlot& st = table->slots[10][0];
        st.used = 1;
        std::memcpy(st.kind.data(), "RNH6    ", 8);
        st.x = 2, st.y = 16;
        st.terminals[1].kind = 2;   // CDO, top, linked to the PC
        st.terminals[1].link = 2;
        st.terminals[10].kind = 4;  // CAO, bottom
        st.terminals[11].kind = 2;  // CDO, bottom
        st.terminals[9].kind = 2;   // CDO, bottom: the source below
        model::CommLinkSlot& card = table->slots[10][1];
        card.used = 1;
        std::memcpy(card.kind.data(), "QV200   ", 8);
        card.x = 40, card.y = 16;
        model::CommLinkTerminal& r = card.terminals[3];  // CDI, top, from the station's terminal 20
        r.kind = 1;
        r.link = 1;
        r.colour = 0x0000FF;
        r.sourceStation = 10;
        r.sourceCard = -1;
        r.startX = 51, r.startY = 12;
        r.points = 2;
        r.pointX[0] = 51, r.pointY[0] = 8;
        r.pointX[1] = 7, r.pointY[1] = 8;
        r.endX = 7, r.endY = 21;
        style.background = 0xFF0000;
        style.font.setPixelSize(12);
        style.font.setStyleStrategy(QFont::NoAntialias);
    }

    QImage render()
    {
        QImage image(1200, 500, QImage::Format_RGB32);
        QPainter painter(&image);
        DrawCommDiagram(painter, *table, {}, kPitch, 0, 0, image.width(), image.height(), style, {});
        return image;
    }

    static int count(const QImage& image, QRect r, QColor c)
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y) == c;
        return n;
    }

    std::unique_ptr<model::CommLinkTable> table;
    DenTanDrawStyle style;
};

TEST_F(DenTanDrawTest, TerminalShapesByKindAndLink)
{
    const QImage image = render();
    // Inside the box: white; outside: the background.
    EXPECT_EQ(image.pixelColor(200, 16 * 16), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 16 * 16), kBlue);
    // Terminal 11 has no kind: its number in grey, no shape above the box.
    EXPECT_GT(count(image, QRect(3 * 16, 12 * 16, 24, 14), kGrey), 4);
    EXPECT_EQ(image.pixelColor(3 * 16 + 8, 11 * 16), kBlue);
    // Terminal 12 is linked to the PC: filled yellow outside the box, and no line leaves it.
    EXPECT_EQ(image.pixelColor(8 * 16, 12 * 16 - 4), kYellow);
    EXPECT_EQ(image.pixelColor(6 * 16, 9 * 16), kBlue);
    // Terminal 21 (CAO, bottom) ends in a point at U + 2 one unit below its rectangle;
    // terminal 22 (CDO) stops at the rectangle.
    EXPECT_EQ(image.pixelColor(10 * 16, 23 * 16 + 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(13 * 16, 23 * 16 + 10), kBlue);
    EXPECT_EQ(image.pixelColor(13 * 16, 22 * 16), QColor(Qt::white));
}

TEST_F(DenTanDrawTest, ConnectionRunsInItsColourAndAWhiteLinePrintsBlack)
{
    QImage image = render();
    // The horizontal run at row 8 between the two bends, in red.
    EXPECT_EQ(image.pixelColor(30 * 16, 8 * 16), QColor(255, 0, 0));
    // The last segment reaches down to the far CDO's row 21 + 2 (kinds differ).
    EXPECT_EQ(image.pixelColor(7 * 16, 20 * 16), QColor(255, 0, 0));

    table->slots[10][1].terminals[3].colour = 0xFFFFFF;
    image = render();
    EXPECT_EQ(image.pixelColor(30 * 16, 8 * 16), QColor(Qt::white));
    style.printing = true;
    image = render();
    EXPECT_EQ(image.pixelColor(30 * 16, 8 * 16), QColor(Qt::black));
}

TEST_F(DenTanDrawTest, DottedRunsAreOneOnTwoOffAndSolidRunsCloseTheirCorners)
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        // Reaching far past the image: only its dots on the image are made.
        TanDrawPath(painter, TanMakeLinePen(1, 0, 0x000000), QPolygon({QPoint(10, 20), QPoint(100000, 20)}));
        TanDrawPath(painter, TanMakeLinePen(0, 1, 0x0000FF), QPolygon({QPoint(10, 60), QPoint(60, 60), QPoint(60, 90)}));
    }
    std::string row;
    for (int x = 10; x < 22; ++x) row += image.pixelColor(x, 20) == QColor(Qt::black) ? '#' : '.';
    EXPECT_EQ(row, "#..#..#..#..");
    EXPECT_EQ(image.pixelColor(199, 20) == QColor(Qt::black), (199 - 10) % 3 == 0);
    // Width 3 (width code 1 + 2): the corner at (60, 60) is filled on its outer side.
    EXPECT_EQ(image.pixelColor(61, 59), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(60, 88), QColor(255, 0, 0));
}

TEST_F(DenTanDrawTest, DottedRunsOnAScaledPainterKeepEveryRunThatShows)
{
    // A page drawn in 4 times finer units than the image's pixels, clipped to
    // a window: the runs beyond the image's own pixel count still show.
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(0.25, 0.25);
        painter.setClipRect(QRect(0, 0, 760, 360));
        // A bent wire: up, across the top, down (all dotted, width 3 after scaling to 12 units).
        TanDrawPath(painter, TanMakeLinePen(1, 11, 0x000000),
                    QPolygon({QPoint(600, 300), QPoint(600, 40), QPoint(700, 40), QPoint(700, 300)}));
    }
    const auto darkIn = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) n += qGray(image.pixel(x, y)) < 128;
        return n;
    };
    EXPECT_GT(darkIn(148, 20, 152, 70), 0);    // the first vertical run (x 600 / 4)
    EXPECT_GT(darkIn(155, 8, 170, 12), 0);     // the top run
    EXPECT_GT(darkIn(173, 20, 177, 70), 0);    // the second vertical run
    EXPECT_EQ(darkIn(191, 0, 199, 99), 0);     // nothing right of the clip
}

TEST_F(DenTanDrawTest, AnalogValuesGetAPointAndDigitalOnesHex)
{
    EXPECT_EQ(CommValueText(3, 1234), "12.34");
    EXPECT_EQ(CommValueText(3, 5), "0.05");
    EXPECT_EQ(CommValueText(4, -50), "-0.50");
    EXPECT_EQ(CommValueText(1, 0x1F), "001F");
    EXPECT_EQ(CommValueText(2, -1), "FFFF");
}

// Two named connections from station 04's card to one far terminal: the far
// terminal is the station 00 RNH6's terminal 11 or the station 00 QV110 card
// 2's terminal 19. Their labels at the shared end stand one pitch apart, each
// in its own place, as does each near label.
TEST(DenTanJumpLabels, LabelsSharingAFarTerminalStackOnePitchApart)
{
    test::qtApp();
    struct Case {
        const char* name;
        int farCard;   // -1 for the station's own terminals
        int farIndex;  // terminal - 11
        int nearIndex; // the first of the two near terminals
    };
    for (const Case& c : {Case{"RNH6 terminal 11", -1, 0, 1}, Case{"QV110 card 2 terminal 19", 1, 8, 3}}) {
        SCOPED_TRACE(c.name);
        model::CommLinkTable table;
        model::CommLinkSlot& far = table.slots[0][static_cast<std::size_t>(c.farCard + 1)];
        far.used = 1;
        std::memcpy(far.kind.data(), c.farCard < 0 ? "RNH6    " : "QV110   ", 8);
        far.x = 2, far.y = 20;
        far.terminals[static_cast<std::size_t>(c.farIndex)].kind = 2;  // CDO
        model::CommLinkSlot& near = table.slots[4][1];
        near.used = 1;
        std::memcpy(near.kind.data(), "QV200   ", 8);
        near.x = 60, near.y = 20;
        int fx = 0, fy = 0;
        TerminalAnchor(far.x, far.y, c.farIndex, &fx, &fy);
        const char* names[] = {"K1", "K2"};
        for (int i = 0; i < 2; ++i) {
            const int index = c.nearIndex + i;
            model::CommLinkTerminal& r = near.terminals[static_cast<std::size_t>(index)];
            r.kind = 1;  // CDI
            r.link = 1;
            std::memcpy(r.text.data(), names[i], 2);
            r.sourceStation = 0;
            r.sourceCard = static_cast<std::int8_t>(c.farCard);
            r.sourceTerminal = static_cast<std::uint8_t>(c.farIndex + 11);
            int x = 0, y = 0;
            TerminalAnchor(near.x, near.y, index, &x, &y);
            r.startX = static_cast<std::int16_t>(x), r.startY = static_cast<std::int16_t>(y);
            r.endX = static_cast<std::int16_t>(fx), r.endY = static_cast<std::int16_t>(fy);
        }
        test::TempDir dir;
        const std::string path = dir.str() + "/labels.pdf";
        {
            QPdfWriter writer(QString::fromStdString(path));
            writer.setResolution(72);  // one unit a point
            writer.setPageSize(QPageSize(QSizeF(1200, 800), QPageSize::Point));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&writer);
            DenTanDrawStyle style;
            style.grid = false;
            style.background = 0xFFFFFF;
            style.font.setPixelSize(10);
            DrawCommDiagram(painter, table, {}, kPitch, 0, 0, writer.width(), writer.height(), style, {});
        }
        const auto pages = test::pdfPageWords(path);
        ASSERT_EQ(pages.size(), 1u);
        // Each name shows at its near terminal and at the far one.
        std::vector<test::PdfWord> atFar, atNear;
        for (const test::PdfWord& w : pages[0]) {
            if (w.text != "K1" && w.text != "K2") continue;
            (w.xMin < 40 * kPitch ? atFar : atNear).push_back(w);
        }
        ASSERT_EQ(atFar.size(), 2u);
        ASSERT_EQ(atNear.size(), 2u);
        EXPECT_NEAR(atFar[0].xMin, atFar[1].xMin, 1);
        EXPECT_NEAR(std::abs(atFar[0].yMin - atFar[1].yMin), kPitch, 1);
        EXPECT_GT(std::abs(atNear[0].xMin - atNear[1].xMin), 2 * kPitch);
    }
}

}  // namespace
}  // namespace kravin::wiring::comm
