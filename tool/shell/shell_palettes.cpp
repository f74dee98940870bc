// The toolboxes of the system configuration view and the function block list.
#include "shell_application.h"

#include "block_list_page.h"
#include "child_frame.h"
#include "main_frame.h"
#include "palettes.h"

namespace kravin::shell {

void ShellApplication::addPalette(ViewKind kind, ChildFrame& frame)
{
    const auto online = [this] { return online_.online.load(); };
    const bool japanese = language_ == res::Language::Japanese;
    if (kind == ViewKind::System) {
        auto* view = qobject_cast<ShellSystemView*>(frame.view());
        if (!view) return;
        // Without the placement a drag does not start.
        auto* target = new SystemPaletteTarget(
            *view, *unit_, [this, online] { return online() || !placeDevice; },
            [this](const PaletteItem& item) {
                const bool placed = placeDevice && placeDevice(item.name, item.code);
                if (frame_) frame_->refresh();
                return placed;
            },
            theme_ ? theme_->magenta : QColor(255, 0, 255));
        ToolBoxDock* dock = addToolbox(frame, QString::fromUtf8(japanese ? "ツールボックス" : "Toolbox"),
                                       SystemPaletteCategories(*masters_), kSystemPaletteOpen, target,
                                       view->viewport());
        dock->setObjectName(QStringLiteral("systemToolbox"));
        return;
    }
    if (kind == ViewKind::BlkList) {
        auto* view = qobject_cast<ShellBlockListView*>(frame.view());
        if (!view) return;
        auto* target = new BlockListPaletteTarget(*view, *unit_, online);
        ToolBoxDock* dock = addToolbox(frame, QString::fromUtf8(japanese ? "ツールボックス" : "Toolbox"),
                                       BlockListPaletteCategories(unitValidBlocks(*unit_)), 0, target,
                                       view->viewport());
        dock->setObjectName(QStringLiteral("blockListToolbox"));
        dock->onItemHelp = [this](const PaletteItem* item) {
            PaletteHelp help{options_.folders.helpDir, prompt_, openHelpFile};
            help.show(HelpKind::Item, item, std::string(unit_->model()));
        };
        blockListToolbox_ = dock;
    }
}

void ShellApplication::refreshBlockListPalette()
{
    if (!blockListToolbox_) return;
    blockListToolbox_->setCategories(BlockListPaletteCategories(unitValidBlocks(*unit_)), 0);
}

}  // namespace kravin::shell
