#include "system_view_page.h"

#include "theme.h"

namespace kravin::shell {

ModelUnitSelection::ModelUnitSelection(model::UnitContext& unit, std::function<std::string()> workFolder)
    : unit_(unit), workFolder_(std::move(workFolder))
{
}

editors::CurrentUnit ModelUnitSelection::current() const
{
    if (unit_.g_curStation < 0 || unit_.g_curCard < 0) return {};
    return editors::DescribeUnit(unit_.masters, unit_.tables, unit_.g_curStation, unit_.g_curCard);
}

void ModelUnitSelection::select(int station, int card)
{
    const bool valid = station >= 0 && station < model::kStations && card >= 0 && card <= model::kCardSlots;
    unit_.g_curStation = valid ? station : -1;
    unit_.g_curCard = valid ? card : -1;
    // Without a unit the kind look-up finds none and the fields stay empty.
    unit_.SelectCurrentUnit();
    if (changed) changed();
}

void ModelUnitSelection::loadUnitBlocks()
{
    if (unit_.g_curStation < 0 || unit_.g_curCard < 0) return;
    if (workFolder_) unit_.workFolder = workFolder_();
    unit_.LoadUnitBlocks(1);
    if (changed) changed();
}

bool SystemCommandTable::run(int id) const
{
    const auto it = handlers_.find(id);
    bool ran = true;
    if (it != handlers_.end() && it->second) {
        it->second();
    } else if (fallbackHandles_ && fallbackRun_ && fallbackHandles_(id)) {
        ran = fallbackRun_(id);
    } else {
        return false;
    }
    if (afterEach_) afterEach_();
    return ran;
}

namespace {

editors::SystemViewContext withCommands(editors::SystemViewContext context, const SystemCommandTable* commands)
{
    context.commandBuilt = [commands](int id) { return commands && commands->has(id); };
    return context;
}

}  // namespace

ShellSystemView::ShellSystemView(editors::SystemViewContext context, const SystemCommandTable* commands)
    : SystemView(withCommands(std::move(context), commands)), commands_(commands)
{
    connect(this, &SystemView::commandRequested, this, [this](int id) { runCommand(id); });
}

bool ShellSystemView::hasCommand(int id) const
{
    return id == editors::syscmd::SystemRedraw || (commands_ && commands_->has(id));
}

bool ShellSystemView::runCommand(int id)
{
    if (id == editors::syscmd::SystemRedraw) {
        systemRedraw();
        return true;
    }
    return commands_ && commands_->run(id);
}

editors::SystemViewStyle systemViewStyle(const Theme& theme)
{
    editors::SystemViewStyle s;
    s.background = theme.white;
    s.text = theme.black;
    s.occupied = theme.silver;
    s.empty = theme.white;
    s.selected = theme.selectGreen;
    s.raisedLight = theme.white;
    s.raisedDark = theme.gray127;
    s.sunkenLight = theme.silver;
    s.sunkenDark = theme.gray127;
    s.fontFamily = theme.font16.family();
    return s;
}

}  // namespace kravin::shell
