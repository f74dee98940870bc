#include "dentan_view.h"

#include "anatan_dialogs.h"
#include "block_setting_dialog.h"
#include "layer_paint.h"
#include "shared_dialogs.h"
#include "system_view_logic.h"
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
constexpr std::int32_t kMagenta = 0xFF00FF;

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
        if (print) d.setPrint([this, &d] { print(&d); });
        return d.exec() == QDialog::Accepted;
    }
    void setModified() override
    {
        if (modified_) modified_();
    }
    std::function<void(QWidget*)> print;
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
    std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices) override
    {
        editors::ListSelectDialog dialog(editors::ListSelectDialog::Kind::Function, choices.lines, choices.initial,
                                         language_, parent_);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const std::string line = dialog.line();
        // "CDE(AB)  name" gives the function "CDE AB".
        if (line.size() < 7) return std::nullopt;
        return line.substr(0, 3) + " " + line.substr(4, 2);
    }
    model::CommentDialog* commentDialog() override { return &analog_.commentDialog(); }
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
    editor_ = std::make_unique<DenTanEditor>(*services_.unit, *services_.undo, *services_.blockUndo,
                                             *services_.prompt, *services_.system, *this);
    applySettings();
    auto dialogs = std::make_unique<QtDenTanDialogs>(*services_.unit, *services_.prompt, editor_->table(),
                                                     services_.setModified, services_.language, this);
    dialogs->print = services_.printBlockSetting;
    qtDialogs_ = std::move(dialogs);
    dialogs_ = qtDialogs_.get();
    style_.stationText = [this](int station) {
        const std::string& t = services_.unit->tables.stationUnitText[static_cast<std::size_t>(station)];
        return t.substr(0, std::min<std::size_t>(5, t.find('\0') == std::string::npos ? t.size() : t.find('\0')));
    };
    setFocusPolicy(Qt::StrongFocus);
    editor_->rebuild();
}

DenTanView::~DenTanView() = default;

void DenTanView::applySettings()
{
    DenTanSheet sheet;
    if (const model::UserSettings* st = services_.settings) {
        // Unset or nonsense values fall back to the defaults 16, 24 and 13.
        sheet.dx = st->DT_DX > 0 && st->DT_DX <= 64 ? st->DT_DX : 24;
        sheet.dy = st->DT_DY > 0 && st->DT_DY <= 64 ? st->DT_DY : 13;
        const int unit = st->DT_UNIT >= 4 && st->DT_UNIT <= 32 ? st->DT_UNIT : kBasePitch;
        setZoomFactor(unit / static_cast<double>(kBasePitch));
        editor_->setLineDefaults(st->DT_LKIND, static_cast<std::uint32_t>(st->DT_LCOL));
        style_.background = st->BACK_COLOR;
        style_.grid = st->ENABLE_GRID != 0;
    }
    editor_->setSheet(sheet);
    setCanvasBase(kBasePitch * sheet.columns(), kBasePitch * sheet.rows());
}

void DenTanView::message(int id) { services_.prompt->message(id, {}, model::Buttons::Ok, model::Icon::Warning); }

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
    if (services_.settings) {
        services_.settings->DT_UNIT = pitch();
        if (services_.saveSettings) services_.saveSettings();
    }
    viewport()->update();
}

void DenTanView::Redraw()
{
    showValues_ = true;
    if (services_.settings) {
        style_.background = services_.settings->BACK_COLOR;
        style_.grid = services_.settings->ENABLE_GRID != 0;
    }
    viewport()->update();
}

void DenTanView::followProject()
{
    editor_->followProject();
    dropMark_ = {};
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
    editor_->undo();
    after();
}

void DenTanView::redoEdit()
{
    if (!canRedo()) return;
    editor_->redo();
    after();
}

bool DenTanView::canDelete() const { return !online() && editor_->hasSelection(); }

void DenTanView::deleteSelection()
{
    if (!canDelete()) return;
    editor_->deleteSelection();
    after();
}

void DenTanView::selectAll()
{
    editor_->selectAll();
    after();
}

void DenTanView::align(int how)
{
    if (online()) return;
    editor_->align(how);
    after();
}

bool DenTanView::AddCommentAtCenter()
{
    model::CommentDialog* dialog = dialogs_->commentDialog();
    if (online() || !dialog || !editor_->comments()) return false;
    const int a = TanPixelToGrid(std::abs(viewport()->width() - 100) / 2, pitch(), scrollX());
    const int b = TanPixelToGrid(std::abs(viewport()->height() - 75) / 2, pitch(), scrollY());
    const bool added = editor_->comments()->AddAt(a, b, *dialog);
    after();
    return added;
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
    const DenTanSheet& sheet = editor_->sheet();
    return 0 < a && a <= sheet.columns() - 1 && 0 < b && b <= sheet.rows() - 1;
}

bool DenTanView::canDropBlock(const QPoint& point, const std::string& block) const
{
    return isCellInCanvas(point) &&
           editor_->canDropBlockAt(point.x(), point.y(), pitch(), scrollX(), scrollY(), block).valid();
}

void DenTanView::markDropTerminal(const QPoint& point, const std::string& block)
{
    const TerminalRef t =
        block.empty() ? TerminalRef{} : editor_->canDropBlockAt(point.x(), point.y(), pitch(), scrollX(), scrollY(), block);
    if (t == dropMark_) return;
    dropMark_ = t;
    viewport()->update();
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
    editor_->clearSelection();
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
    const int mode = dragging_ ? 4 : 1;
    if (editor_->comments()) model::DrawComments(painter, *editor_->comments(), mode, p, scrollX(), scrollY());
    if (editor_->figures()) model::DrawFigures(painter, *editor_->figures(), mode, p, scrollX(), scrollY());
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
    if (const model::CommLinkSlot* slot = dropMark_.valid() ? table.slot(dropMark_.unit.station, dropMark_.unit.card)
                                                            : nullptr) {
        // The terminal under a dragged block: its column of the box, upper or lower half.
        const int column = dropMark_.index % 8, row = dropMark_.index / 8;
        const double left = slot->x + 3 * column, top = row == 0 ? slot->y - 4 : slot->y;
        painter.setPen(QPen(colorOf(kMagenta), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(QPointF(px(left), py(top)), QPointF(px(left + 3), py(top + (row == 0 ? 4 : 5)))));
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
    // Selected jump labels again, in green.
    std::vector<JumpMark> chosen;
    for (const PendingJump& j : editor_->selectedJumps())
        chosen.push_back({j.terminal, j.name, j.format, static_cast<std::int32_t>(j.colour)});
    if (!chosen.empty()) DrawJumpLabels(painter, table, chosen, p, sx, sy, style_, kGreen);
    painter.setBrush(Qt::NoBrush);
    for (const UnitRef& box : editor_->selectedBoxes()) {
        const model::CommLinkSlot* slot = table.slot(box.station, box.card);
        if (!slot) continue;
        painter.setPen(QPen(colorOf(kGreen), 2));
        painter.drawRect(px(slot->x), py(slot->y + kBoxTop), kBoxWidth * p, (kBoxBottom - kBoxTop) * p);
        if (dragging_ && !dragDelta_.isNull()) {
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.drawRect(px(slot->x + dragDelta_.x()), py(slot->y + kBoxTop + dragDelta_.y()), kBoxWidth * p,
                             (kBoxBottom - kBoxTop) * p);
        }
    }
    if (banding_) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(QRect(QPoint(px(bandStart_.x()), py(bandStart_.y())), QPoint(px(bandEnd_.x()), py(bandEnd_.y())))
                             .normalized());
    }
    painter.restore();
}

void DenTanView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    render(painter, viewport()->size());
}

namespace {

QPoint nearestCell(const QPointF& c)
{
    return {static_cast<int>(std::floor(c.x() + 0.5)), static_cast<int>(std::floor(c.y() + 0.5))};
}

}  // namespace

void DenTanView::mousePressEvent(QMouseEvent* event)
{
    if (online()) {
        QApplication::beep();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (!isCellInCanvas(point)) return;
    const QPointF c = cellOf(point);
    const QPoint cell = nearestCell(c);
    const bool add = event->modifiers() & Qt::ControlModifier;
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
    dragStart_ = cell;
    dragDelta_ = QPoint();
    model::CCommentMap* comments = editor_->comments();
    model::CFigureMap* figures = editor_->figures();
    // 1, 2: figures, then comments (a resize handle of a single selected comment starts a resize).
    const int figureHit = figures ? figures->SelectAt(cell.x(), cell.y(), add) : 0;
    int commentHit = 0;
    if (figureHit == 0 && comments) {
        commentHit = comments->SelectAt(cell.x(), cell.y(), add);
        if (commentHit == 2 && comments->selection().size() == 1 && comments->CheckResizeHandle(cell.x(), cell.y()) &&
            comments->BeginResize())
            resizing_ = true;
    }
    if (figureHit != 0 || commentHit != 0) {
        editor_->selectLine({});
        if (!add && (figureHit == 1 || commentHit == 1)) {
            editor_->clearBoxes();
            if (figureHit != 0 && comments) comments->RemoveAll();
            if (commentHit != 0 && figures) figures->RemoveAll();
        }
        dragging_ = !resizing_;
        after();
        return;
    }
    // 3: a connection; on the selected one a break point starts its drag.
    const TerminalRef line = LineAtCell(table, c.x(), c.y(), 0.5);
    if (line.valid()) {
        if (line == editor_->selectedLine()) {
            pointDrag_ = editor_->breakPointAt(c.x(), c.y(), 0.5);
        } else {
            editor_->clearSelection();
            editor_->selectLine(line);
            services_.unit->g_curStation = line.unit.station;
            services_.unit->g_curCard = line.unit.card + 1;
            services_.unit->SelectCurrentUnit();
        }
        after();
        return;
    }
    // 4: terminals and boxes.
    if (t.valid()) {
        const model::CommLinkTerminal* r = table.terminal(t.unit.station, t.unit.card, t.index + 11);
        editor_->clearSelection();
        if (r && r->kind != 0) {
            editor_->clickTerminal(t);
            trackTo(point);
        } else {
            editor_->chooseBlock(t);
        }
        after();
        return;
    }
    const UnitRef box = BoxAt(table, point.x(), point.y(), pitch(), scrollX(), scrollY());
    if (box.valid()) {
        editor_->selectLine({});
        if (!add) {
            if (comments) comments->RemoveAll();
            if (figures) figures->RemoveAll();
        }
        if (editor_->selectBox(box, add) != 0) dragging_ = true;
        services_.unit->g_curStation = box.station;
        services_.unit->g_curCard = box.card + 1;
        services_.unit->SelectCurrentUnit();
        after();
        return;
    }
    // 5: a break point of the selected connection off its segments.
    if (editor_->selectedLine().valid()) {
        pointDrag_ = editor_->breakPointAt(c.x(), c.y(), 0.75);
        if (pointDrag_ >= 0) return;
    }
    // 6: a waiting jump label.
    if (const int j = editor_->jumpAt(c.x(), c.y()); j >= 0) {
        editor_->clearSelection();
        editor_->toggleJump(j);
        after();
        return;
    }
    // 7: nothing: the rubber band starts.
    if (!add) editor_->clearSelection();
    banding_ = true;
    bandStart_ = bandEnd_ = cell;
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
    const bool left = event->buttons() & Qt::LeftButton;
    const QPoint cell = nearestCell(cellOf(point));
    if (left && pointDrag_ >= 0) {
        if (isCellInCanvas(point)) editor_->dragBreakPoint(pointDrag_, cell.x(), cell.y());
        viewport()->update();
        return;
    }
    if (left && resizing_) {
        editor_->comments()->TrackResize(cell.x(), cell.y());
        viewport()->update();
        return;
    }
    if (left && banding_) {
        autoScroll(point.x(), point.y());
        bandEnd_ = nearestCell(cellOf(point));
        viewport()->update();
        return;
    }
    if (dragging_ && left) {
        autoScroll(point.x(), point.y());
        dragDelta_ = nearestCell(cellOf(point)) - dragStart_;
        if (model::CCommentMap* m = editor_->comments(); m && m->HasEntries()) {
            m->TrackDrag(dragStart_.x() + dragDelta_.x(), dragStart_.y() + dragDelta_.y());
            m->SetDragDelta(dragDelta_.x(), dragDelta_.y());
        }
        if (model::CFigureMap* m = editor_->figures(); m && m->HasEntries()) m->SetDragDelta(dragDelta_.x(), dragDelta_.y());
        viewport()->update();
        return;
    }
    const int mode = editor_->linkMode();
    if (mode < 1 || mode > 4) return;
    if (left) autoScroll(point.x(), point.y());
    trackTo(point);
    viewport()->update();
}

void DenTanView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    if (pointDrag_ >= 0) {
        pointDrag_ = -1;
        editor_->endBreakPointDrag();
        after();
        return;
    }
    if (resizing_) {
        resizing_ = false;
        editor_->comments()->EndResize();
        after();
        return;
    }
    if (banding_) {
        banding_ = false;
        editor_->selectInside(bandStart_.x(), bandStart_.y(), bandEnd_.x(), bandEnd_.y(), true);
        after();
        return;
    }
    if (!dragging_) return;
    dragging_ = false;
    const QPoint delta = dragDelta_;
    dragDelta_ = QPoint();
    if (model::CCommentMap* m = editor_->comments()) m->EndDrag();
    if (model::CFigureMap* m = editor_->figures()) m->EndDrag();
    if (delta.isNull() || online()) {
        viewport()->update();
        return;
    }
    editor_->moveSelection(delta.x(), delta.y());
    after();
}

std::string DenTanView::modelAt(const QPoint& at, UnitRef* box) const
{
    const UnitRef u = BoxAt(editor_->table(), at.x(), at.y(), pitch(), scrollX(), scrollY());
    if (box) *box = u;
    const model::CommLinkSlot* slot = u.valid() ? editor_->table().slot(u.station, u.card) : nullptr;
    if (!slot) return {};
    return std::string(slot->kind.data(), ::strnlen(slot->kind.data(), slot->kind.size()));
}

bool DenTanView::isCommandEnabled(int id, const QPoint& at) const
{
    if (online()) return id == dencmd::ResetOrigin;
    const model::CommLinkTable& table = editor_->table();
    const QPointF c = cellOf(at);
    const TerminalRef t = TerminalAtCell(table, c.x(), c.y());
    const model::CommLinkTerminal* r = t.valid() ? table.terminal(t.unit.station, t.unit.card, t.index + 11) : nullptr;
    UnitRef box;
    const std::string model = modelAt(at, &box);
    const auto is = [&](const char* prefix) { return model.rfind(prefix, 0) == 0; };
    // RNH6 holds no terminals of its own; virtual TQRQ$/TQRC$ cards belong to their parent card.
    const bool noTerminals = is("RNH6");
    const bool virtualCard = is("TQRQ$") || is("TQRC$");
    const TerminalRef sel = editor_->selectedLine();
    const model::CommLinkTerminal* line =
        sel.valid() ? table.terminal(sel.unit.station, sel.unit.card, sel.index + 11) : nullptr;
    switch (id) {
    case dencmd::ResetOrigin:
    case dencmd::LineFormat:
    case dencmd::DrawJunction: return true;
    case dencmd::PcSetting: return r && r->kind != 0;
    case dencmd::DeleteLine: return editor_->selectedLine().valid();
    case dencmd::DeleteTerminal: return r && r->kind != 0 && !noTerminals;
    case dencmd::SelectLine: return LineAtCell(table, c.x(), c.y(), 0.5).valid();
    case dencmd::AddBreakpoint: return line && ClampPointCount(line->points) < kMaxBreakPoints;
    case dencmd::DeleteBreakpoint: return line && editor_->breakPointAt(c.x(), c.y(), 1.0) >= 0;
    case dencmd::AddJump: return r && r->kind != 0 && r->link == 0;
    case dencmd::DeleteJunction: return editor_->figures() && editor_->figures()->HasEntries();
    case dencmd::RemoveDevice: return box.valid() && !virtualCard;
    case dencmd::Upload:
    case dencmd::NetUpload:
    case dencmd::Download:
    case dencmd::NetDownload:
        // A unit with a program of its own: not the bus couplers and communication cards.
        return box.valid() && !noTerminals && editors::hasBlockList(model) && !is("TQRC ") &&
               services_.transferBuilt && services_.transferBuilt(id);
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
        if (!chosen) break;
        if (services_.settings) {
            services_.settings->DT_LKIND = chosen->first;
            services_.settings->DT_LCOL = static_cast<int>(chosen->second);
            if (services_.saveSettings) services_.saveSettings();
        }
        editor_->setLineFormat(chosen->first, chosen->second);
        break;
    }
    case dencmd::DeleteLine: editor_->deleteSelectedLine(); break;
    case dencmd::DeleteTerminal: editor_->deleteTerminal(t); break;
    case dencmd::SelectLine: {
        const TerminalRef line = LineAtCell(table, c.x(), c.y(), 0.5);
        editor_->clearSelection();
        // A second select on the selected line deselects it.
        if (!(line == editor_->selectedLine())) editor_->selectLine(line);
        break;
    }
    case dencmd::AddBreakpoint: editor_->addBreakPointAt(c.x(), c.y()); break;
    case dencmd::DeleteBreakpoint: editor_->deleteBreakPointAt(c.x(), c.y()); break;
    case dencmd::AddJump:
        if (const auto name = dialogs_->jumpName()) editor_->addJump(*name, t);
        break;
    case dencmd::DrawJunction: {
        const QPoint cell = nearestCell(c);
        editor_->addJunction(cell.x(), cell.y());
        break;
    }
    case dencmd::DeleteJunction: editor_->deleteJunctions(); break;
    case dencmd::RemoveDevice: {
        UnitRef u;
        modelAt(at, &u);
        editor_->removeDevice(u);
        break;
    }
    case dencmd::Upload:
    case dencmd::NetUpload:
    case dencmd::Download:
    case dencmd::NetDownload: {
        UnitRef u;
        modelAt(at, &u);
        services_.unit->g_curStation = u.station;
        services_.unit->g_curCard = u.card + 1;
        services_.unit->SelectCurrentUnit();
        if (services_.runTransfer) services_.runTransfer(id);
        editor_->rebuild();
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
    for (int id : {dencmd::SelectLine, dencmd::DeleteLine, dencmd::LineFormat, dencmd::AddBreakpoint,
                   dencmd::DeleteBreakpoint, 0, dencmd::PcSetting, dencmd::AddJump, 0, dencmd::DeleteTerminal,
                   dencmd::RemoveDevice, 0, dencmd::Upload, dencmd::NetUpload, dencmd::Download, dencmd::NetDownload,
                   0, dencmd::DrawJunction, dencmd::DeleteJunction, 0, dencmd::ResetOrigin}) {
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
    const QPoint cell = nearestCell(c);
    // A comment first: its dialog edits it.
    if (model::CommentDialog* dialog = dialogs_->commentDialog(); dialog && editor_->comments() &&
                                                                  editor_->comments()->EditAt(cell.x(), cell.y(), *dialog)) {
        after();
        return;
    }
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
