#include "shell_editing.h"

#include "blocks/block_setting_logic.h"
#include "group_records.h"
#include "project.h"
#include "settings.h"

#include "command_ids.h"
#include "main_frame.h"
#include "open_pages.h"
#include "palette_rules.h"
#include "qt_system_dialogs.h"
#include "system_commands.h"
#include "system_view_hooks.h"
#include "system_view_page.h"


namespace kravin::shell {

ShellEditing::ShellEditing(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                           ModelUnitSelection& selection, const model::CardKindMasters& masters,
                           const model::SystemConfigTables& tables, model::CStationUndo& undo, model::Prompt& prompt,
                           res::Language language, const model::UserSettings& settings,
                           SystemCommandTable& systemCommands)
    : unit_(unit), masters_(masters)
{
    dialogs_ = std::make_unique<editors::QtSystemDialogs>(masters, tables, prompt, language);
    dialogs_->setParent(&frame);
    MainFrame* f = &frame;
    editors::SystemCommandHooks hooks;
    fillSystemViewHooks(hooks, f, session, selection);
    hooks.rebuildBlockTerminals = [&unit, &prompt] {
        editors::blocks::RebuildBlockTerminals(unit, prompt, model::savedGroupRecords()[0]);
    };
    commands_ = std::make_unique<editors::SystemCommands>(unit, undo, prompt, *dialogs_, std::move(hooks));
    commands_->setGrid({settings.DT_DX, settings.DT_DY});

    using namespace editors::syscmd;
    SystemCommandTable& t = systemCommands;
    editors::SystemCommands& c = *commands_;
    t.add(ChangeDevice, [&c] { c.ChangeDevice(); });
    t.add(RemoveDevice, [&c] { c.RemoveDevice(); });
    t.add(EditDelete, [&c] { c.RemoveDevice(); });
    t.add(ChangeId, [&c] { c.ChangeIdNo(); });
    t.add(ChangeCardCount, [&c] { c.ChangeCardCount(); });
    t.add(SelectVersion, [&c] { c.SelectVersion(); });
    t.add(EditUndo, [&c] { c.Undo(); });
    t.add(EditRedo, [&c] { c.Redo(); });
    // The view switches of its menu run as the main frame's View commands.
    t.add(ViewBlockList, [f] { f->trigger(cmd::ViewBlkList); });
    t.add(ViewAnalog, [f] { f->trigger(cmd::ViewAnaTan); });
    t.add(ViewSequential, [f] { f->trigger(cmd::ViewSeqBlk); });
}

ShellEditing::~ShellEditing() = default;

bool ShellEditing::placeFromPalette(const std::string& name, const std::string& version)
{
    const bool station = unit_.g_curCard == 0;
    const model::CardKindMaster& master = station ? masters_.station : masters_.card;
    const int kind = master.find(name);
    if (kind <= 0) return false;
    const std::string text = MasterVersionText(master.versions[static_cast<std::size_t>(kind)], version);
    return commands_->PlaceDevice(false, master.name[static_cast<std::size_t>(kind)], text, false) ==
           editors::SystemCommands::Result::Done;
}

}  // namespace kravin::shell
