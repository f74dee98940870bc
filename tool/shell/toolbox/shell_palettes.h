// The toolboxes the running tool docks beside the system configuration view, the
// function block list and the ladder, with the drops each takes.
#pragma once

#include "string_table.h"
#include "view_manager.h"

#include <QPointer>

#include <functional>
#include <string>

namespace kravin::model {
struct CardKindMasters;
class Prompt;
class UnitContext;
}  // namespace kravin::model

namespace kravin::shell {

class ChildFrame;
class MainFrame;
class Theme;
class ToolBoxDock;
struct OnlineFlags;

class ShellPalettes {
public:
    using PlaceDevice = std::function<bool(const std::string& model, const std::string& version)>;
    using OpenHelpFile = std::function<void(const std::string& path)>;

    // placeDevice and openHelpFile are read when used: their owner may set them later.
    ShellPalettes(MainFrame& frame, model::UnitContext& unit, const model::CardKindMasters& masters,
                  OnlineFlags& online, const Theme* theme, res::Language language, std::string helpDir,
                  model::Prompt& prompt, const PlaceDevice& placeDevice, const OpenHelpFile& openHelpFile);

    // The toolbox of a view kind's new frame (system view, block list, ladder).
    void addPalette(ViewKind kind, ChildFrame& frame);
    // The block list's toolbox follows the current unit.
    void refreshBlockList();

private:
    MainFrame& frame_;
    model::UnitContext& unit_;
    const model::CardKindMasters& masters_;
    OnlineFlags& online_;
    const Theme* theme_;
    res::Language language_;
    std::string helpDir_;
    model::Prompt& prompt_;
    const PlaceDevice& placeDevice_;
    const OpenHelpFile& openHelpFile_;
    QPointer<ToolBoxDock> blockListToolbox_;
};

}  // namespace kravin::shell
