#include "transfer_dialog_common.h"

#include <QComboBox>
#include <QLabel>

namespace kravin::online {

QString TransferText(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

QLabel* TransferLabel(QWidget* parent, const char* id, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(id));
    return label;
}

QComboBox* DeviceCombo(QWidget* parent, const TransferDevices& devices)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("1273"));
    for (std::size_t i = 0; i < devices.rows.size(); ++i)
        combo->addItem(QString::fromStdString(devices.rows[i].device), static_cast<int>(i));
    if (devices.selected >= 0 && devices.selected < combo->count()) combo->setCurrentIndex(devices.selected);
    combo->setEnabled(devices.enabled && !devices.rows.empty());
    return combo;
}

const DeviceChoice* ChosenDevice(const QComboBox* combo, const TransferDevices& devices)
{
    const int i = combo ? combo->currentData().toInt() : -1;
    if (!combo || combo->currentIndex() < 0 || i < 0 || i >= static_cast<int>(devices.rows.size())) return nullptr;
    return &devices.rows[static_cast<std::size_t>(i)];
}

void ShowTransferFailure(model::Prompt& prompt, const TransferResult& result)
{
    const int id = result.messageId();
    if (id == 0) return;
    model::MessageArgs args;
    if (!result.detail().empty()) args.push_back(result.detail());
    prompt.message(id, args, model::Buttons::Ok, model::Icon::Error);
}

}  // namespace kravin::online
