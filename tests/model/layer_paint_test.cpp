#include "layer_paint.h"

#include "comment_layer.h"
#include "figure_layer.h"
#include "temp_dir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

class LayerPaintTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QGuiApplication::instance()) {
            static int argc = 1;
            static char name[] = "layer_paint_test";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }

    kravin::test::TempDir dir;
    QImage image{200, 200, QImage::Format_RGB32};
    void SetUp() override { image.fill(Qt::white); }
    QColor at(int x, int y) const { return image.pixelColor(x, y); }
};

TEST_F(LayerPaintTest, CommentBoxFillFrameAndSelection)
{
    CCommentMap map(LayerEnv{}, dir.str(), "c.KRAB");
    CommentRecord r;
    r.inUse = kSlotUsed;
    r.x = 2;
    r.y = 3;
    r.width = 6;
    r.height = 4;
    r.colour = 0x00FF0000;  // blue as COLORREF
    ASSERT_TRUE(map.AddRecord(r));
    {
        QPainter p(&image);
        DrawComments(p, map, 0, 10.0, 0, 0);
    }
    EXPECT_EQ(at(50, 60), QColor(0, 0, 255));   // inside, clear of the text
    EXPECT_EQ(at(20, 45), QColor(Qt::black));   // left edge
    EXPECT_EQ(at(50, 70), QColor(Qt::black));   // bottom edge
    EXPECT_EQ(at(10, 10), QColor(Qt::white));   // outside

    map.SelectAt(3, 4, false);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        DrawComments(p, map, 0, 10.0, 0, 0);
    }
    EXPECT_EQ(at(19, 45).green(), 255);  // the ring just outside the box
    EXPECT_EQ(at(19, 45).red(), 0);
}

TEST_F(LayerPaintTest, OffsetAndDragOutline)
{
    CCommentMap map(LayerEnv{}, dir.str(), "c.KRAB");
    CommentRecord r;
    r.inUse = kSlotUsed;
    r.x = 5;
    r.y = 5;
    r.width = 2;
    r.height = 2;
    r.colour = 0x0000FF00;
    ASSERT_TRUE(map.AddRecord(r));
    map.SelectAt(5, 5, false);
    map.SetDragPoint(8, 5);  // three cells right
    {
        QPainter p(&image);
        DrawComments(p, map, 1, 10.0, 20, 0);  // scrolled by 20 pixels
    }
    EXPECT_EQ(at(40, 60), QColor(0, 255, 0));   // box drawn at 50 - 20
    EXPECT_NE(at(60, 60), QColor(Qt::white));   // its drag outline from 80 - 20
    image.fill(Qt::white);
    {
        QPainter p(&image);
        DrawComments(p, map, 0, 10.0, 20, 0);  // mode 0: no outline
    }
    EXPECT_EQ(at(60, 60), QColor(Qt::white));
}

TEST_F(LayerPaintTest, DotsAreFilledCircles)
{
    CFigureMap map(LayerEnv{}, dir.str(), "f.KRAB");
    ASSERT_TRUE(map.RestoreSlot(0, {0, 10, 10, 0x000000FF, 2, kSlotUsed}));
    {
        QPainter p(&image);
        DrawFigures(p, map, 0, 8.0, 0, 0);
    }
    EXPECT_EQ(at(80, 80), QColor(255, 0, 0));  // centre
    EXPECT_EQ(at(65, 65), QColor(Qt::white));  // outside the circle, inside its box
    EXPECT_EQ(at(80, 86), QColor(255, 0, 0));
    EXPECT_EQ(at(80, 90), QColor(Qt::white));
}

TEST(ResizeCursor, OneShapePerHandlePair)
{
    EXPECT_EQ(ResizeCursor(1), Qt::SizeFDiagCursor);
    EXPECT_EQ(ResizeCursor(5), Qt::SizeFDiagCursor);
    EXPECT_EQ(ResizeCursor(3), Qt::SizeBDiagCursor);
    EXPECT_EQ(ResizeCursor(7), Qt::SizeBDiagCursor);
    EXPECT_EQ(ResizeCursor(2), Qt::SizeVerCursor);
    EXPECT_EQ(ResizeCursor(6), Qt::SizeVerCursor);
    EXPECT_EQ(ResizeCursor(4), Qt::SizeHorCursor);
    EXPECT_EQ(ResizeCursor(8), Qt::SizeHorCursor);
    EXPECT_EQ(ResizeCursor(0), Qt::ArrowCursor);
}

}  // namespace
}  // namespace kravin::model
