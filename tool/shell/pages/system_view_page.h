// The system configuration view as the shell hosts it: the project model's
// current unit behind the view's selection, the frame's command protocol and
// the shared drawing set.
#pragma once

#include "current_unit.h"
#include "system_view.h"

#include <functional>
#include <map>
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

// The system view's commands whose work is built, each with its handler. A
// command of the view's menus or of the Edit menu that has no handler here is
// shown disabled; building one is adding its line where the table is filled.
class SystemCommandTable {
public:
    void add(int id, std::function<void()> handler) { handlers_[id] = std::move(handler); }
    // Another dispatcher asked for the commands the table has no line for.
    void setFallback(std::function<bool(int)> handles, std::function<bool(int)> run)
    {
        fallbackHandles_ = std::move(handles);
        fallbackRun_ = std::move(run);
    }
    // Runs after each command that reached a handler (the frame refreshes its commands).
    void setAfterEach(std::function<void()> after) { afterEach_ = std::move(after); }
    bool has(int id) const { return handlers_.count(id) != 0 || (fallbackHandles_ && fallbackHandles_(id)); }
    // False when the command has no handler.
    bool run(int id) const;

private:
    std::map<int, std::function<void()>> handlers_;
    std::function<bool(int)> fallbackHandles_;
    std::function<bool(int)> fallbackRun_;
    std::function<void()> afterEach_;
};

// The view with the invokable methods the main frame looks for.
class ShellSystemView final : public editors::SystemView {
    Q_OBJECT
public:
    ShellSystemView(editors::SystemViewContext context, const SystemCommandTable* commands);

    // The Edit commands' enable rules.
    Q_INVOKABLE bool isCommandEnabled(int id) const { return isEditEnabled(id); }
    // Whether a command reaches a handler.
    Q_INVOKABLE bool hasCommand(int id) const;
    // 40600 repaints the whole view; the others go to their handlers. False
    // when the command has none.
    Q_INVOKABLE bool runCommand(int id);
    // The frame's zoom box, as a percentage.
    Q_INVOKABLE void setZoom(int percent) { SetZoom(percent); }

private:
    const SystemCommandTable* commands_;
};

// The view's colours and font from the shared drawing set.
editors::SystemViewStyle systemViewStyle(const Theme& theme);

}  // namespace kravin::shell
