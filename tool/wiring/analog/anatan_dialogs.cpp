#include "anatan_dialogs.h"

#include "tan_draw.h"
#include "small_dialogs.h"
#include "text_codec.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kravin::wiring {

namespace {

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

std::int32_t colorRefOf(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

void showColour(QPushButton* button, std::int32_t colorref)
{
    button->setStyleSheet(QStringLiteral("background-color: %1").arg(colorOf(colorref).name()));
}

QDialogButtonBox* okCancel(QDialog* d, res::Language l)
{
    auto* box = new QDialogButtonBox(d);
    box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
    box->addButton(tx(l, "Cancel", "キャンセル"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}

// A "..." button that picks a colour and shows it.
QPushButton* colourButton(QDialog* d, std::int32_t* colorref)
{
    auto* b = new QPushButton(QStringLiteral("..."), d);
    b->setObjectName(QStringLiteral("colour"));
    showColour(b, *colorref);
    QObject::connect(b, &QPushButton::clicked, d, [d, b, colorref] {
        const QColor c = QColorDialog::getColor(colorOf(*colorref), d);
        if (!c.isValid()) return;
        *colorref = colorRefOf(c);
        showColour(b, *colorref);
    });
    return b;
}

}  // namespace

SelectGroupDialog::SelectGroupDialog(const GroupChoices& choices, res::Language l, QWidget* parent)
    : QDialog(parent), combo_(new QComboBox(this))
{
    setWindowTitle(tx(l, "Select Group", "グループ選択"));
    combo_->setObjectName(QStringLiteral("group"));
    for (int g : choices.groups) combo_->addItem(QString::number(g), g);
    if (!choices.groups.empty()) combo_->setCurrentIndex(choices.preferred);
    auto* form = new QFormLayout(this);
    form->addRow(tx(l, "Group :", "グループ :"), combo_);
    form->addRow(okCancel(this, l));
}

int SelectGroupDialog::group() const { return combo_->currentIndex() < 0 ? -1 : combo_->currentData().toInt(); }

LineFormatDialog::LineFormatDialog(const LineFormatChoice& current, res::Language l, QWidget* parent)
    : QDialog(parent), type_(new QComboBox(this)), width_(new QComboBox(this)), colourRef_(current.colour)
{
    setWindowTitle(tx(l, "Connection Line Format", "結線フォーマット"));
    type_->setObjectName(QStringLiteral("type"));
    width_->setObjectName(QStringLiteral("width"));
    type_->addItems({tx(l, "Solid", "実線"), tx(l, "Dot", "点線")});
    width_->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    type_->setCurrentIndex(std::clamp(current.style, 0, 1));
    width_->setCurrentIndex(std::clamp(current.width, 0, 3));
    colour_ = colourButton(this, &colourRef_);
    auto* form = new QFormLayout(this);
    form->addRow(tx(l, "Line Type :", "線種 :"), type_);
    form->addRow(tx(l, "Thickness :", "太さ :"), width_);
    form->addRow(tx(l, "Color :", "色 :"), colour_);
    form->addRow(okCancel(this, l));
}

LineFormatChoice LineFormatDialog::choice() const
{
    return {type_->currentIndex(), width_->currentIndex(), colourRef_};
}

JumpLabelDialog::JumpLabelDialog(res::Language l, QWidget* parent) : QDialog(parent), edit_(new QLineEdit(this))
{
    setWindowTitle(tx(l, "Jump to Label", "ジャンプ先ラベル"));
    edit_->setObjectName(QStringLiteral("label"));
    edit_->setMaxLength(7);
    auto* form = new QFormLayout(this);
    form->addRow(tx(l, "Label Name :", "ラベル名 :"), edit_);
    form->addRow(okCancel(this, l));
}

std::optional<int> QtAnaTanDialogs::selectGroup(const model::UnitContext& unit, const std::string& code5)
{
    SelectGroupDialog d(SelectGroupChoices(unit, code5), language_, parent_);
    if (d.exec() != QDialog::Accepted || d.group() < 0) return std::nullopt;
    return d.group();
}

std::optional<std::string> QtAnaTanDialogs::jumpLabel()
{
    JumpLabelDialog d(language_, parent_);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return model::qstringToCp932(d.edit()->text());
}

std::optional<LineFormatChoice> QtAnaTanDialogs::lineFormat(const LineFormatChoice& current)
{
    LineFormatDialog d(current, language_, parent_);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.choice();
}

bool QtAnaTanDialogs::run(model::CommentDialogData& data)
{
    // The comment layer's one dialog, shared with the other views.
    editors::QtCommentDialog dialog(language_, parent_);
    return dialog.run(data);
}

}  // namespace kravin::wiring
