#include "system_view.h"

#include "clipboard.h"
#include "dialogs/busy_dialog.h"
#include "text_codec.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace kravin::editors {

// ---- Painter ----

void SystemPainter::setStyle(SystemViewStyle style)
{
    style_ = std::move(style);
    fitted_.clear();
    prepared_.clear();
}

QFont SystemPainter::cellFont(int pixelHeight) const
{
    QFont f;
    f.setFamilies({style_.fontFamily, res::japaneseFontFamily()});
    f.setPixelSize(std::max(1, pixelHeight));
    return f;
}

int SystemPainter::fittedHeight(const QString& s, double zoom)
{
    if (auto it = fitted_.constFind(s); it != fitted_.constEnd()) return *it;
    const int limit = static_cast<int>(46 * zoom) - 1;
    const int h = fitFontHeight(toZoomed(style_.cellFontHeight, zoom), toZoomed(style_.minFontHeight, zoom), limit,
                                [&](int height) { return QFontMetrics(cellFont(height)).horizontalAdvance(s); });
    fitted_.insert(s, h);
    return h;
}

const SystemPainter::Prepared& SystemPainter::prepared(const CellText& t, double zoom)
{
    if (zoom != preparedZoom_) {
        prepared_.clear();
        fitted_.clear();
        preparedZoom_ = zoom;
    }
    std::string key = t.name;
    key += '\n';
    key += t.version;
    auto it = prepared_.find(key);
    if (it != prepared_.end()) return it->second;
    Prepared p;
    const QString name = model::cp932ToQString(t.name);
    const QString version = model::cp932ToQString(t.version);
    p.fontHeight = fittedHeight(name, zoom);
    const QFont font = cellFont(p.fontHeight);
    const QFontMetrics metrics(font);
    p.name.setText(name);
    p.version.setText(version);
    p.name.setTextFormat(Qt::PlainText);
    p.version.setTextFormat(Qt::PlainText);
    p.name.prepare(QTransform(), font);
    p.version.prepare(QTransform(), font);
    p.nameWidth = metrics.horizontalAdvance(name);
    p.versionWidth = metrics.horizontalAdvance(version);
    return prepared_.emplace(std::move(key), std::move(p)).first->second;
}

void SystemPainter::paint(QPainter& p, const Input& in, const QRect& exposed, bool fill)
{
    const double z = in.zoom;
    auto Z = [z](int v) { return toZoomed(v, z); };
    if (fill) p.fillRect(exposed, style_.background);
    if (!in.masters || !in.tables) return;

    // Labels.
    QFont labelFont;
    labelFont.setFamilies({style_.fontFamily, res::japaneseFontFamily()});
    labelFont.setPixelSize(std::max(1, Z(style_.labelFontHeight)));
    const int big = Z(40);
    auto label = [&](int x, int y, const QString& s) {
        const QRect r(Z(x), Z(y), big, big);
        if (!r.intersects(exposed)) return;
        p.setFont(labelFont);
        p.setPen(style_.text);
        p.drawText(r, Qt::AlignLeft | Qt::AlignTop, s);
    };
    label(8, 8, QStringLiteral("ST"));
    for (int j = 1; j < kColumns; ++j) label(105 + 46 * (j - 1), 8, QString::fromStdString(cardLabel(j)));

    // Rows that meet the exposed band.
    const int firstRow = std::clamp((static_cast<int>(exposed.top() / z) - 28) / 44 - 1, 0, kRows - 1);
    const int lastRow = std::clamp((static_cast<int>(exposed.bottom() / z) - 28) / 44 + 1, 0, kRows - 1);
    const DisplayNameTable none;
    int fontHeight = 0;  // of the font last set on the painter
    const DisplayNameTable& names = in.displayNames ? *in.displayNames : none;

    for (int r = firstRow; r <= lastRow; ++r) {
        label(8, 37 + 44 * r, QString::fromStdString(stationLabel(r)));
        fontHeight = 0;
        for (int j = 0; j < kColumns; ++j) {
            const Cell cell{r, j};
            const int x = Z(cellLeft(j)), y = Z(cellTop(r));
            if (!QRect(x, y, Z(47) + 1, Z(47) + 1).intersects(exposed)) continue;
            const int w = Z(kCellWidth), h = Z(kCellHeight);
            const bool placed = unitPlaced(*in.tables, cell);
            const bool selected = cell == in.selected;
            const QColor& body = selected ? style_.selected : placed ? style_.occupied : style_.empty;
            p.fillRect(QRect(x, y, w, h), body);
            p.setPen(placed ? style_.raisedLight : style_.sunkenDark);
            p.drawLine(x, y, x + w, y);
            p.drawLine(x, y, x, y + h);
            p.setPen(placed ? style_.raisedDark : style_.sunkenLight);
            p.drawLine(x + w, y, x + w, y + h);
            p.drawLine(x, y + h, x + w, y + h);
            if (!placed) continue;

            const Prepared& t = prepared(cellText(*in.masters, *in.tables, cell, names), z);
            if (t.fontHeight != fontHeight) {
                fontHeight = t.fontHeight;
                p.setFont(cellFont(fontHeight));
            }
            p.setPen(style_.text);
            // Centred across the cell's 46-unit text box (the station's name box starts 2 units in).
            const int nameLeft = x + Z(j == 0 ? 2 : 0);
            const int nameWidth = Z(j == 0 ? 44 : 46);
            p.drawStaticText(nameLeft + (nameWidth - t.nameWidth) / 2, y + Z(j == 0 ? 6 : 2), t.name);
            p.drawStaticText(x + (Z(46) - t.versionWidth) / 2, y + Z(23), t.version);
        }
    }
}

// ---- Clipboard formats ----

unsigned systemClipboardFormats(const QMimeData* data)
{
    unsigned bits = 0;
    if (!data) return bits;
    for (unsigned i = 0; i < 4; ++i)
        if (data->hasFormat(model::ClipboardMimeType(QString::fromLatin1(kClipFormatNames[i])))) bits |= 1u << i;
    return bits;
}

// ---- View ----

SystemView::SystemView(SystemViewContext context, QWidget* parent)
    : QAbstractScrollArea(parent),
      ctx_(std::move(context)),
      slot_(ctx_.slotState ? ctx_.slotState : &ownSlot_),
      painter_(ctx_.style)
{
    setWindowTitle(res::qmessage(6004, ctx_.language));
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(false);
    updateScrollBars();
}

SystemView::~SystemView() = default;

QPoint SystemView::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void SystemView::updateScrollBars()
{
    const IntPoint size = scrollSize(zoom_);
    const QSize vp = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, size.x - vp.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.y - vp.height()));
    horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
    verticalScrollBar()->setPageStep(std::max(1, vp.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, vp.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, vp.height() / 10));
}

void SystemView::SetZoom(int percent)
{
    zoom_ = zoomOfPercent(percent);
    zoomPercent_ = static_cast<int>(zoom_ * 100 + 0.5);
    updateScrollBars();
    highlight_.reset();
    slot_->store(SlotRedrawFill);
    viewport()->repaint();
}

void SystemView::requestRedraw(bool fill)
{
    if (slot_->load() >= SlotOpen) slot_->store(fill ? SlotRedrawFill : SlotRedraw);
    highlight_.reset();
    viewport()->update();
}

void SystemView::systemRedraw() { requestRedraw(true); }

Cell SystemView::cellAt(const QPoint& point) const
{
    const QPoint s = scrollPosition();
    return hitTestView({point.x(), point.y()}, {s.x(), s.y()}, zoom_);
}

bool SystemView::HitTestCell(const QPoint& point, int& station, int& card)
{
    const Cell c = cellAt(point);
    station = c.station;
    card = c.card;
    if (!c.valid()) return false;
    if (ctx_.selection) ctx_.selection->select(c.station, c.card);
    return true;
}

Cell SystemView::HitTestHighlight(const QPoint& point, const QColor& colour)
{
    const Cell c = cellAt(point);
    if (!c.valid()) return c;
    highlight_ = Highlight{c, colour};
    const QPoint s = scrollPosition();
    const IntRect r = highlightRect(c, {s.x(), s.y()}, zoom_);
    viewport()->update(QRect(r.x, r.y, r.width, r.height));
    return c;
}

bool SystemView::IsLeftOfCardArea(const QPoint& point) const
{
    return isLeftOfCardArea({point.x(), point.y()}, horizontalScrollBar()->value(), viewport()->height(), zoom_);
}

bool SystemView::IsInCardArea(const QPoint& point) const
{
    return isInCardArea({point.x(), point.y()}, horizontalScrollBar()->value(), viewport()->height(), zoom_);
}

void SystemView::RebuildDisplayData()
{
    if (!ctx_.commViewOpen || !ctx_.commViewOpen()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    {
        BusyDialog busy(this, ctx_.language);
        busy.show();
        if (ctx_.buildCommTable) ctx_.buildCommTable(busy);
    }
    QGuiApplication::restoreOverrideCursor();
    if (ctx_.invalidateCommView) ctx_.invalidateCommView();
}

unsigned SystemView::clipboardFormats() const
{
    const QClipboard* clip = QGuiApplication::clipboard();
    return clip ? systemClipboardFormats(clip->mimeData()) : 0;
}

std::vector<int> SystemView::prepareContextMenu(const QPoint& point)
{
    const Cell c = cellAt(point);
    if (!c.valid() || !ctx_.masters || !ctx_.tables) return {};
    MenuContext m;
    m.cell = c;
    m.online = isOnline();
    m.registryMonitorActive = ctx_.registryMonitorActive && ctx_.registryMonitorActive();
    if (m.online) {
        m.model = DescribeUnit(*ctx_.masters, *ctx_.tables, c.station, c.card).model;
        return contextMenuCommands(m);
    }
    CurrentUnit unit = DescribeUnit(*ctx_.masters, *ctx_.tables, c.station, c.card);
    if (ctx_.selection) {
        ctx_.selection->select(c.station, c.card);
        ctx_.selection->loadUnitBlocks();
        unit = ctx_.selection->current();
    }
    requestRedraw();
    m.placed = unitPlaced(*ctx_.tables, c);
    m.model = unit.model;
    m.unitText = unit.unitText;
    m.clipboard = clipboardFormats();
    m.workRecordHasCard = ctx_.workRecordHasCard && ctx_.workRecordHasCard();
    return contextMenuCommands(m);
}

std::vector<std::pair<int, bool>> SystemView::contextMenuEntries(const QPoint& point)
{
    std::vector<std::pair<int, bool>> entries;
    for (const int id : prepareContextMenu(point))
        if (id != syscmd::Separator) entries.emplace_back(id, commandBuilt(id));
    return entries;
}

bool SystemView::isEditEnabled(int command) const
{
    if (!commandBuilt(command)) return false;
    EditContext e;
    e.online = isOnline();
    e.canUndo = ctx_.canUndo && ctx_.canUndo();
    e.canRedo = ctx_.canRedo && ctx_.canRedo();
    if (ctx_.selection && ctx_.tables) {
        const CurrentUnit u = ctx_.selection->current();
        e.cell = u.cell();
        e.placed = unitPlaced(*ctx_.tables, e.cell);
        e.model = u.model;
        e.unitText = u.unitText;
    }
    e.clipboard = clipboardFormats();
    return editCommandEnabled(command, e);
}

void SystemView::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const int state = slot_->load();
    const DrawDecision d = drawDecision(state, true);
    if (!d.draw) {
        p.fillRect(event->rect(), painter_.style().background);
        return;
    }
    if (ctx_.selection) clicks_.restoreIfUnselected(*ctx_.selection);
    const QPoint s = scrollPosition();
    p.translate(-s);
    SystemPainter::Input in;
    in.masters = ctx_.masters;
    in.tables = ctx_.tables;
    in.zoom = zoom_;
    in.displayNames = &ctx_.displayNames;
    if (ctx_.selection) in.selected = ctx_.selection->current().cell();
    // The backing store keeps no earlier picture, so the exposed part is always filled.
    painter_.paint(p, in, event->rect().translated(s), true);
    if (highlight_) {
        const IntRect r = highlightRect(highlight_->cell, {0, 0}, zoom_);
        p.fillRect(QRect(r.x, r.y, r.width, r.height), highlight_->colour);
    }
    int expected = state;
    slot_->compare_exchange_strong(expected, stateAfterDraw(state));
}

void SystemView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void SystemView::showEvent(QShowEvent* event)
{
    int opening = SlotOpening;
    slot_->compare_exchange_strong(opening, SlotOpen);
    QAbstractScrollArea::showEvent(event);
}

void SystemView::scrollContentsBy(int, int)
{
    highlight_.reset();
    viewport()->update();
}

void SystemView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (isOnline()) {
        QApplication::beep();
        return;
    }
    if (!ctx_.selection) return;
    const ClickTracker::Result r = clicks_.press(cellAt(event->position().toPoint()), *ctx_.selection);
    if (r.repaintNow) {
        slot_->store(SlotRedrawFill);
        highlight_.reset();
        viewport()->repaint();
    } else if (r.hit) {
        requestRedraw();
    }
}

void SystemView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    if (isOnline()) {
        QApplication::beep();
        return;
    }
    if (!ctx_.selection || !ctx_.tables) return;
    const Cell c = cellAt(event->position().toPoint());
    if (!clicks_.select(c, *ctx_.selection)) return;
    requestRedraw();
    switch (doubleClickAction(ctx_.selection->current(), unitPlaced(*ctx_.tables, c))) {
    case DoubleClickAction::OpenBlockList: Q_EMIT openBlockListRequested(); break;
    case DoubleClickAction::ChangeDevice: Q_EMIT commandRequested(syscmd::ChangeDevice); break;
    case DoubleClickAction::None: break;
    }
}

void SystemView::contextMenuEvent(QContextMenuEvent* event)
{
    const std::vector<int> commands = prepareContextMenu(event->pos());
    if (commands.empty()) return;
    const std::string model = ctx_.selection ? ctx_.selection->current().model : std::string();
    QMenu menu(this);
    for (const int id : commands) {
        if (id == syscmd::Separator) {
            menu.addSeparator();
            continue;
        }
        QAction* a = menu.addAction(res::qmessage(MenuTextId(id, model), ctx_.language));
        a->setData(id);
        a->setEnabled(commandBuilt(id));
    }
    if (QAction* chosen = menu.exec(event->globalPos())) Q_EMIT commandRequested(chosen->data().toInt());
}

}  // namespace kravin::editors
