// The system configuration view as the shell hosts it: the project model's
// current unit behind the view's selection, the frame's command protocol and
// the shared drawing set.
#pragma once

#include "current_unit.h"
#include "system_view.h"

#include <functional>
#include <string>

namespace kravin::shell {

class Theme;

// The current unit of the project model (station 0..63 or -1, card 0 the
// station, 1..16 a card, -1 none) as the system view selects it.
class ModelUnitSelection final : public editors::UnitSelection {
public:
    // workFolder names the open project's folder when blocks are loaded.
    ModelUnitSelection(model::UnitContext& unit, std::function<std::string()> workFolder);

    editors::CurrentUnit current() const override;
    void select(int station, int card) override;
    void restore(const editors::CurrentUnit& unit) override { select(unit.station, unit.card); }
    void loadUnitBlocks() override;
    // Nothing selected: a project came or went.
    void clear() { select(-1, -1); }
    // Told after the current unit or its blocks changed.
    std::function<void()> changed;

private:
    model::UnitContext& unit_;
    std::function<std::string()> workFolder_;
};

// The view with the invokable methods the main frame looks for.
class ShellSystemView final : public editors::SystemView {
    Q_OBJECT
public:
    using SystemView::SystemView;

    // The Edit commands' enable rules.
    Q_INVOKABLE bool isCommandEnabled(int id) const { return isEditEnabled(id); }
    // 40600 repaints the whole view; the others go to extraCommands.
    Q_INVOKABLE void runCommand(int id);
    // The clipboard commands; false for a command it does not serve.
    std::function<bool(int)> extraCommands;
    // The frame's zoom box, as a percentage.
    Q_INVOKABLE void setZoom(int percent) { SetZoom(percent); }
};

// The view's colours and font from the shared drawing set.
editors::SystemViewStyle systemViewStyle(const Theme& theme);

}  // namespace kravin::shell
