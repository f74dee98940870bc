// The views the running tool hosts, made when the view manager opens their
// frames: the system configuration view, the function block list, the analog
// and communication terminal connection views, the sequential views and the
// HT-9 view; and what goes on each new frame (its bars, palettes, toolbox).
#pragma once

#include "string_table.h"
#include "view_manager.h"

#include <functional>
#include <string>

class QWidget;

namespace kravin::model {
struct CardKindMasters;
class CBlockUndo;
class CStationUndo;
class LayerUndoRouter;
class ProjectSession;
class Prompt;
struct SystemConfigTables;
class UnitContext;
struct UserSettings;
}  // namespace kravin::model

namespace kravin::print {
class PrintService;
}

namespace kravin::shell {

class ChildFrame;
class MainFrame;
class ModelMonitorContext;
class ModelUnitSelection;
class OnlineMonitorWorker;
class OnlineShell;
class SequenceViews;
class ShellClipboard;
class ShellEditing;
class ShellPalettes;
class SystemCommandTable;
class Theme;
struct InfoBarUnit;
struct OnlineFlags;

// The services and features the views work over; a null feature is one the tool runs without.
struct PageServices {
    MainFrame* frame = nullptr;
    model::ProjectSession* session = nullptr;
    model::UnitContext* unit = nullptr;
    ModelUnitSelection* unitSelection = nullptr;
    model::CardKindMasters* masters = nullptr;
    model::SystemConfigTables* tables = nullptr;
    model::CBlockUndo* blockUndo = nullptr;
    model::CStationUndo* stationUndo = nullptr;
    model::LayerUndoRouter* layerUndo = nullptr;
    model::UserSettings& settings;
    OnlineFlags& online;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    Theme* theme = nullptr;
    std::string helpDir;
    ViewHooks* viewHooks = nullptr;
    print::PrintService* print = nullptr;
    OnlineMonitorWorker* onlineMonitor = nullptr;
    ModelMonitorContext* monitorContext = nullptr;
    OnlineShell* onlineShell = nullptr;
    SystemCommandTable* systemCommandTable = nullptr;
    ShellEditing* editing = nullptr;
    ShellClipboard* clipboard = nullptr;
    ShellPalettes* palettes = nullptr;
    SequenceViews* sequenceViews = nullptr;
    std::function<void()> saveSettings;
    std::function<void()> refreshMonitorSnapshot;
};

class ShellPages {
public:
    // A view that becomes active shows its zoom in the frame's zoom box from now on.
    explicit ShellPages(PageServices services);

    // The view of a kind; null for kinds without their editor.
    QWidget* makeView(ViewKind kind);
    // The bars, palettes and toolbox of a kind's new frame (its view is in place).
    void decorateFrame(ViewKind kind, ChildFrame& frame);
    // Writes the current unit's block codes; a failure is reported.
    bool writeCurrentUnit();

private:
    QWidget* makeAnaTanPage();
    QWidget* makeDenTanPage();
    InfoBarUnit currentUnitInfo() const;
    void setModified();

    PageServices s_;
};

}  // namespace kravin::shell
