#include "block_list_view.h"

#include "text_codec.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace kravin::editors::blocks {

namespace {

int zoomed(int v, double zoom) { return static_cast<int>(v * zoom); }

}  // namespace

QFont BlockListPainter::font(int pixelHeight, double zoom) const
{
    QFont f;
    f.setFamilies({style_.fontFamily, res::japaneseFontFamily()});
    f.setPixelSize(std::max(1, zoomed(pixelHeight, zoom)));
    return f;
}

void BlockListPainter::paint(QPainter& p, const model::UnitContext& unit, int selected, double zoom, bool header)
{
    const int bank = unit.g_blockListBank;
    if (header) {
        p.setFont(font(18, zoom));
        p.setPen(style_.text);
        const int base = zoomed(8, zoom) + p.fontMetrics().ascent();
        p.drawText(zoomed(10, zoom), base, QString::fromStdString(stationHeaderText(unit.g_curStation)));
        p.drawText(zoomed(130, zoom), base, QString::fromStdString(cardHeaderText(unit.g_curCard)));
        const std::string kind(unit.model());
        const std::string version(unit.version().substr(0, std::min<std::size_t>(unit.version().size(), 4)));
        p.drawText(zoomed(328, zoom), base, model::cp932ToQString(kind + " " + version));
    }
    const QFont labelFont = font(10, zoom), nameFont = font(16, zoom);
    const int labelAscent = QFontMetrics(labelFont).ascent(), nameAscent = QFontMetrics(nameFont).ascent();
    for (int g = 0; g < model::kGroups; ++g) {
        const int position = groupPosition(unit, bank, g);
        if (position < 0) continue;
        const ListRect r = listCellRect(position);
        const QRect cell(zoomed(r.x, zoom), zoomed(r.y, zoom), zoomed(r.width, zoom), zoomed(r.height, zoom));
        const bool used = unit.g_unitBlocks[g][0] != 0;
        p.fillRect(cell, g == selected ? style_.selected : used ? style_.used : style_.empty);
        const QColor light = used ? style_.raisedLight : style_.sunkenDark;
        const QColor dark = used ? style_.raisedDark : style_.sunkenLight;
        p.setPen(light);
        p.drawLine(cell.topLeft(), cell.topRight());
        p.drawLine(cell.topLeft(), cell.bottomLeft());
        p.setPen(dark);
        p.drawLine(cell.bottomLeft(), cell.bottomRight());
        p.drawLine(cell.topRight(), cell.bottomRight());
        p.setPen(style_.text);
        p.setFont(labelFont);
        char label[8];
        std::snprintf(label, sizeof label, "G%02d", g);
        p.drawText(cell.x() + zoomed(4, zoom), cell.y() + zoomed(2, zoom) + labelAscent, QString::fromLatin1(label));
        if (used) {
            p.setFont(nameFont);
            p.drawText(cell.x() + zoomed(10, zoom), cell.y() + zoomed(12, zoom) + nameAscent,
                       QString::fromStdString(blockNameText(unit.g_unitBlocks[g])));
        }
    }
}

BlockListView::BlockListView(BlockListEditor& editor, model::UnitContext& unit, res::Language language,
                             BlockListStyle style, QWidget* parent)
    : QAbstractScrollArea(parent), editor_(editor), unit_(unit), language_(language), painter_(std::move(style))
{
    setObjectName(QStringLiteral("blockListView"));
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    updateScrollBars();
}

void BlockListView::SetZoom(int percent)
{
    zoom_ = percent >= 10 && percent <= 1000 ? percent * 0.01 : 1.0;
    updateScrollBars();
    viewport()->update();
}

void BlockListView::updateScrollBars()
{
    const QSize page = viewport()->size();
    const int w = zoomed(kListContentWidth, zoom_), h = zoomed(kListContentHeight, zoom_);
    horizontalScrollBar()->setRange(0, std::max(0, w - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setRange(0, std::max(0, h - page.height()));
    verticalScrollBar()->setPageStep(page.height());
}

void BlockListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

QPoint BlockListView::contentPoint(const QPoint& v) const
{
    return {static_cast<int>(std::floor((v.x() + horizontalScrollBar()->value()) / zoom_)),
            static_cast<int>(std::floor((v.y() + verticalScrollBar()->value()) / zoom_))};
}

int BlockListView::groupAt(const QPoint& point) const
{
    const QPoint c = contentPoint(point);
    return hitTestGroup(unit_, editor_.bank(), c.x(), c.y());
}

QPoint BlockListView::cellCentre(int group) const
{
    const int position = groupPosition(unit_, editor_.bank(), group);
    if (position < 0) return {-1, -1};
    const ListRect r = listCellRect(position);
    return {zoomed(r.x + r.width / 2, zoom_) - horizontalScrollBar()->value(),
            zoomed(r.y + r.height / 2, zoom_) - verticalScrollBar()->value()};
}

void BlockListView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), painter_.style().background);
    p.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    painter_.paint(p, unit_, editor_.selectedGroup(), zoom_, true);
    if (slotState && slotState->load() >= 3) slotState->store(2);
}

bool BlockListView::refuseOnline()
{
    if (!editor_.hostOnline()) return false;
    QApplication::beep();
    return true;
}

void BlockListView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    if (refuseOnline()) return;
    const int g = groupAt(event->position().toPoint());
    if (g < 0) return;
    editor_.select(g);
    viewport()->update();
}

void BlockListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    if (refuseOnline()) return;
    const DoubleClickAction action = editor_.doubleClick(groupAt(event->position().toPoint()));
    viewport()->update();
    if (action == DoubleClickAction::BlockSetting) edited(editor_.blockSetting());
    if (action == DoubleClickAction::ChangeFunction) edited(editor_.changeFunction());
}

std::vector<int> BlockListView::contextMenuAt(const QPoint& point)
{
    if (refuseOnline()) return {};
    const int g = groupAt(point);
    std::vector<int> menu = editor_.contextMenu(g);
    viewport()->update();
    return menu;
}

void BlockListView::contextMenuEvent(QContextMenuEvent* event)
{
    const std::vector<int> commands = contextMenuAt(event->pos());
    if (commands.empty()) return;
    QMenu menu(this);
    for (const int id : commands) {
        if (id == blkcmd::Separator) {
            menu.addSeparator();
            continue;
        }
        QAction* a = menu.addAction(res::qmessage(id, language_));
        a->setData(id);
        a->setEnabled(!isTransferCommand(id) || editor_.commandEnabled(id));
    }
    if (QAction* chosen = menu.exec(event->globalPos())) execute(chosen->data().toInt());
}

void BlockListView::edited(EditResult result)
{
    viewport()->update();
    if (result == EditResult::Done) Q_EMIT blocksChanged();
}

bool BlockListView::execute(int command)
{
    using namespace blkcmd;
    if (command == BlockListRedraw) {
        viewport()->update();
        editor_.blocksRedrawn();
        Q_EMIT blocksChanged();
        return true;
    }
    if (command == EditUndo || command == EditRedo) {
        if (!editor_.commandEnabled(command)) return false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const model::StepResult r = command == EditUndo ? editor_.undo() : editor_.redo();
        QApplication::restoreOverrideCursor();
        edited(r == model::StepResult::Nothing ? EditResult::Nothing : EditResult::Done);
        return true;
    }
    if (isTransferCommand(command)) return editor_.runTransfer(command);
    if (editor_.hostOnline()) return false;
    switch (command) {
    case BlockSetting: edited(editor_.blockSetting()); return true;
    case ChangeFunction: edited(editor_.changeFunction()); return true;
    case Move:
    case EditCut: edited(editor_.cut()); return true;
    case Copy:
    case EditCopy: edited(editor_.copy()); return true;
    case Paste:
    case EditPaste: edited(editor_.paste()); return true;
    case Delete:
    case EditDelete: edited(editor_.deleteFunction()); return true;
    default: return false;
    }
}

bool BlockListView::changeFunctionAt(const QPoint& point, const std::string& functionName)
{
    if (refuseOnline()) return false;
    const int g = groupAt(point);
    if (g < 0) return false;
    editor_.select(g);
    const EditResult r = editor_.changeFunction(functionName);
    edited(r);
    return r == EditResult::Done;
}

void BlockListView::switchBank()
{
    if (editor_.switchBank()) viewport()->update();
}

}  // namespace kravin::editors::blocks
