#include "seq_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cstdio>

namespace kravin::sequence {

namespace {

constexpr int kEditUndo = 32896, kEditRedo = 32897;

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

void Edge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

QRect BoxRect(int group, int index)
{
    return QRect(kTabLeft + kTabPitch * (group - model::kFirstSeqGroup), kBoxTop + kBoxPitch * index, kBoxWidth,
                 kBoxHeight);
}

}  // namespace

void DrawSeqBlocks(QPainter& p, const SeqPaintState& s, const SeqStyle& st, const QRect& area)
{
    if (!s.steps) return;
    p.save();
    p.setFont(st.font);
    p.fillRect(area, st.background);
    const model::StepTable& table = s.steps->g_stepTable;
    for (int g = model::kFirstSeqGroup; g <= model::kLastSeqGroup; ++g) {
        const int k = g - model::kFirstSeqGroup;
        const bool enabled = s.steps->g_seqMarkers[static_cast<std::size_t>(k)] == std::array<char, 2>{'9', '5'};
        const QRect tab(kTabLeft + kTabPitch * k, kTabTop, kTabWidth, kTabHeight);
        const bool selected = g == s.group && s.selectedStep == -1;
        p.fillRect(tab, selected ? st.selected : enabled ? st.enabled : st.disabled);
        if (enabled)
            Edge(p, tab, st.light, st.dark);
        else
            Edge(p, tab, st.dark, st.light);
        char label[16];
        std::snprintf(label, sizeof label, "Group %02d", g);
        p.setPen(st.text);
        p.drawText(QRect(tab.x() + 4, 11, kTabWidth - 4, 16), Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(label));
        for (const StepBox& b : StepBoxes(table, g)) {
            const QRect box = BoxRect(g, b.index);
            if (!box.intersects(area)) continue;
            const bool on = g == s.group && b.step == s.selectedStep;
            p.fillRect(box, on ? st.selected : st.enabled);
            Edge(p, box, st.light, st.dark);
            std::snprintf(label, sizeof label, "Step%02d", b.step);
            p.setPen(st.text);
            p.drawText(QRect(box.x() + 2, box.y() + 6, kBoxWidth, 16), Qt::AlignLeft | Qt::AlignTop,
                       QString::fromLatin1(label));
        }
    }
    if (s.selectedStep != -2) {
        p.setPen(QPen(st.line, 1));
        for (const BranchLine& l : BranchLines(table, s.group)) {
            const QRect a = BoxRect(l.fromGroup, l.fromIndex), b = BoxRect(l.toGroup, l.toIndex);
            if (l.fromGroup == l.toGroup) {
                const int x = a.right() + 4;
                p.drawLine(a.right(), a.center().y(), x, a.center().y());
                p.drawLine(x, a.center().y(), x, b.center().y());
                p.drawLine(x, b.center().y(), b.right(), b.center().y());
            } else {
                p.drawLine(a.center().x() + (l.toGroup > l.fromGroup ? kBoxWidth / 2 : -kBoxWidth / 2), a.center().y(),
                           b.center().x() + (l.toGroup > l.fromGroup ? -kBoxWidth / 2 : kBoxWidth / 2), b.center().y());
            }
        }
    }
    p.restore();
}

SeqBlkView::SeqBlkView(SeqViewContext context, QWidget* parent)
    : QAbstractScrollArea(parent), context_(std::move(context))
{
    setObjectName(QStringLiteral("seqBlkView"));
    setWindowTitle(tx(context_.language, "Sequential Control Block Setting", "シーケンス制御ブロック設定"));
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    verticalScrollBar()->setSingleStep(kBoxPitch);
    updateScrollRange();
}

void SeqBlkView::updateScrollRange()
{
    const QSize port = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, SeqContentHeight(session().steps.g_stepTable) - port.height()));
    verticalScrollBar()->setPageStep(port.height());
    horizontalScrollBar()->setRange(0, std::max(0, kSeqAreaWidth + 10 - port.width()));
    horizontalScrollBar()->setPageStep(port.width());
}

void SeqBlkView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void SeqBlkView::paintContent(QPainter& p, const QRect& area)
{
    SeqPaintState s;
    s.steps = &session().steps;
    s.group = session().group();
    s.selectedStep = session().selectedStep();
    DrawSeqBlocks(p, s, context_.style, area);
}

void SeqBlkView::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    p.translate(-offset);
    paintContent(p, event->rect().translated(offset));
}

SeqHit SeqBlkView::hitAt(const QPoint& viewPoint) const
{
    const QPoint p = viewPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return HitTestSeq(context_.session->steps.g_stepTable, p.x(), p.y());
}

void SeqBlkView::changed()
{
    updateScrollRange();
    viewport()->update();
    Q_EMIT selectionChanged();
}

void SeqBlkView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const SeqHit hit = hitAt(event->position().toPoint());
    if (hit.kind == SeqHit::None) return;
    session().Select(hit);
    changed();
}

void SeqBlkView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const SeqHit hit = hitAt(event->position().toPoint());
    if (hit.kind == SeqHit::None || !session().GroupEnabled(hit.group)) return;
    session().Select(hit);
    changed();
    if (context_.openLadder) context_.openLadder();
}

void SeqBlkView::contextMenuEvent(QContextMenuEvent* event)
{
    const SeqHit hit = hitAt(event->pos());
    if (hit.kind == SeqHit::None) return;
    session().Select(hit);
    changed();
    const std::vector<int> ids = session().ContextMenu(hit, online());
    if (ids.empty()) return;
    const res::Language l = context_.language;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("seqMenu"));
    for (int id : ids) {
        if (id == 0) {
            menu.addSeparator();
            continue;
        }
        QString text;
        switch (id) {
        case seqcmd::Ladder: text = tx(l, "Ladder", "ラダー"); break;
        case seqcmd::Mnemonic: text = tx(l, "Mnemonic", "ニーモニック"); break;
        case seqcmd::EnableSetting: text = tx(l, "Enable setting", "設定有効"); break;
        case seqcmd::DisableSetting: text = tx(l, "Disable setting", "設定無効"); break;
        default: break;
        }
        QAction* a = menu.addAction(text);
        a->setData(id);
        a->setEnabled(id != seqcmd::Mnemonic || context_.editMnemonic);
    }
    if (QAction* chosen = menu.exec(event->globalPos())) runCommand(chosen->data().toInt());
}

bool SeqBlkView::isCommandEnabled(int id) const
{
    if (online()) return false;
    if (id == kEditUndo) return context_.session->seqUndo.CanUndo();
    if (id == kEditRedo) return context_.session->seqUndo.CanRedo();
    return false;
}

void SeqBlkView::runCommand(int id)
{
    switch (id) {
    case seqcmd::EnableSetting: session().EnableGroup(); break;
    case seqcmd::DisableSetting: session().DisableGroup(); break;
    case seqcmd::Mnemonic:
        if (context_.editMnemonic && !online() && context_.editMnemonic(session().group())) session().ReloadSteps();
        break;
    case seqcmd::Ladder:
        if (context_.openLadder) context_.openLadder();
        return;
    case kEditUndo:
    case kEditRedo:
        if (online()) return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (id == kEditUndo)
            session().seqUndo.Undo();
        else
            session().seqUndo.Redo();
        QApplication::restoreOverrideCursor();
        break;
    default: return;
    }
    changed();
}

}  // namespace kravin::sequence
