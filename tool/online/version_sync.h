// The serial dialogue of "Synchronize version": the model number ("I96") and
// the version ("I99") of the unit on the port, each after "G00" was accepted,
// and for some model numbers the family query ("G98", "I10"). Replies are
// checked for their length and digits; four failed tries are a communication
// error. No window: the shell runs it on a worker behind its busy box.
#pragma once

#include "serial_link.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::online {

// Model numbers whose name the family query decides.
bool NeedsFamilyQuery(int modelNumber);

struct UnitIdentity {
    int modelNumber = -1;
    int table = 0;  // family query: 1 first table, 2 second table, 0 not asked
    std::string version;
};

enum class SyncStatus { Ok, CommunicationError, Cancelled };

struct SyncResult {
    SyncStatus status = SyncStatus::CommunicationError;
    UnitIdentity unit;
};

// Runs the dialogue on an open link; framed for IR cards. cancelled is asked
// between exchanges.
SyncResult ReadUnitIdentity(SerialLink& link, bool framed, const std::function<bool()>& cancelled = {});

// The model name the family query gives for a number and table, 8 characters;
// empty when the user chooses (number 14, first table) or the number has none.
std::string FamilyModel(int modelNumber, int table);

// The model check: 0 when the unit on the port is the current model, else the
// message id (8123 "Card type mismatch.", 8305 "Uploading is stopped."). names
// are the field-name group of the model number; choose picks one of them (no
// answer = Cancel).
int CheckUnitModel(const UnitIdentity& unit, std::string_view currentModel, const std::vector<std::string>& names,
                   const std::function<std::optional<std::string>(const std::vector<std::string>&)>& choose);

}  // namespace kravin::online
