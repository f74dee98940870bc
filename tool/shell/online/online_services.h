// The services the online features (online commands, transfers, uploads, HT-9)
// work over, handed to them by the application when it makes them.
#pragma once

#include "field_names.h"
#include "string_table.h"

#include <functional>

class QSettings;

namespace kravin::model {
struct CardKindMasters;
class ProjectSession;
struct SystemConfigTables;
class UnitContext;
struct UserSettings;
class Prompt;
}  // namespace kravin::model

namespace kravin::online {
class SerialLink;
}

namespace kravin::shell {

class MainFrame;
class ModelMonitorContext;
class ModelUnitSelection;
class OnlineMonitorWorker;
class QtWorkerQuestion;
class ShellSystemView;
struct OnlineFlags;

struct OnlineServices {
    MainFrame* mainFrame = nullptr;
    model::ProjectSession* session = nullptr;
    model::UnitContext& unitContext;
    ModelUnitSelection& unitSelection;
    const model::CardKindMasters& masters;
    model::SystemConfigTables& systemTables;
    model::UserSettings& settings;
    QSettings* profile = nullptr;
    const FieldNameTable& fieldNames;
    model::Prompt& prompt;
    res::Language language = res::Language::English;
    OnlineFlags& online;
    OnlineMonitorWorker* onlineMonitor = nullptr;
    ModelMonitorContext& monitorContext;
    online::SerialLink* serialLink = nullptr;
    QtWorkerQuestion& workerQuestion;
    // The open system configuration view, or null.
    std::function<ShellSystemView*()> systemView;
    // The settings go to the profile; the link and monitor settings are taken again.
    std::function<void()> saveSettings;
    std::function<void()> applyOnlineSettings;
    // The model's current state for the monitor worker.
    std::function<void()> refreshMonitorSnapshot;
};

}  // namespace kravin::shell
