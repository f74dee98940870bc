// "Card backup" (40412) and "Restore card" (40402) of the system configuration
// view: the selected unit goes to the card backup library and a restored unit
// comes back into the configuration tables, as one undo step.
#pragma once

#include "current_unit.h"
#include "project.h"
#include "prompt.h"
#include "station_undo.h"
#include "system_view_logic.h"

#include <functional>
#include <string_view>

class QWidget;

namespace kravin::shell {

struct CardBackupContext {
    model::ProjectSession* session = nullptr;
    model::UnitContext* unit = nullptr;
    editors::UnitSelection* selection = nullptr;
    model::Prompt* prompt = nullptr;
    model::CStationUndo* undo = nullptr;
    std::function<QWidget*()> parent;
    // The configuration changed: repaint and refresh the commands.
    std::function<void()> changed;
    // Where a new slot's box goes (station, card 0 the station, 1..16 a card).
    std::function<void(int station, int card, int* x, int* y)> defaultPosition;
};

class CardBackupCommands {
public:
    explicit CardBackupCommands(CardBackupContext context) : c_(std::move(context)) {}

    // Backs up the current unit; 1 when a backup was written.
    int backup();
    // Restores a backup into the current slot; 1 when a unit was restored.
    int restore();
    // Whether a restored model and version may go into the current slot
    // (7101 "Cannot apply setting.", 7102 "Invalid card type.", 7103 "Invalid version.").
    bool acceptRestored(std::string_view model, std::string_view version);

private:
    CardBackupContext c_;
};

}  // namespace kravin::shell
