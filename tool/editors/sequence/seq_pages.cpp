#include "seq_pages.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace kravin::sequence {

namespace {

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

QPushButton* makeButton(QWidget* parent, QHBoxLayout* row, int id, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::number(id));
    b->setFocusPolicy(Qt::NoFocus);
    row->addWidget(b);
    return b;
}

}  // namespace

UnitInfoBar::UnitInfoBar(model::UnitContext& unit, std::function<int()> group, QWidget* parent)
    : QWidget(parent), unit_(unit), group_(std::move(group))
{
    setObjectName(QStringLiteral("infoBar"));
    setFixedHeight(26);
}

QStringList UnitInfoBar::texts() const
{
    QStringList out;
    char text[32];
    std::snprintf(text, sizeof text, "STATION:%02X", std::max(0, unit_.g_curStation) & 0xFF);
    out << QString::fromLatin1(text);
    if (unit_.g_curCard <= 0)
        std::snprintf(text, sizeof text, "CARD:-");
    else
        std::snprintf(text, sizeof text, "CARD:%01X", (unit_.g_curCard - 1) & 0xF);
    out << QString::fromLatin1(text);
    if (unit_.g_curStation >= 0 && unit_.g_curCard >= 0) {
        out << QString::fromLatin1(unit_.model().data(), static_cast<int>(unit_.model().size())).left(8);
        out << QString::fromLatin1(unit_.version().data(), static_cast<int>(unit_.version().size())).left(4);
    }
    if (group_) {
        std::snprintf(text, sizeof text, "GROUP:%02d", group_());
        out << QString::fromLatin1(text);
    }
    return out;
}

void UnitInfoBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    const QStringList t = texts();
    const bool unit = unit_.g_curStation >= 0 && unit_.g_curCard >= 0;
    const int xs[] = {10, 130, 240, 308, 380};
    int i = 0;
    for (int k = 0; k < t.size(); ++k) {
        if (!unit && k == 2) i = 4;  // no kind and version: the group keeps its place
        p.drawText(QPoint(xs[std::min(i, 4)], 8 + fontMetrics().ascent()), t[k]);
        ++i;
    }
}

// ---- sequential page ----

SeqBlkPage::SeqBlkPage(SeqViewContext context, model::UnitContext& unit, QWidget* parent) : QWidget(parent)
{
    const res::Language l = context.language;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    info_ = new UnitInfoBar(unit, {}, this);
    layout->addWidget(info_);
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("seqBlkBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 10, 2);
    blkList_ = makeButton(bar, row, barid::SeqBlkList, tx(l, "Function Block List", "機能ブロック一覧"));
    ladder_ = makeButton(bar, row, barid::SeqLadder, tx(l, "Ladder Setting", "ラダー設定"));
    row->addStretch();
    close_ = makeButton(bar, row, barid::SeqClose, tx(l, "Close", "閉じる"));
    layout->addWidget(bar);
    view_ = new SeqBlkView(std::move(context), this);
    layout->addWidget(view_, 1);
    setWindowTitle(view_->windowTitle());
    setFocusProxy(view_);
    connect(blkList_, &QPushButton::clicked, this, &SeqBlkPage::openBlockListRequested);
    connect(ladder_, &QPushButton::clicked, this, &SeqBlkPage::openLadderRequested);
    connect(close_, &QPushButton::clicked, this, &SeqBlkPage::closeRequested);
    connect(view_, &SeqBlkView::selectionChanged, this, &SeqBlkPage::updateButtons);
    updateButtons();
}

QPushButton* SeqBlkPage::button(int id) const
{
    switch (id) {
    case barid::SeqBlkList: return blkList_;
    case barid::SeqLadder: return ladder_;
    case barid::SeqClose: return close_;
    default: return nullptr;
    }
}

void SeqBlkPage::updateButtons() { ladder_->setEnabled(view_->session().LadderAllowed()); }

void SeqBlkPage::runCommand(int id)
{
    view_->runCommand(id);
    updateButtons();
}

// ---- ladder page ----

LadderPage::LadderPage(ladder::LadderViewContext context, model::UnitContext& unit, QWidget* parent)
    : QWidget(parent), session_(context.session), language_(context.language)
{
    const res::Language l = language_;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    SequenceSession* s = session_;
    info_ = new UnitInfoBar(
        unit, [s] { return s->group(); }, this);
    layout->addWidget(info_);
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ladderBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 10, 2);
    row->setSpacing(10);
    seq_ =
        makeButton(bar, row, barid::LadderSeq, tx(l, "Sequential Control Block Setting", "シーケンス制御ブロック設定"));
    row->addStretch();
    confirm_ = makeButton(bar, row, barid::LadderConfirm, tx(l, "Confirm", "確定"));
    comment_ = makeButton(bar, row, barid::LadderComment, QString());
    cancel_ = makeButton(bar, row, barid::LadderCancel, tx(l, "Cancel", "キャンセル"));
    close_ = makeButton(bar, row, barid::LadderClose, tx(l, "Close", "閉じる"));
    layout->addWidget(bar);
    view_ = new ladder::LadderView(std::move(context), this);
    layout->addWidget(view_, 1);
    setWindowTitle(view_->windowTitle());
    setFocusProxy(view_);
    commentCaption();
    connect(seq_, &QPushButton::clicked, this, &LadderPage::closeLadder);
    connect(close_, &QPushButton::clicked, this, &LadderPage::closeLadder);
    connect(confirm_, &QPushButton::clicked, this, &LadderPage::confirm);
    connect(comment_, &QPushButton::clicked, this, &LadderPage::toggleComments);
    connect(cancel_, &QPushButton::clicked, this, &LadderPage::cancel);
}

QPushButton* LadderPage::button(int id) const
{
    switch (id) {
    case barid::LadderSeq: return seq_;
    case barid::LadderConfirm: return confirm_;
    case barid::LadderComment: return comment_;
    case barid::LadderCancel: return cancel_;
    case barid::LadderClose: return close_;
    default: return nullptr;
    }
}

void LadderPage::commentCaption()
{
    comment_->setText(res::qmessage(session_->ladder.g_ladderShowComments ? 8201 : 8200, language_));
}

void LadderPage::showError()
{
    view_->forgetNames();
    view_->redraw();
    view_->setFocus();
}

void LadderPage::confirm()
{
    session_->LadderConfirm();
    Q_EMIT view_->edited();
    showError();
}

void LadderPage::toggleComments()
{
    session_->ToggleComments();
    Q_EMIT commentsToggled(session_->ladder.g_ladderShowComments);
    commentCaption();
    showError();
}

void LadderPage::cancel()
{
    if (session_->LadderCancel()) Q_EMIT closeRequested();
}

void LadderPage::closeLadder()
{
    if (session_->LadderClose()) {
        Q_EMIT closeRequested();
        return;
    }
    showError();
}

}  // namespace kravin::sequence
