// What the transfer dialogs share: the unit they show, the connection device choices and
// a few widgets.
#pragma once

#include "prompt.h"
#include "string_table.h"
#include "transfer_core.h"
#include "transfer_unit.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QWidget;

namespace kravin::online {

class SerialLink;

// One row of the connection device combo box.
struct DeviceChoice {
    std::string device;  // the row's connection device text
    std::string port;
    int baudIndex = 1;
    // The speeds of the kinds the row serves, when they are several: an upload into an
    // empty slot reads the card type at each in turn.
    std::vector<int> kindBauds{};
};

struct TransferDevices {
    std::vector<DeviceChoice> rows;
    int selected = -1;
    bool enabled = true;
};

// The unit a transfer dialog shows and what it starts with.
struct TransferDialogSetup {
    int station = 0;
    int libraryCard = -1;  // -1 the station
    std::string kind;      // kind name
    std::string version;
    TransferDevices devices;
    std::string programmingUnitId;
    SerialLink* link = nullptr;
    TransferQuestions* questions = nullptr;
    TransferTiming timing;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    // The start's reference checks over groups first..last (messages 8112, 8113 asked
    // there): false when the user cancels the start.
    std::function<bool(int first, int last)> referenceCheck;
    // The masters' card type table (the download's card type check).
    CardTypeTable cardTypes;
};

QString TransferText(res::Language l, const char* en, const char* ja);
QLabel* TransferLabel(QWidget* parent, const char* id, const QString& text = {});
QComboBox* DeviceCombo(QWidget* parent, const TransferDevices& devices);
// The chosen row, or nothing (no row).
const DeviceChoice* ChosenDevice(const QComboBox* combo, const TransferDevices& devices);
// The message of a failed run (its detail as the argument of a message with one).
void ShowTransferFailure(model::Prompt& prompt, const TransferResult& result);

}  // namespace kravin::online
