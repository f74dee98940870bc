// "Synchronize version" (40479) of the system configuration view: asks the unit
// on the allocated serial port for its model and version behind a busy box with
// Cancel, checks the model and places the version in the current slot.
#pragma once

#include "current_unit.h"
#include "field_names.h"
#include "link_owner.h"
#include "prompt.h"
#include "serial_link.h"
#include "settings.h"

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace kravin::shell {

struct VersionSyncContext {
    model::UnitContext* unit = nullptr;
    model::UserSettings* settings = nullptr;
    const FieldNameTable* fieldNames = nullptr;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    std::shared_ptr<online::SerialLink> link;
    // Select Connection Device over several allocation rows: the chosen row, -1 Cancel.
    std::function<int(const std::vector<int>& rows)> chooseDevice;
    // The one owner of the link (the monitor, transfers, the clock and HT-9 take it too).
    std::function<online::LinkOwner*()> owner;
    std::function<QWidget*()> parent;
    // Places the current unit's model with a version of its kind (as Select version does).
    std::function<void(const std::string& model, const std::string& version)> placeVersion;
};

// Runs the command; 0 when the version is in step (or was placed), else the
// message id shown (or -1 when the user stopped it).
int SynchronizeUnitVersion(VersionSyncContext& c);

}  // namespace kravin::shell
