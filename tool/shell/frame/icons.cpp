#include "icons.h"

#include "command_ids.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace kravin::shell {

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 48);
const QColor kPaper(250, 250, 250);
const QColor kBlue(40, 110, 200);
const QColor kYellow(240, 200, 60);
const QColor kGreen(40, 170, 70);
const QColor kRed(210, 50, 50);

// Draws on a 16 x 16 grid, scaled to each size.
QIcon paint(const Draw& draw)
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(kInk, 1));
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void page(QPainter& p, QRectF r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 3, r.top()), QPointF(r.right() - 3, r.top() + 3));
    p.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.right(), r.top() + 3));
}

void lines(QPainter& p, double x, double y, double w, int count, double step = 2.5)
{
    for (int i = 0; i < count; ++i) p.drawLine(QPointF(x, y + i * step), QPointF(x + w, y + i * step));
}

void arrow(QPainter& p, bool forward)
{
    p.setPen(QPen(kBlue, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    if (forward) {
        arc.moveTo(3, 12);
        arc.cubicTo(3, 5, 10, 4, 12, 8);
        p.drawPath(arc);
        p.drawLine(QPointF(12, 8), QPointF(13.5, 4.5));
        p.drawLine(QPointF(12, 8), QPointF(8.5, 7));
    } else {
        arc.moveTo(13, 12);
        arc.cubicTo(13, 5, 6, 4, 4, 8);
        p.drawPath(arc);
        p.drawLine(QPointF(4, 8), QPointF(2.5, 4.5));
        p.drawLine(QPointF(4, 8), QPointF(7.5, 7));
    }
}

void align(QPainter& p, int mode)
{
    p.setPen(QPen(kInk, 1.5));
    const double widths[] = {12, 8, 11, 6};
    for (int i = 0; i < 4; ++i) {
        const double w = widths[i];
        const double x = mode == 0 ? 2 : mode == 1 ? 8 - w / 2 : 14 - w;
        p.drawLine(QPointF(x, 3.5 + i * 3), QPointF(x + w, 3.5 + i * 3));
    }
}

void boxGrid(QPainter& p)
{
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(kBlue);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) p.drawRect(QRectF(3 + c * 4, 4.5 + r * 4.5, 2.5, 3));
}

}  // namespace

QIcon commandIcon(int id)
{
    switch (id) {
    case cmd::FileNew:
        return paint([](QPainter& p) { page(p, {3.5, 1.5, 9, 13}); });
    case cmd::FileOpen:
        return paint([](QPainter& p) {
            p.setBrush(kYellow.darker(115));
            p.drawRect(QRectF(1.5, 4.5, 12, 9));
            p.setBrush(kYellow);
            QPolygonF front{{3.5, 7.5}, {15, 7.5}, {13.5, 13.5}, {1.5, 13.5}};
            p.drawPolygon(front);
        });
    case cmd::FileSave:
        return paint([](QPainter& p) {
            p.setBrush(kBlue);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(kPaper);
            p.drawRect(QRectF(4, 1.5, 8, 5));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(4, 9.5, 8, 5));
        });
    case cmd::FilePrint:
    case cmd::ToolPrint:
        return paint([](QPainter& p) {
            page(p, {4.5, 1.5, 7, 6});
            p.setBrush(QColor(170, 170, 180));
            p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(4.5, 10.5, 7, 4));
            p.setPen(kGreen);
            p.drawPoint(QPointF(12.5, 8.5));
        });
    case cmd::ToolPreview:
        return paint([](QPainter& p) {
            page(p, {1.5, 1.5, 9, 12});
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(200, 230, 255, 200));
            p.drawEllipse(QPointF(9, 8), 3.2, 3.2);
            p.drawLine(QPointF(11.4, 10.4), QPointF(14.5, 13.5));
        });
    case cmd::EditCut:
        return paint([](QPainter& p) {
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(5, 1.5), QPointF(10, 10));
            p.drawLine(QPointF(11, 1.5), QPointF(6, 10));
            p.setPen(QPen(kRed, 1.4));
            p.drawEllipse(QPointF(4.5, 12), 2.2, 2.2);
            p.drawEllipse(QPointF(11.5, 12), 2.2, 2.2);
        });
    case cmd::EditCopy:
        return paint([](QPainter& p) {
            page(p, {1.5, 1.5, 8, 10});
            page(p, {6.5, 4.5, 8, 10});
        });
    case cmd::EditPaste:
        return paint([](QPainter& p) {
            p.setBrush(QColor(180, 130, 70));
            p.drawRoundedRect(QRectF(2.5, 2.5, 10, 12), 1, 1);
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(5, 1.5, 5, 2.5));
            page(p, {7.5, 6.5, 7, 8});
        });
    case cmd::EditUndo:
        return paint([](QPainter& p) { arrow(p, false); });
    case cmd::EditRedo:
        return paint([](QPainter& p) { arrow(p, true); });
    case cmd::EditDelete:
        return paint([](QPainter& p) {
            p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
        });
    case cmd::EditComment:
        return paint([](QPainter& p) {
            p.setBrush(QColor(255, 250, 200));
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(1.5, 2.5, 13, 8), 2, 2);
            p.drawPath(bubble);
            QPolygonF tail{{4.5, 10.5}, {4, 14}, {8, 10.5}};
            p.drawPolygon(tail);
            lines(p, 4, 5, 8, 2);
        });
    case cmd::AlignLeft: return paint([](QPainter& p) { align(p, 0); });
    case cmd::AlignCenter: return paint([](QPainter& p) { align(p, 1); });
    case cmd::AlignRight: return paint([](QPainter& p) { align(p, 2); });
    case cmd::ViewSystem:
        return paint([](QPainter& p) { boxGrid(p); });
    case cmd::ViewDenTan:
        return paint([](QPainter& p) {
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 1.5, 5, 4));
            p.drawRect(QRectF(9.5, 10.5, 5, 4));
            p.setPen(QPen(kBlue, 1.3));
            p.setBrush(Qt::NoBrush);
            const QPointF wire[] = {{4, 5.5}, {4, 8}, {12, 8}, {12, 10.5}};
            p.drawPolyline(wire, 4);
        });
    case cmd::ViewBlkList:
        return paint([](QPainter& p) {
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(kBlue);
            for (int i = 0; i < 4; ++i) p.drawRect(QRectF(3, 3.5 + i * 2.8, 1.5, 1.5));
            lines(p, 6, 4.2, 7, 4, 2.8);
        });
    case cmd::ViewAnaTan:
        return paint([](QPainter& p) {
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 4.5, 4, 7));
            p.drawRect(QRectF(10.5, 4.5, 4, 7));
            p.setPen(QPen(kGreen.darker(120), 1.3));
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(5.5, 6.5), QPointF(10.5, 6.5));
            const QPointF wire[] = {{5.5, 9.5}, {8, 9.5}, {8, 12.5}, {10.5, 12.5}};
            p.drawPolyline(wire, 4);
        });
    case cmd::ViewSeqBlk:
        return paint([](QPainter& p) {
            p.setBrush(kPaper);
            for (int i = 0; i < 3; ++i) p.drawRect(QRectF(4.5, 1.5 + i * 5, 7, 3));
            p.drawLine(QPointF(8, 4.5), QPointF(8, 6.5));
            p.drawLine(QPointF(8, 9.5), QPointF(8, 11.5));
        });
    case cmd::ViewLadder:
        return paint([](QPainter& p) {
            p.setPen(QPen(kInk, 1.3));
            p.drawLine(QPointF(2, 1.5), QPointF(2, 14.5));
            p.drawLine(QPointF(14, 1.5), QPointF(14, 14.5));
            for (int r = 0; r < 2; ++r) {
                const double y = 5 + r * 6;
                p.drawLine(QPointF(2, y), QPointF(5, y));
                p.drawLine(QPointF(5, y - 2), QPointF(5, y + 2));
                p.drawLine(QPointF(7, y - 2), QPointF(7, y + 2));
                p.drawLine(QPointF(7, y), QPointF(10, y));
                p.drawEllipse(QPointF(11.5, y), 1.5, 1.5);
                p.drawLine(QPointF(13, y), QPointF(14, y));
            }
        });
    case cmd::Ht9Simulation:
        return paint([](QPainter& p) {
            p.setBrush(QColor(90, 90, 100));
            p.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 1.5, 1.5);
            p.setBrush(QColor(160, 220, 160));
            p.drawRect(QRectF(5, 2, 6, 3.5));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(230, 230, 230));
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) p.drawRect(QRectF(5 + c * 2.2, 7 + r * 2.5, 1.5, 1.5));
        });
    case cmd::Option:
        return paint([](QPainter& p) {
            p.setBrush(QColor(150, 150, 160));
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(i * 45);
                p.drawRect(QRectF(-1.2, -7, 2.4, 3));
                p.restore();
            }
            p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
        });
    case cmd::HelpAbout:
    case cmd::HelpBlockList:
    case cmd::ToolHelp:
        return paint([](QPainter& p) {
            p.setBrush(kBlue);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(8, 8), 7, 7);
            p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
            QPainterPath q;
            q.moveTo(5.8, 6);
            q.cubicTo(5.8, 3, 10.2, 3, 10.2, 6);
            q.cubicTo(10.2, 7.5, 8, 7.8, 8, 9.5);
            p.setBrush(Qt::NoBrush);
            p.drawPath(q);
            p.drawPoint(QPointF(8, 12));
        });
    case cmd::OnlineMonitor: return onlineIcon(OnlineImage::Off);
    default: return {};
    }
}

QIcon onlineIcon(OnlineImage image)
{
    return paint([image](QPainter& p) {
        // A monitor screen whose lamp shows the link.
        p.setBrush(QColor(60, 60, 70));
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 9), 1, 1);
        p.drawLine(QPointF(8, 11.5), QPointF(8, 13.5));
        p.drawLine(QPointF(5, 14), QPointF(11, 14));
        QColor lamp = image == OnlineImage::Off ? QColor(130, 130, 130)
                      : image == OnlineImage::OnA ? kGreen
                                                  : QColor(255, 220, 60);
        p.setPen(Qt::NoPen);
        p.setBrush(lamp);
        p.drawEllipse(QPointF(8, 7), 3, 3);
    });
}

QIcon applicationIcon()
{
    return paint([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 3.5), QPointF(5, 12.5));
        p.drawLine(QPointF(5, 8), QPointF(11, 3.5));
        p.drawLine(QPointF(6.5, 7), QPointF(11, 12.5));
    });
}

}  // namespace kravin::shell
