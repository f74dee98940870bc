// Small services shared by the editors and the online functions: model codes,
// which connection device serves which model, the port allocated to the current
// model, the per-user data folder, and the pending edits of the ladder and the
// wiring views (reached through hooks the editors fill in).
#pragma once

#include "settings.h"
#include "step_table.h"
#include "system_config.h"

#include <string>
#include <string_view>

namespace kravin::model {

class UnitContext;

// Code of an 8-character blank-padded model name (compared as 8 bytes); 0 for any other.
int GetModelCode(std::string_view model);

// Whether a card of this kind holds its card number in block 0 item 51 (placement writes
// it, the end of a download sends it): IR card kinds, kinds whose model code has any of
// the bits 0xF0, and TJW of a version other than "1.00".
bool HoldsCardNumber(bool irCard, std::string_view model, std::string_view version);

// Whether a connection device (one of the device strings, any language) may serve a model.
bool IsDeviceUsableForModel(std::string_view model, std::string_view device);

// The port of the first allocation row serving the current model. 1 with the port
// name and the kind's speed code (the monitor speed then follows the row), else 0.
int GetAllocatedPort(const UnitContext& unit, UserSettings& settings, std::string& port, int* speedCode);

// The per-user data folder of the tool (".../KRAV3"). 1 when it was created now,
// 0 otherwise (the path is set whenever the base folder is known).
int GetAppDataDir(std::string& path);

// What the ladder editor offers the model. The editors layer implements it over
// its ladder core; the model never translates a ladder itself.
class LadderEditHook {
public:
    enum class Settle { Nothing, Committed, Refused };
    virtual ~LadderEditHook() = default;
    virtual bool LadderViewOpen() const = 0;
    virtual bool LadderEdited() const = 0;
    // The silent dry run of the translation: true when the pending grid would not
    // go into the step table as it is.
    virtual bool TranslationObjects() = 0;
    // Translates the pending edit into the step table (asking the user where the
    // translation asks). Committed only when the table now holds the translation.
    virtual Settle SettleEdit() = 0;
};

// 1 when the ladder view holds an edit that the silent translation objects to.
int IsLadderEditPending(LadderEditHook* hook);

// Brings a pending ladder edit into the unit: settles it, and only when it was
// translated stores the step table (SaveSeqSteps) and marks the project modified.
// 0 nothing pending or committed; -1 refused (nothing stored: the save or close
// that asked must stop).
int CommitLadderEdit(LadderEditHook* hook, UnitContext& unit, const SeqSteps& steps, int& modified);

// Pending-operation counters of the open wiring views.
class WiringViewProbe {
public:
    virtual ~WiringViewProbe() = default;
    // -1 when the view is not open.
    virtual int CommViewPendingOperations() const = 0;
    virtual int AnalogViewPendingOperations() const = 0;
};

int IsViewWindowBusy(const WiringViewProbe* probe);
int IsViewWindowBusy2(const WiringViewProbe* probe);

}  // namespace kravin::model
