#include "ladder_view.h"

#include "KRAVinA.h"
#include "shared_dialogs.h"
#include "text_codec.h"
#include "validation.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <charconv>
#include <cstring>

namespace kravin::ladder {

namespace {

// Edit menu and private commands the frame hands to the view.
constexpr int kEditUndo = 32896, kEditRedo = 32897, kEditCut = 32893, kEditCopy = 32894, kEditPaste = 32895,
              kEditDelete = 32872, kLadderRedraw = 40606;

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

// The digits a dialog accepted as a number; nothing for any other text.
std::optional<int> Digits(const std::string& text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

// The operand dialogs and the current unit's terminal data.
class LadderView::DialogHost final : public LadderEditorHost {
public:
    DialogHost(LadderView& view) : view_(view) {}

    model::UnitContext& unit() { return view_.context_.session->unit(); }
    model::Prompt& prompt() { return *view_.context_.prompt; }
    res::Language language() const { return view_.context_.language; }

    bool online() const override { return view_.online(); }
    std::optional<int> askStepNumber(int initial) override
    {
        editors::DialogExchange& ex = editors::dialogExchange();
        ex.stepNoValue = initial;
        editors::StepNoInputDialog d(ex, prompt(), language(), &view_);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return Digits(d.text());
    }
    std::optional<Timer> askTimer(int cellValue) override
    {
        editors::StepTimerDialog d(cellValue, language(), &view_);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return Timer{d.timerKind(), d.seconds()};
    }
    std::optional<int> askParameter(int kind, int initial) override
    {
        editors::DialogExchange& ex = editors::dialogExchange();
        ex.paramKind = kind;
        ex.paramValue = initial;
        editors::ParamInputDialog d(ex, prompt(), language(), view_.context_.browseContact, &view_);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return Digits(d.text());
    }
    std::optional<std::string> askComment(const std::string& current) override
    {
        editors::EnterCommentDialog d(current, language(), &view_);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return d.comment();
    }
    void message(int id) override { prompt().message(id, {}, model::Buttons::Ok, model::Icon::Warning); }
    void beep() override { QApplication::beep(); }
    void toggleKeyHelp() override
    {
        if (view_.context_.toggleKeyHelp) view_.context_.toggleKeyHelp();
    }
    std::string definitionTerminalName(int kk, int nn) override
    {
        char name[21] = {};
        model::GetBlockItemName(unit(), kk, nn, name);
        return std::string(model::fieldView(name));
    }
    std::string terminalComment(int kk, int nn) override
    {
        std::array<char, model::kUnitHeadSize> head;
        if (unit().ReadUnitImage(head) != 0) return {};
        char term[KRAVINA_UNIT_TERM_SIZE + 1] = {};
        KRAVinA_Data_Term_Get(kk, nn, term);
        std::string text(model::fieldView(term, KRAVINA_UNIT_TERM_SIZE));
        return text.empty() ? definitionTerminalName(kk, nn) : text;
    }
    bool storeTerminalComment(int kk, int nn, const std::string& cp932) override
    {
        std::array<char, model::kUnitHeadSize> head;
        if (unit().ReadUnitImage(head) != 0) return false;
        char term[KRAVINA_UNIT_TERM_SIZE + 1] = {};
        std::memcpy(term, cp932.data(), std::min<std::size_t>(cp932.size(), KRAVINA_UNIT_TERM_SIZE));
        KRAVinA_Data_Term_Set(kk, nn, term);
        view_.forgetNames();
        return KRAVinA_Data_Write(unit().g_curStation, unit().libraryCard(), head.data(), unit().workFolder.c_str()) ==
               0;
    }
    int station() const override { return view_.context_.session->unit().g_curStation; }
    int card() const override { return view_.context_.session->unit().g_curCard; }
    std::string workFolder() const override { return view_.context_.session->unit().workFolder; }

private:
    LadderView& view_;
};

LadderView::LadderView(LadderViewContext context, QWidget* parent)
    : QAbstractScrollArea(parent), context_(std::move(context)), dialogs_(std::make_unique<DialogHost>(*this))
{
    editor_ = std::make_unique<LadderEditor>(context_.session->ladder, context_.host ? *context_.host : *dialogs_);
    editor_->undo().Clear();
    setObjectName(QStringLiteral("ladderView"));
    setWindowTitle(res::qmessage(6002, context_.language).trimmed());
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(LadderRowHeight(ladder().g_ladderShowComments));
    horizontalScrollBar()->setSingleStep(kCellPitch);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    updateScrollRange();
}

LadderView::~LadderView() = default;

void LadderView::updateScrollRange()
{
    const bool comments = ladder().g_ladderShowComments;
    const QSize port = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, LadderContentHeight(comments) - port.height()));
    verticalScrollBar()->setPageStep(port.height());
    verticalScrollBar()->setSingleStep(LadderRowHeight(comments));
    horizontalScrollBar()->setRange(0, std::max(0, kLadderWidth - port.width()));
    horizontalScrollBar()->setPageStep(port.width());
}

void LadderView::redraw()
{
    updateScrollRange();
    LadderContext& l = ladder();
    if (l.g_ladderScrollRequest != 0) {
        verticalScrollBar()->setValue(l.g_ladderScrollRequest * LadderRowHeight(l.g_ladderShowComments));
        l.g_ladderScrollRequest = 0;
    }
    viewport()->update();
}

QString LadderView::nameOf(int kk, int nn, bool coil)
{
    const int key = (coil ? 10000 : 0) + kk * 100 + nn;
    const auto it = names_.find(key);
    if (it != names_.end()) return it->second;
    QString name;
    model::UnitContext& unit = context_.session->unit();
    if (context_.host) {
        name = model::cp932ToQString(context_.host->terminalComment(kk, nn));
    } else if (!coil || model::IsDigitalItem(unit, kk, nn)) {
        // The unit's image is read once for all the names of a drawing.
        std::array<char, model::kUnitHeadSize> head;
        if (!unitRead_) unitRead_ = unit.ReadUnitImage(head) == 0;
        char term[KRAVINA_UNIT_TERM_SIZE + 1] = {};
        if (unitRead_) KRAVinA_Data_Term_Get(kk, nn, term);
        std::string text(model::fieldView(term, KRAVINA_UNIT_TERM_SIZE));
        if (text.empty()) text = dialogs_->definitionTerminalName(kk, nn);
        name = model::cp932ToQString(text);
    }
    names_[key] = name;
    return name;
}

void LadderView::paintContent(QPainter& p, const QRect& area)
{
    unitRead_ = false;  // another unit may have been read since the last drawing
    LadderContext& l = ladder();
    LadderPaintState s;
    s.grid = &l.Grid();
    s.comments = l.g_ladderShowComments;
    s.cursor = l.g_ladderCursor;
    std::optional<LadderConduction> conduction;
    if (context_.monitorValues) {
        if (const auto values = context_.monitorValues()) {
            conduction = ComputeConduction(l.Grid(), *values);
            s.conduction = &*conduction;
            s.activeStep = values->activeStep;
        }
    }
    s.terminalName = [this](int kk, int nn, bool coil) { return nameOf(kk, nn, coil); };
    s.cache = &texts_;
    LadderStyle style = context_.style;
    if (context_.gridShown) style.grid = context_.gridShown();
    if (context_.background) style.background = context_.background();
    DrawLadder(p, s, style, area);
}

void LadderView::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    p.translate(-offset);
    paintContent(p, event->rect().translated(offset));
}

void LadderView::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    redraw();
    sequence::SequenceSession& s = *context_.session;
    if (s.convertResult != 0 && !s.convertMessageShown) {
        s.convertMessageShown = true;
        QTimer::singleShot(0, this, [this] {
            context_.prompt->message(laddermsg::CannotConvert, {}, model::Buttons::Ok, model::Icon::Warning);
        });
    }
}

void LadderView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void LadderView::ensureCursorVisible()
{
    const LadderContext& l = ladder();
    const int h = LadderRowHeight(l.g_ladderShowComments);
    QScrollBar* v = verticalScrollBar();
    const int top = h * l.g_ladderCursor.row, bottom = top + h;
    if (top < v->value())
        v->setValue(top);
    else if (bottom > v->value() + viewport()->height())
        v->setValue(bottom - viewport()->height());
    QScrollBar* hs = horizontalScrollBar();
    const int left = kCellPitch * l.g_ladderCursor.col, right = left + 85;
    if (left < hs->value())
        hs->setValue(left);
    else if (right > hs->value() + viewport()->width())
        hs->setValue(right - viewport()->width());
}

void LadderView::after(EditResult result, bool page, int pageDelta)
{
    if (page) verticalScrollBar()->setValue(verticalScrollBar()->value() + pageDelta);
    if (result == EditResult::Changed) {
        forgetNames();
        Q_EMIT edited();
    }
    redraw();
    ensureCursorVisible();
}

void LadderView::keyPressEvent(QKeyEvent* event)
{
    KeyPress k;
    k.ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        k.key = LadderKey::Digit;
        k.digit = key - Qt::Key_0;
    } else if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        k.key = LetterKey(static_cast<char>('A' + (key - Qt::Key_A)));
    } else {
        switch (key) {
        case Qt::Key_Delete: k.key = LadderKey::Delete; break;
        case Qt::Key_Backspace: k.key = LadderKey::Backspace; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: k.key = LadderKey::Enter; break;
        case Qt::Key_Insert: k.key = LadderKey::Insert; break;
        case Qt::Key_Home: k.key = LadderKey::Home; break;
        case Qt::Key_PageUp: k.key = LadderKey::PageUp; break;
        case Qt::Key_PageDown: k.key = LadderKey::PageDown; break;
        case Qt::Key_Left: k.key = LadderKey::Left; break;
        case Qt::Key_Up: k.key = LadderKey::Up; break;
        case Qt::Key_Right: k.key = LadderKey::Right; break;
        case Qt::Key_Down: k.key = LadderKey::Down; break;
        default: break;
        }
    }
    if (k.key == LadderKey::None) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    // Letters other than I ignore Ctrl; the row commands need it.
    if (k.key != LadderKey::Comment && k.key != LadderKey::Insert && k.key != LadderKey::Delete) k.ctrl = false;
    event->accept();
    const int before = ladder().g_ladderCursor.row;
    const EditResult r = editor_->EditCommand(k);
    const bool page = k.key == LadderKey::PageUp || k.key == LadderKey::PageDown;
    const int delta = (ladder().g_ladderCursor.row - before) * LadderRowHeight(ladder().g_ladderShowComments);
    after(r, page, delta);
}

bool LadderView::moveCursorTo(const QPoint& viewPoint)
{
    const QPoint p = viewPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const GridPos hit = HitTestCell(p.x(), p.y(), ladder().g_ladderShowComments);
    if (hit.row < 0) return false;
    editor_->SetCursor(hit.row, hit.col);
    viewport()->update();
    return true;
}

void LadderView::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (online()) {
        QApplication::beep();
        return;
    }
    if (event->button() == Qt::LeftButton) moveCursorTo(event->position().toPoint());
}

void LadderView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (online()) {
        QApplication::beep();
        return;
    }
    if (event->button() != Qt::LeftButton || !moveCursorTo(event->position().toPoint())) return;
    after(editor_->EditElement());
}

QString LadderView::menuText(int id) const
{
    const res::Language l = context_.language;
    switch (id) {
    case laddercmd::Step: return tx(l, "Step", "ステップ");
    case laddercmd::Timer: return tx(l, "Timer", "タイマ");
    case laddercmd::ContactNO: return tx(l, "N.O. contact", "a接点");
    case laddercmd::ContactNC: return tx(l, "N.C. contact", "b接点");
    case laddercmd::Out: return tx(l, "Output coil", "出力コイル");
    case laddercmd::OutNot: return tx(l, "Output coil(NOT)", "出力コイル(NOT)");
    case laddercmd::Set: return tx(l, "SET coil", "SETコイル");
    case laddercmd::Reset: return tx(l, "RESET coil", "RESETコイル");
    case laddercmd::OneShot: return tx(l, "One Shot coil", "ワンショットコイル");
    case laddercmd::Branch: return tx(l, "Branch", "分岐");
    case laddercmd::Connect: return tx(l, "Connect", "接続");
    case laddercmd::Delete: return tx(l, "Delete", "削除");
    case laddercmd::OrLine: return tx(l, "OR connection (delete)", "OR接続(削除)");
    case laddercmd::InsertRow: return tx(l, "Insert row", "行挿入");
    case laddercmd::DeleteRow: return tx(l, "Delete row", "行削除");
    case laddercmd::Comment: return tx(l, "Enter comment", "コメント入力");
    case laddercmd::Move: return tx(l, "Move", "移動");
    case laddercmd::Copy: return tx(l, "Copy", "コピー");
    case laddercmd::Paste: return tx(l, "Paste", "貼り付け");
    default: return {};
    }
}

void LadderView::contextMenuEvent(QContextMenuEvent* event)
{
    if (online()) {
        QApplication::beep();
        return;
    }
    if (!moveCursorTo(event->pos())) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ladderMenu"));
    for (const MenuEntry& e : editor_->PopupMenu()) {
        if (e.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* a = menu.addAction(menuText(e.id));
        a->setData(e.id);
    }
    if (QAction* chosen = menu.exec(event->globalPos())) runCommand(chosen->data().toInt());
}

bool LadderView::isCommandEnabled(int id) const
{
    const bool on = online();
    switch (id) {
    case kEditUndo: return !on && editor_->undo().CanUndo();
    case kEditRedo: return !on && editor_->undo().CanRedo();
    case kEditCut:
    case kEditCopy:
    case kEditDelete: return !on;
    case kEditPaste: return !on && context_.session->ladder.g_ladderClipRows.count > 0;
    default: return false;
    }
}

void LadderView::runCommand(int id)
{
    switch (id) {
    case kLadderRedraw: redraw(); return;
    case kEditUndo:
    case kEditRedo: {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const EditResult r = id == kEditUndo ? editor_->Undo() : editor_->Redo();
        QApplication::restoreOverrideCursor();
        after(r == EditResult::Nothing ? EditResult::Moved : r);
        setFocus();
        return;
    }
    case kEditCut: after(editor_->CutRung()); return;
    case kEditCopy: after(editor_->CopyRung()); return;
    case kEditPaste: after(editor_->PasteRows()); return;
    case kEditDelete: after(editor_->RunCommand(laddercmd::Delete)); return;
    default: break;
    }
    if (id >= laddercmd::Step && id <= laddercmd::Comment) after(editor_->RunCommand(id));
    setFocus();
}

}  // namespace kravin::ladder
