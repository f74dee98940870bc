#include "dentan_view.h"

#include "anatan_dialogs.h"
#include "block_setting_dialog.h"
#include "small_dialogs.h"
#include "tan_draw.h"
#include "text_codec.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kravin::wiring::comm {

namespace {

constexpr std::int32_t kGreen = 0x00FF00;
const DenTanSheet kSheet;

class QtDenTanDialogs final : public DenTanDialogs, public editors::blocks::BlockSettingHost {
public:
    QtDenTanDialogs(model::UnitContext& unit, model::Prompt& prompt, const model::CommLinkTable& table,
                    std::function<void()> modified, res::Language language, QWidget* parent)
        : unit_(unit), prompt_(prompt), table_(table), modified_(std::move(modified)), analog_(language, parent),
          language_(language), parent_(parent)
    {
    }
    bool blockSetting() override
    {
        editors::blocks::BlockSettingDialog d(unit_, prompt_, language_, *this, parent_);
        return d.exec() == QDialog::Accepted;
    }
    void setModified() override
    {
        if (modified_) modified_();
    }
    std::optional<DevicePlace> deviceLayout(const std::string& name, const std::string& version) override
    {
        const auto used = [this](int s, int c) {
            const model::CommLinkSlot* slot = table_.slot(s, c);
            return slot && slot->used;
        };
        editors::DeviceLayoutChoice choice = editors::buildDeviceLayout(unit_.masters.card, name, version, used);
        if (choice.versions.empty()) choice = editors::buildDeviceLayout(unit_.masters.station, name, version, used);
        editors::DeviceLayoutDialog d(name, choice, language_, parent_);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return DevicePlace{d.station(), d.card(), d.version()};
    }
    std::optional<std::string> jumpName() override { return analog_.jumpLabel(); }
    std::optional<std::pair<int, std::uint32_t>> lineFormat(int format, std::uint32_t colour) override
    {
        const auto c = analog_.lineFormat({FormatStyle(format), FormatWidth(format), static_cast<std::int32_t>(colour)});
        if (!c) return std::nullopt;
        return std::make_pair(c->width + 4 * c->style, static_cast<std::uint32_t>(c->colour));
    }

private:
    model::UnitContext& unit_;
    model::Prompt& prompt_;
    const model::CommLinkTable& table_;
    std::function<void()> modified_;
    QtAnaTanDialogs analog_;
    res::Language language_;
    QWidget* parent_;
};

}  // namespace

DenTanView::DenTanView(DenTanServices services, QWidget* parent) : TanView(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("denTanView"));
    setWindowTitle(res::qmessage(6000, services_.language));
    setCanvasBase(kBasePitch * kSheet.columns(), kBasePitch * kSheet.rows());
    editor_ = std::make_unique<DenTanEditor>(*services_.unit, *services_.undo, *services_.blockUndo,
                                             *services_.prompt, *services_.system, *this);
    qtDialogs_ = std::make_unique<QtDenTanDialogs>(*services_.unit, *services_.prompt, editor_->table(),
                                                   services_.setModified, services_.language, this);
    dialogs_ = qtDialogs_.get();
    style_.stationText = [this](int station) {
        const std::string& t = services_.unit->tables.stationUnitText[static_cast<std::size_t>(station)];
        return t.substr(0, std::min<std::size_t>(5, t.find('\0') == std::string::npos ? t.size() : t.find('\0')));
    };
    setFocusPolicy(Qt::StrongFocus);
    editor_->rebuild();
}

DenTanView::~DenTanView() = default;

void DenTanView::setDialogs(DenTanDialogs* dialogs) { dialogs_ = dialogs ? dialogs : qtDialogs_.get(); }

bool DenTanView::online() const { return services_.online && services_.online(); }

void DenTanView::setModified()
{
    if (services_.setModified) services_.setModified();
}

void DenTanView::tableRebuilt(const model::CommLinkTable& table)
{
    if (services_.tableRebuilt) services_.tableRebuilt(table);
}

std::optional<DevicePlace> DenTanView::deviceLayout(const std::string& name, const std::string& version)
{
    return dialogs_->deviceLayout(name, version);
}

void DenTanView::after()
{
    viewport()->update();
    if (services_.changed) services_.changed();
}

void DenTanView::SetZoom(int percent)
{
    setZoomFactor(percent * 0.01);
    viewport()->update();
}

void DenTanView::Redraw()
{
    showValues_ = true;
    viewport()->update();
}

bool DenTanView::ConfirmOpenJumps()
{
    const std::string names = editor_->openJumpNames();
    if (names.empty()) return true;
    return services_.prompt->message(denmsg::JumpOpen, {names}, model::Buttons::OkCancel, model::Icon::Question) ==
           model::Answer::Ok;
}

bool DenTanView::canUndo() const { return !online() && editor_->canUndo(); }
bool DenTanView::canRedo() const { return !online() && editor_->canRedo(); }

void DenTanView::undoEdit()
{
    if (!canUndo()) return;
    box_ = {};
    editor_->undo();
    after();
}

void DenTanView::redoEdit()
{
    if (!canRedo()) return;
    box_ = {};
    editor_->redo();
    after();
}

bool DenTanView::canDelete() const { return !online() && (box_.valid() || editor_->selectedLine().valid()); }

void DenTanView::deleteSelection()
{
    if (!canDelete()) return;
    if (box_.valid()) {
        if (editor_->removeDevice(box_)) box_ = {};
    } else {
        editor_->deleteSelectedLine();
    }
    after();
}

QPointF DenTanView::cellOf(const QPoint& point) const
{
    const double p = pitch();
    return {(point.x() + scrollX()) / p, (point.y() + scrollY()) / p};
}

bool DenTanView::isCellInCanvas(const QPoint& point) const
{
    const int a = TanPixelToGrid(point.x(), pitch(), scrollX());
    const int b = TanPixelToGrid(point.y(), pitch(), scrollY());
    return 0 < a && a <= kSheet.columns() - 1 && 0 < b && b <= kSheet.rows() - 1;
}

bool DenTanView::canDropBlock(const QPoint& point, const std::string& block) const
{
    return isCellInCanvas(point) &&
           editor_->canDropBlockAt(point.x(), point.y(), pitch(), scrollX(), scrollY(), block).valid();
}

bool DenTanView::dropBlock(const QPoint& point, const std::string& block)
{
    if (!isCellInCanvas(point)) return false;
    const bool done = editor_->dropCommBlock(point.x(), point.y(), pitch(), scrollX(), scrollY(), block);
    after();
    return done;
}

bool DenTanView::dropDeviceAt(const QPoint& point, const std::string& name, const std::string& version)
{
    if (!isCellInCanvas(point)) return false;
    const int a = TanPixelToGrid(point.x(), pitch(), scrollX());
    const int b = TanPixelToGrid(point.y(), pitch(), scrollY());
    const bool done = editor_->dropDevice(a, b, name, version);
    box_ = {};
    after();
    return done;
}

void DenTanView::render(QPainter& painter, const QSize& size)
{
    const int p = pitch();
    style_.font.setPixelSize(std::max(4, p * 3 / 4));
    std::vector<JumpMark> marks;
    for (const PendingJump& j : editor_->pendingJumps())
        marks.push_back({j.terminal, j.name, j.format, static_cast<std::int32_t>(j.colour)});
    const CommValueFn none;
    DrawCommDiagram(painter, editor_->table(), marks, p, scrollX(), scrollY(), size.width(), size.height(), style_,
                    showValues_ && online() ? services_.values : none);
    drawOverlays(painter);
}

void DenTanView::drawOverlays(QPainter& painter)
{
    const int p = pitch(), sx = scrollX(), sy = scrollY();
    const auto px = [&](double g) { return TanGridToPixelF(g, p, sx); };
    const auto py = [&](double g) { return TanGridToPixelF(g, p, sy); };
    const model::CommLinkTable& table = editor_->table();
    painter.save();
    const int mode = editor_->linkMode();
    if (mode >= 1 && mode <= 4) {
        const TerminalRef s = editor_->lineStart();
        if (const model::CommLinkSlot* slot = table.slot(s.unit.station, s.unit.card)) {
            int ax = 0, ay = 0;
            TerminalAnchor(slot->x, slot->y, s.index, &ax, &ay);
            QPolygon path;
            path << QPoint(px(ax), py(ay));
            for (const auto& q : editor_->breakPoints()) path << QPoint(px(q.first), py(q.second));
            path << QPoint(px(rubber_.x()), py(rubber_.y()));
            painter.setPen(QPen(colorOf(kGreen), 3));
            painter.drawPolyline(path);
        }
    }
    const TerminalRef sel = editor_->selectedLine();
    if (const model::CommLinkTerminal* r = sel.valid() ? table.terminal(sel.unit.station, sel.unit.card, sel.index + 11)
                                                       : nullptr) {
        QPolygon path;
        path << QPoint(px(r->startX), py(r->startY));
        for (int i = 0; i < ClampPointCount(r->points); ++i)
            path << QPoint(px(r->pointX[static_cast<std::size_t>(i)]), py(r->pointY[static_cast<std::size_t>(i)]));
        path << QPoint(px(r->endX), py(r->endY));
        painter.setPen(QPen(colorOf(kGreen), 1));
        painter.drawPolyline(path);
        for (const QPoint& q : path) painter.fillRect(q.x() - p / 4, q.y() - p / 4, p / 2, p / 2, colorOf(kGreen));
    }
    if (const model::CommLinkSlot* slot = box_.valid() ? table.slot(box_.station, box_.card) : nullptr) {
        painter.setPen(QPen(colorOf(kGreen), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(px(slot->x), py(slot->y + kBoxTop), kBoxWidth * p, (kBoxBottom - kBoxTop) * p);
        if (!dragDelta_.isNull()) {
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.drawRect(px(slot->x + dragDelta_.x()), py(slot->y + kBoxTop + dragDelta_.y()), kBoxWidth * p,
                             (kBoxBottom - kBoxTop) * p);
        }
    }
    painter.restore();
}

void DenTanView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    render(painter, viewport()->size());
}

void DenTanView::mousePressEvent(QMouseEvent* event)
{
    if (online()) {
        QApplication::beep();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (!isCellInCanvas(point)) return;
    const QPointF c = cellOf(point);
    const model::CommLinkTable& table = editor_->table();
    if (event->button() == Qt::RightButton) {
        editor_->stepBack();
        after();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    const TerminalRef t = TerminalAtCell(table, c.x(), c.y());
    const int mode = editor_->linkMode();
    if (mode != 0) {
        if (t.valid()) {
            editor_->clickTerminal(t);
        } else if (mode <= 4) {
            trackTo(point);
            editor_->addBreakPoint(rubber_.x(), rubber_.y());
        }
        after();
        return;
    }
    const TerminalRef line = LineAtCell(table, c.x(), c.y(), 0.5);
    if (line.valid()) {
        editor_->selectLine(line);
        box_ = {};
        after();
        return;
    }
    editor_->selectLine({});
    if (t.valid()) {
        const model::CommLinkTerminal* r = table.terminal(t.unit.station, t.unit.card, t.index + 11);
        if (r && r->kind != 0) {
            box_ = {};
            editor_->clickTerminal(t);
            trackTo(point);
            after();
            return;
        }
    }
    box_ = BoxAt(table, point.x(), point.y(), pitch(), scrollX(), scrollY());
    if (box_.valid()) {
        dragging_ = true;
        dragStart_ = QPoint(static_cast<int>(std::floor(c.x() + 0.5)), static_cast<int>(std::floor(c.y() + 0.5)));
        dragDelta_ = QPoint();
        services_.unit->g_curStation = box_.station;
        services_.unit->g_curCard = box_.card + 1;
        services_.unit->SelectCurrentUnit();
    }
    after();
}

void DenTanView::trackTo(const QPoint& point)
{
    const QPointF c = cellOf(point);
    QPoint last;
    if (!editor_->breakPoints().empty()) {
        last = QPoint(editor_->breakPoints().back().first, editor_->breakPoints().back().second);
    } else if (const model::CommLinkSlot* slot =
                   editor_->table().slot(editor_->lineStart().unit.station, editor_->lineStart().unit.card)) {
        int ax = 0, ay = 0;
        TerminalAnchor(slot->x, slot->y, editor_->lineStart().index, &ax, &ay);
        last = QPoint(ax, ay);
    }
    const int a = static_cast<int>(c.x() + 0.5), b = static_cast<int>(c.y() + 0.5);
    // The band stays horizontal or vertical: the larger displacement wins.
    rubber_ = std::abs(a - last.x()) >= std::abs(b - last.y()) ? QPoint(a, last.y()) : QPoint(last.x(), b);
}

void DenTanView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        autoScroll(point.x(), point.y());
        const QPointF c = cellOf(point);
        dragDelta_ = QPoint(static_cast<int>(std::floor(c.x() + 0.5)), static_cast<int>(std::floor(c.y() + 0.5))) -
                     dragStart_;
        viewport()->update();
        return;
    }
    const int mode = editor_->linkMode();
    if (mode < 1 || mode > 4) return;
    if (event->buttons() & Qt::LeftButton) autoScroll(point.x(), point.y());
    trackTo(point);
    viewport()->update();
}

bool DenTanView::isCommandEnabled(int id, const QPoint& at) const
{
    if (online()) return id == dencmd::ResetOrigin;
    const model::CommLinkTable& table = editor_->table();
    const QPointF c = cellOf(at);
    const TerminalRef t = TerminalAtCell(table, c.x(), c.y());
    const model::CommLinkTerminal* r = t.valid() ? table.terminal(t.unit.station, t.unit.card, t.index + 11) : nullptr;
    switch (id) {
    case dencmd::ResetOrigin:
    case dencmd::LineFormat: return true;
    case dencmd::PcSetting: return editor_->linkMode() != 0 || (r && r->kind != 0);
    case dencmd::DeleteLine: return editor_->selectedLine().valid();
    case dencmd::DeleteTerminal: return r && r->kind != 0;
    case dencmd::SelectLine: return LineAtCell(table, c.x(), c.y(), 0.5).valid();
    case dencmd::AddJump: return r && r->kind != 0 && r->link == 0;
    case dencmd::RemoveDevice: return BoxAt(table, at.x(), at.y(), pitch(), scrollX(), scrollY()).valid();
    default: return false;
    }
}

void DenTanView::runCommand(int id, const QPoint& at)
{
    if (id == dencmd::ResetOrigin) {
        setScroll(0, 0);
        viewport()->update();
        return;
    }
    if (id == dencmd::Redraw) {
        Redraw();
        return;
    }
    if (!isCommandEnabled(id, at)) return;
    const model::CommLinkTable& table = editor_->table();
    const QPointF c = cellOf(at);
    const TerminalRef t = TerminalAtCell(table, c.x(), c.y());
    switch (id) {
    case dencmd::PcSetting: editor_->pcSetting(t); break;
    case dencmd::LineFormat: {
        const TerminalRef sel = editor_->selectedLine();
        const model::CommLinkTerminal* r =
            sel.valid() ? table.terminal(sel.unit.station, sel.unit.card, sel.index + 11) : nullptr;
        const auto chosen = r ? dialogs_->lineFormat(r->value, r->colour)
                              : dialogs_->lineFormat(editor_->lineFormat(), editor_->lineColour());
        if (chosen) editor_->setLineFormat(chosen->first, chosen->second);
        break;
    }
    case dencmd::DeleteLine: editor_->deleteSelectedLine(); break;
    case dencmd::DeleteTerminal: editor_->deleteTerminal(t); break;
    case dencmd::SelectLine: editor_->selectLine(LineAtCell(table, c.x(), c.y(), 0.5)); break;
    case dencmd::AddJump:
        if (const auto name = dialogs_->jumpName()) editor_->addJump(*name, t);
        break;
    case dencmd::RemoveDevice: {
        const UnitRef u = BoxAt(table, at.x(), at.y(), pitch(), scrollX(), scrollY());
        if (editor_->removeDevice(u) && box_ == u) box_ = {};
        break;
    }
    default: break;
    }
    after();
}

void DenTanView::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint at = viewport()->mapFrom(this, event->pos());
    QMenu popup(this);
    popup.setObjectName(QStringLiteral("denTanMenu"));
    for (int id : {dencmd::SelectLine, dencmd::DeleteLine, dencmd::LineFormat, 0, dencmd::PcSetting, dencmd::AddJump, 0,
                   dencmd::DeleteTerminal, dencmd::RemoveDevice, 0, dencmd::ResetOrigin}) {
        if (id == 0) {
            popup.addSeparator();
            continue;
        }
        QAction* a = popup.addAction(res::qmessage(id, services_.language));
        a->setData(id);
        a->setEnabled(isCommandEnabled(id, at));
    }
    QAction* chosen = popup.exec(event->globalPos());
    if (chosen) runCommand(chosen->data().toInt(), at);
}

void DenTanView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    const QPoint delta = dragDelta_;
    dragDelta_ = QPoint();
    if (delta.isNull() || online()) {
        viewport()->update();
        return;
    }
    editor_->moveBoxes({box_}, delta.x(), delta.y());
    after();
}

void DenTanView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (online()) {
        QApplication::beep();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !isCellInCanvas(point)) return;
    dragging_ = false;
    dragDelta_ = QPoint();
    const QPointF c = cellOf(point);
    const model::CommLinkTable& table = editor_->table();
    const TerminalRef t = TerminalAtCell(table, c.x(), c.y());
    if (t.valid()) {
        editor_->cancelLine();
        editor_->blockSetting(t);
        after();
        return;
    }
    const UnitRef box = BoxAt(table, point.x(), point.y(), pitch(), scrollX(), scrollY());
    if (box.valid() && editor_->linkMode() == 0 && !editor_->selectedLine().valid()) {
        services_.unit->g_curStation = box.station;
        services_.unit->g_curCard = box.card + 1;
        services_.unit->SelectCurrentUnit();
        if (services_.openBlockList) services_.openBlockList();
    }
}

void DenTanView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && editor_->linkMode() != 0) {
        editor_->stepBack();
        after();
        return;
    }
    TanView::keyPressEvent(event);
}

}  // namespace kravin::wiring::comm
