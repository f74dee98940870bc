// The commands that change the system configuration from the system view:
// place or replace a device, remove it, change its ID number, change the number
// of cards of a remote I/O station or of virtual cards of a communication card,
// select a version, and undo and redo. Each works on the current unit, changes
// the configuration tables and the unit's files, and brackets its change with
// station undo records. Every question and check comes before the first change,
// so a Cancel or a refusal leaves the tables, the files and the history as they
// were.
#pragma once

#include "connections.h"
#include "current_unit.h"
#include "group_records.h"
#include "prompt.h"
#include "small_dialog_logic.h"
#include "station_undo.h"
#include "system_view_logic.h"

#include <functional>
#include <optional>
#include <string>

namespace kravin::editors {

// Message ids of the commands.
namespace sysmsg {
constexpr int PartOfDataLost = 8100;   // "A part of the data may not be passed on. \nAre you sure?"
constexpr int ConfirmDelete = 8101;    // "Are you sure to delete card information?"
constexpr int CannotApply = 8110;      // "Cannot apply."
constexpr int TooManyCards = 8115;     // "Number of registered cards exceeds 8. \nReduce cards."
constexpr int IdNotFound = 8140;       // "ID NOT FOUND"
constexpr int WriteFailed = 8141;      // a unit file could not be written
}  // namespace sysmsg

// The dialogs the commands open; the shell answers with windows, tests from a script.
class SystemDialogs {
public:
    virtual ~SystemDialogs() = default;
    struct ModelChoice {
        std::string model;    // kind name as the masters hold it
        std::string version;  // version text as the masters hold it
    };
    // "Model Selection" (138) for the unit at station/card.
    virtual std::optional<ModelChoice> selectModel(int station, int card) = 0;
    // "Select RNH6 Type" (148): 0..16.
    virtual std::optional<int> selectRnh6Type() = 0;
    // "ID INPUT" (212): four digits.
    virtual std::optional<std::string> inputId(const std::string& current) = 0;
    // The card count dialog (149) over its range; a value inside the range.
    virtual std::optional<int> cardCount(const CardCountRange& range) = 0;
    // "Select Version" (252) for the unit at station/card; the chosen version text.
    virtual std::optional<std::string> selectVersion(int station, int card) = 0;
};

// What the commands tell the rest of the tool.
struct SystemCommandHooks {
    std::function<void()> setModified;
    std::function<void()> unitChanged;       // the current unit was selected again
    std::function<void()> invalidate;        // the view repaints
    std::function<void()> rebuildDisplayData;
    std::function<void(bool)> waitCursor;
    // After a device change: carries the old unit's saved groups over to the new kind.
    std::function<void()> rebuildBlockTerminals;
};

class SystemCommands {
public:
    enum class Result { Done, Cancelled, Refused, Failed };

    SystemCommands(model::UnitContext& unit, model::CStationUndo& undo, model::Prompt& prompt,
                   SystemDialogs& dialogs, SystemCommandHooks hooks = {});

    // Places a model with a version into the current slot: from the "Model
    // Selection" dialog when showDialog is set, else the given pair. sync marks a
    // version change (Select version, version synchronisation).
    Result PlaceDevice(bool showDialog, const std::string& model, const std::string& version, bool sync);
    Result ChangeDevice() { return PlaceDevice(true, {}, {}, false); }
    // ask false: the caller has asked 8101 already.
    Result RemoveDevice(bool ask = true);
    Result ChangeIdNo();
    // "Change the number of cards" on a V8RTU station (or one of its cards), and
    // "Change the number of virtual cards" on a TQRQ or TQRC card.
    Result ChangeCardCount();
    Result SelectVersion();
    Result Undo();
    Result Redo();

    bool canUndo() const { return undo_.CanUndo(); }
    bool canRedo() const { return undo_.CanRedo(); }

    // Where a new slot's box goes on the communication sheet.
    void setGrid(const model::WiringGrid& grid) { grid_ = grid; }
    void defaultPosition(int station, int card, int* x, int* y) const;
    // The box position of the next placed device (a drop on the communication sheet).
    void setDropPosition(std::optional<std::pair<int, int>> position) { drop_ = position; }

private:
    struct Placement;
    Result changeStationCards();
    Result changeVirtualCards();
    Result changeV8rtuVersion(int station, int kind, int version);
    Result afterUndoStep(model::StepResult result);

    void select(int station, int card);
    // A kind of the IR card table.
    bool isIrCard(const std::string& model) const;
    // Clears one slot as ClearUnit does, its own image loaded first.
    void clearSlot(int station, int card);
    // Empties the current unit's 100 blocks and writes its default data.
    bool writeDefaultData(int station, int card, int rnh6Type, const std::string& id);
    // The virtual slots after a TQRQ or TQRC card for count h; false when a slot
    // that should take a virtual card holds another card.
    bool virtualSlotsFree(int station, int card, int count) const;
    bool applyVirtualCards(int station, int card, int count);
    bool writeCurrentUnit(int station, int card);
    void finish(bool ok);
    void notice(int id, model::Icon icon = model::Icon::Warning);
    void modified();

    model::UnitContext& unit_;
    model::CStationUndo& undo_;
    model::Prompt& prompt_;
    SystemDialogs& dialogs_;
    SystemCommandHooks hooks_;
    model::WiringGrid grid_;
    std::optional<std::pair<int, int>> drop_;
};

}  // namespace kravin::editors
