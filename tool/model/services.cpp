#include "services.h"

#include "current_unit.h"
#include "string_table.h"

#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kravin::model {
namespace {

constexpr std::array<std::pair<std::string_view, int>, 12> kModelCodes = {{
    {"QV100   ", 1},   {"QV110   ", 2},   {"QV200   ", 16},  {"QV210   ", 32},
    {"QV200B  ", 64},  {"QV200C  ", 80},  {"QV200D  ", 96},  {"QV200X  ", 112},
    {"QV200BX ", 128}, {"QV200E  ", 144}, {"QV200W  ", 160}, {"QV210W  ", 176},
}};

bool isAny(int id, std::initializer_list<int> ids)
{
    for (int i : ids)
        if (i == id) return true;
    return false;
}

}  // namespace

int GetModelCode(std::string_view model)
{
    if (model.size() < 8) return 0;
    model = model.substr(0, 8);
    for (const auto& [name, code] : kModelCodes)
        if (name == model) return code;
    return 0;
}

bool HoldsCardNumber(bool irCard, std::string_view model, std::string_view version)
{
    std::string padded(model.substr(0, std::min<std::size_t>(model.size(), 8)));
    padded.resize(8, ' ');
    return irCard || (GetModelCode(padded) & 0xF0) != 0 || (model.substr(0, 3) == "TJW" && version != "1.00");
}

bool IsDeviceUsableForModel(std::string_view model, std::string_view device)
{
    if (model.empty() || model[0] == '\0' || model[0] == ' ') return false;
    const std::string m(model.substr(0, std::min<std::size_t>(model.size(), 8)));
    const int id = DeviceStringId(device);
    const bool qv = GetModelCode(m) != 0;
    if (qv) return isAny(id, {9303, 9304});
    if (m == "TJK5    ") return isAny(id, {9305, 9401});
    if (m == "TJW     ") return id == 9309;
    if (m == "V8RTU   ") return id == 9306;
    return id == 9300;
}

int GetAllocatedPort(const UnitContext& unit, UserSettings& settings, std::string& port, int* speedCode)
{
    const std::string model(unit.model());
    if (model.empty()) return 0;
    const bool qv = GetModelCode(model) != 0;
    for (const PortAllocationRow& row : settings.PortAllocation) {
        const int id = DeviceStringId(row.device);
        if (!((qv && (id == 9303 || id == 9304)) || IsDeviceUsableForModel(model, row.device))) continue;
        int bus = 0, speed = 0, value = 0;
        if (FindCardKind(unit.masters, model, &bus, &speed, &value) == 0) return 0;
        port = row.port;
        if (port.empty()) return 0;
        if (speedCode) *speedCode = speed;
        settings.MON_SPEED = row.speed;
        return 1;
    }
    return 0;
}

int GetAppDataDir(std::string& path)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) return 0;
    path = (std::filesystem::path(base.toStdString()) / "KRAV3").string();
    std::error_code ec;
    std::filesystem::create_directories(base.toStdString(), ec);
    return std::filesystem::create_directory(path, ec) ? 1 : 0;
}

int IsLadderEditPending(LadderEditHook* hook)
{
    if (!hook || !hook->LadderEdited() || !hook->LadderViewOpen()) return 0;
    return hook->TranslationObjects() ? 1 : 0;
}

int CommitLadderEdit(LadderEditHook* hook, UnitContext& unit, const SeqSteps& steps, int& modified)
{
    if (!hook || !hook->LadderEdited() || !hook->LadderViewOpen()) return 0;
    switch (hook->SettleEdit()) {
    case LadderEditHook::Settle::Nothing:
        return 0;
    case LadderEditHook::Settle::Refused:
        return -1;
    case LadderEditHook::Settle::Committed:
        break;
    }
    if (SaveSeqSteps(unit, steps) != 0) return -1;
    modified = 1;
    return 0;
}

int IsViewWindowBusy(const WiringViewProbe* probe)
{
    return probe && probe->CommViewPendingOperations() > 0 ? 1 : 0;
}

int IsViewWindowBusy2(const WiringViewProbe* probe)
{
    return probe && probe->AnalogViewPendingOperations() > 0 ? 1 : 0;
}

}  // namespace kravin::model
