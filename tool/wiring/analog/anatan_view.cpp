#include "anatan_view.h"

#include "busy_dialog.h"
#include "layer_paint.h"
#include "tan_draw.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace kravin::wiring {

namespace {

constexpr std::int32_t kHighlight = 0x0000FF;  // red: selected line, outlines, selected marks

}  // namespace

AnaTanView::AnaTanView(AnaTanServices services, QWidget* parent)
    : TanView(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("anaTanView"));
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(res::qmessage(6001, services_.language).trimmed());
    qtDialogs_ = std::make_unique<QtAnaTanDialogs>(services_.language, this);
    dialogs_ = qtDialogs_.get();
    editor_ = std::make_unique<AnaTanEditor>(*services_.unit, *this);
    const int unit = services_.settings ? services_.settings->AC_UNIT : kBasePitch;
    setZoomFactor(std::clamp(unit, 4, 32) / static_cast<double>(kBasePitch));
    style_.font.setPixelSize(std::max(1, pitch() * 3 / 4));
    if (services_.settings) {
        style_.background = services_.settings->BACK_COLOR;
        style_.grid = services_.settings->ENABLE_GRID != 0;
    }
    syncEditor();
    editor_->open();
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) { scrollAction(bar, action); });
}

void AnaTanView::scrollAction(QScrollBar* bar, int action)
{
    ScrollCode code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = ScrollCode::LineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = ScrollCode::LineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = ScrollCode::PageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = ScrollCode::PageDown; break;
    case QAbstractSlider::SliderMove: code = ScrollCode::ThumbTrack; break;
    case QAbstractSlider::SliderToMinimum: code = ScrollCode::Top; break;
    case QAbstractSlider::SliderToMaximum: code = ScrollCode::Bottom; break;
    default: return;
    }
    const bool vertical = bar == verticalScrollBar();
    // The slider has moved already; its value is still the old position.
    const int target = ScrollPositionAfter(code, vertical, bar->value(), bar->sliderPosition(), pitch(),
                                           vertical ? height() : width());
    bar->setSliderPosition(std::clamp(target, bar->minimum(), bar->maximum()));
}

AnaTanView::~AnaTanView() = default;

void AnaTanView::syncEditor() { editor_->setView(pitch(), horizontalScrollBar()->value(), verticalScrollBar()->value()); }

void AnaTanView::after(bool repaint)
{
    if (repaint) viewport()->update();
    if (services_.changed) services_.changed();
}

bool AnaTanView::online() const { return services_.online && services_.online(); }

void AnaTanView::beep() { QApplication::beep(); }

void AnaTanView::setModified()
{
    if (services_.setModified) services_.setModified();
}

std::optional<int> AnaTanView::selectGroup(const std::string& code5)
{
    return dialogs_->selectGroup(*services_.unit, code5);
}

void AnaTanView::rebuildCommTable()
{
    if (!services_.rebuildCommTable) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        editors::BusyDialog busy(this, services_.language);
        busy.show();
        services_.rebuildCommTable([&busy] { busy.step(); });
    }
    QApplication::restoreOverrideCursor();
}

int AnaTanView::lineKind() const { return services_.settings ? services_.settings->AC_LKIND : 0; }
std::int32_t AnaTanView::lineColour() const { return services_.settings ? services_.settings->AC_LCOL : 0; }

void AnaTanView::setLineFormat(int kind, std::int32_t colour)
{
    if (!services_.settings) return;
    services_.settings->AC_LKIND = kind;
    services_.settings->AC_LCOL = colour;
    if (services_.saveSettings) services_.saveSettings();
}

void AnaTanView::SetZoom(int percent)
{
    setZoomFactor(std::clamp(percent, 25, 200) * 0.01);
    if (services_.settings) {
        services_.settings->AC_UNIT = pitch();
        if (services_.saveSettings) services_.saveSettings();
    }
    style_.font.setPixelSize(std::max(1, pitch() * 3 / 4));
    syncEditor();
    viewport()->update();
}

void AnaTanView::Redraw()
{
    showValues_ = online();
    if (services_.settings) {
        style_.background = services_.settings->BACK_COLOR;
        style_.grid = services_.settings->ENABLE_GRID != 0;
    }
    viewport()->update();
}

void AnaTanView::ResetOrigin()
{
    setScroll(0, 0);
    syncEditor();
    viewport()->update();
}

bool AnaTanView::AddCommentAtCenter()
{
    const bool changed = editor_->AddCommentAtCenter(viewport()->width(), viewport()->height());
    after(changed);
    return changed;
}

bool AnaTanView::ConfirmOpenJumps() { return editor_->ConfirmOpenJumps(); }

bool AnaTanView::canUndo() const
{
    return services_.undo && (services_.undo->CanUndo() || editor_->lineChangeOpen()) && !online();
}
bool AnaTanView::canRedo() const { return services_.undo && services_.undo->CanRedo() && !online(); }

bool AnaTanView::canDelete() const
{
    const AnaTanEditor& e = *editor_;
    return (e.comments() && e.comments()->HasEntries()) || e.moveList().IsSelected() || e.line().selected ||
           (e.figures() && e.figures()->HasEntries()) || !e.selectedJumps().empty();
}

void AnaTanView::undoEdit()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    editor_->Undo();
    QApplication::restoreOverrideCursor();
    after(true);
}

void AnaTanView::redoEdit()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    editor_->Redo();
    QApplication::restoreOverrideCursor();
    after(true);
}

void AnaTanView::deleteSelection() { after(editor_->DeleteSelection()); }
void AnaTanView::selectAll() { after(editor_->SelectAll()); }
void AnaTanView::alignLeft() { after(editor_->AlignLeft()); }
void AnaTanView::alignCenter() { after(editor_->AlignCenter()); }
void AnaTanView::alignRight() { after(editor_->AlignRight()); }

bool AnaTanView::IsPointOnCanvas(const QPoint& p) const
{
    return 0 <= p.x() && p.x() <= canvasWidth() && 0 <= p.y() && p.y() <= canvasHeight();
}

bool AnaTanView::dropBlock(const QPoint& point, const std::string& code, const std::string& name)
{
    syncEditor();
    const bool changed = editor_->ChangeFunction(point.x(), point.y(), code, name);
    after(changed);
    return changed;
}

void AnaTanView::render(QPainter& painter, const QSize& size)
{
    const AnaTanEditor& e = *editor_;
    const int p = e.pitch(), sx = e.scrollX(), sy = e.scrollY();
    const MonitorValueFn none;
    DrawAnalogDiagram(painter, e.diagram(), e.openJumps(), p, sx, sy, size.width(), size.height(), style_,
                      showValues_ && online() ? services_.monitorValue : none);
    drawOverlays(painter);
    const int mode = e.blocksMoving() ? 4 : 1;
    if (e.comments()) model::DrawComments(painter, *e.comments(), mode, p, sx, sy);
    if (e.figures()) model::DrawFigures(painter, *e.figures(), mode, p, sx, sy);
}

void AnaTanView::drawOverlays(QPainter& painter)
{
    const AnaTanEditor& e = *editor_;
    const int p = e.pitch(), sx = e.scrollX(), sy = e.scrollY();
    const auto px = [&](double g) { return TanGridToPixelF(g, p, sx); };
    const auto py = [&](double g) { return TanGridToPixelF(g, p, sy); };
    const LineWork& l = e.line();
    if (l.mode != 0) {
        painter.setPen(TanMakeLinePen(FormatStyle(l.format), FormatWidth(l.format), l.colour));
        QPolygon path;
        path << QPoint(px(l.start.x), py(l.start.y));
        for (const GridPointF& q : l.points) path << QPoint(px(q.x), py(q.y));
        path << QPoint(px(l.rubber.x), py(l.rubber.y));
        painter.drawPolyline(path);
    }
    const AnalogDiagram& d = e.diagram();
    painter.setBrush(Qt::NoBrush);
    const auto delta = e.moveList().GetDragDelta();
    for (const MoveRecord& r : e.moveList().records()) {
        const DiagramBlock& b = d.blocks[static_cast<std::size_t>(r.block)];
        const int w = std::max(15, b.width);
        painter.setPen(QPen(colorOf(kHighlight), 1, Qt::DashLine));
        painter.drawRect(QRect(QPoint(TanGridToPixel(b.x, p, sx) - 2, TanGridToPixel(b.y - 4, p, sy) - 2),
                               QPoint(TanGridToPixel(b.x + w + 1, p, sx) + 2, TanGridToPixel(b.y + 5, p, sy) + 2)));
        if (e.blocksMoving()) {
            painter.setPen(QPen(colorOf(kHighlight), 1, Qt::DotLine));
            painter.drawRect(QRect(QPoint(TanGridToPixel(b.x + delta.dx, p, sx), TanGridToPixel(b.y + delta.dy - 4, p, sy)),
                                   QPoint(TanGridToPixel(b.x + delta.dx + w, p, sx),
                                          TanGridToPixel(b.y + delta.dy + 5, p, sy))));
        }
    }
    if (l.selected) {
        QPen pen(colorOf(kHighlight), 3);
        painter.setPen(pen);
        QPolygon path;
        path << QPoint(px(l.start.x), py(l.start.y));
        for (const GridPointF& q : l.points) path << QPoint(px(q.x), py(q.y));
        path << QPoint(px(l.rubber.x), py(l.rubber.y));
        if (l.label.empty()) painter.drawPolyline(path);
        painter.setBrush(colorOf(kHighlight));
        for (const GridPointF& q : l.points) painter.drawRect(px(q.x) - 3, py(q.y) - 3, 6, 6);
        painter.setBrush(Qt::NoBrush);
    }
    AnaTanDrawStyle marks = style_;
    marks.text = kHighlight;
    for (const CJumpRecord& r : e.selectedJumps()) {
        CJumpRecord hl = r;
        hl.colour = kHighlight;
        JumpList one{hl};
        DrawJumps(painter, one, d, p, sx, sy, false, marks);
    }
}

void AnaTanView::paintEvent(QPaintEvent*)
{
    syncEditor();
    QPainter painter(viewport());
    render(painter, viewport()->size());
}

void AnaTanView::scrollContentsBy(int dx, int dy)
{
    TanView::scrollContentsBy(dx, dy);
    syncEditor();
}

void AnaTanView::mousePressEvent(QMouseEvent* event)
{
    syncEditor();
    const QPoint p = event->position().toPoint();
    bool changed = false;
    if (event->button() == Qt::LeftButton)
        changed = editor_->pressLeft(p.x(), p.y(), event->modifiers() == Qt::ControlModifier);
    else if (event->button() == Qt::RightButton)
        changed = editor_->pressRight(p.x(), p.y());
    if (online()) return;
    after(changed);
}

void AnaTanView::mouseMoveEvent(QMouseEvent* event)
{
    syncEditor();
    const QPoint p = event->position().toPoint();
    bool changed = editor_->moveMouse(p.x(), p.y(), event->buttons() & Qt::LeftButton);
    if (editor_->line().mode != 0 && autoScroll(p.x(), p.y())) {
        syncEditor();
        changed = true;
    }
    if (changed) viewport()->update();
}

void AnaTanView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    syncEditor();
    const QPoint p = event->position().toPoint();
    after(editor_->releaseLeft(p.x(), p.y()));
}

void AnaTanView::mouseDoubleClickEvent(QMouseEvent* event)
{
    syncEditor();
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) after(editor_->doubleClick(p.x(), p.y()));
}

void AnaTanView::contextMenuEvent(QContextMenuEvent* event)
{
    syncEditor();
    const QPoint p = viewport()->mapFrom(this, event->pos());
    const ContextMenu menu = editor_->contextMenu(p.x(), p.y());
    viewport()->update();
    if (!menu.shown) return;
    QMenu popup(this);
    popup.setObjectName(QStringLiteral("anaTanMenu"));
    for (int id : menu.entries) {
        if (id == 0) {
            popup.addSeparator();
            continue;
        }
        QAction* a = popup.addAction(res::qmessage(id, services_.language));
        a->setData(id);
        a->setEnabled(editor_->isCommandEnabled(id) && (id != anacmd::ItemHelp || helpName()));
    }
    QAction* chosen = popup.exec(event->globalPos());
    if (!chosen) return;
    const int id = chosen->data().toInt();
    if (id == anacmd::ResetOrigin) {
        ResetOrigin();
        return;
    }
    if (id == anacmd::ItemHelp) {
        if (const auto name = helpName(); name && services_.itemHelp) services_.itemHelp(*name);
        return;
    }
    after(editor_->runCommand(id));
}

std::optional<std::string> AnaTanView::helpName() const
{
    // Help belongs to exactly one selected block: characters 2..4 of its code.
    const auto& records = editor_->moveList().records();
    if (records.size() != 1) return std::nullopt;
    const DiagramBlock& b = editor_->diagram().blocks[static_cast<std::size_t>(records[0].block)];
    if (!b.present) return std::nullopt;
    return std::string(b.code.data() + 2, 3);
}

void AnaTanView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
        syncEditor();
        after(editor_->pressRight(p.x(), p.y()));
    }
    TanView::keyPressEvent(event);
}

}  // namespace kravin::wiring
