#include "busy_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kravin::editors {

BusyDialog::BusyDialog(QWidget* parent, res::Language language) : QDialog(parent), bar_(new QProgressBar(this))
{
    setObjectName(QStringLiteral("IDD_157"));
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(language == res::Language::Japanese
                                ? QStringLiteral("通信端子接続の表示データを作成しています。お待ちください。")
                                : QStringLiteral("Communication Terminal Connection display data is being created. "
                                                 "Please wait."),
                            this);
    text->setWordWrap(true);
    layout->addWidget(text);
    bar_->setObjectName(QStringLiteral("1092"));
    bar_->setRange(0, kSteps);
    bar_->setValue(0);
    layout->addWidget(bar_);
}

void BusyDialog::step()
{
    if (bar_->value() < kSteps) bar_->setValue(bar_->value() + 1);
}

int BusyDialog::value() const { return bar_->value(); }

}  // namespace kravin::editors
