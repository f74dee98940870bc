#include "compare_error_dialog.h"

#include "transfer_dialog_common.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace kravin::online {

CompareErrorDialog::CompareErrorDialog(const CompareDifference& d, res::Language l, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_192"));
    setWindowTitle(TransferText(l, "Compare Error", "比較エラー"));
    char card[8], group[8], item[8];
    std::snprintf(card, sizeof card, "%X", static_cast<unsigned>(d.card) & 0xFu);
    std::snprintf(group, sizeof group, "%02d", d.group % 100);
    std::snprintf(item, sizeof item, "%02d", d.item % 100);
    struct Row {
        const char* id;
        const char *en, *ja;
        QString value;
    };
    const Row rows[5] = {{"1011", "Card", "カード", QString::fromLatin1(card)},
                         {"1000", "Group", "グループ", QString::fromLatin1(group)},
                         {"1001", "Item", "項目", QString::fromLatin1(item)},
                         {"1009", "Data (Device)", "データ（機器）", QString::fromStdString(d.device)},
                         {"1010", "Data (KRAV)", "データ（KRAV）", QString::fromStdString(d.project)}};
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (int i = 0; i < 5; ++i) {
        auto* e = new QLineEdit(rows[i].value, this);
        e->setObjectName(QString::fromLatin1(rows[i].id));
        e->setReadOnly(true);
        form->addRow(TransferText(l, rows[i].en, rows[i].ja), e);
        fields_[i] = e;
    }
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* skip = new QPushButton(TransferText(l, "Skip", "スキップ"), this);
    skip->setObjectName(QStringLiteral("IDOK"));
    auto* abort = new QPushButton(TransferText(l, "Abort", "中止"), this);
    abort->setObjectName(QStringLiteral("IDCANCEL"));
    connect(skip, &QPushButton::clicked, this, [this] { done(model::AnswerSkip); });
    connect(abort, &QPushButton::clicked, this, [this] { done(model::AnswerAbort); });
    buttons->addStretch();
    buttons->addWidget(skip);
    buttons->addWidget(abort);
    layout->addLayout(buttons);
}

}  // namespace kravin::online
