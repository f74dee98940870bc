#include "shell_palettes.h"

#include "block_list_page.h"
#include "child_frame.h"
#include "ladder_view.h"
#include "main_frame.h"
#include "palettes.h"
#include "system_view_page.h"
#include "theme.h"
#include "toolbox_dock.h"

#include <QScrollBar>

namespace kravin::shell {

namespace {

// The ladder view as the ladder palette sees it; view points are the viewport's.
class LadderViewDropHost final : public LadderDropHost {
public:
    LadderViewDropHost(ladder::LadderView& view, std::function<bool()> online)
        : view_(view), online_(std::move(online))
    {
    }
    bool online() const override { return online_ && online_(); }
    bool cellAt(int x, int y, int& column, int& row) const override
    {
        const ladder::GridPos hit = ladder::HitTestCell(x + view_.horizontalScrollBar()->value(),
                                                        y + view_.verticalScrollBar()->value(),
                                                        view_.ladder().g_ladderShowComments);
        if (hit.row < 0 || hit.col < 0) return false;
        column = hit.col;
        row = hit.row;
        return true;
    }
    void cursor(int& column, int& row) const override
    {
        column = view_.ladder().g_ladderCursor.col;
        row = view_.ladder().g_ladderCursor.row;
    }
    // Rows are the grid's own: nothing is scrolled off in them.
    int scrollRequest() const override { return 0; }
    std::uint8_t links(int row) const override
    {
        return row >= 0 && row < ladder::kLadderRows ? view_.ladder().g_ladderLinks[row] : 0;
    }
    void moveCursor(int column, int row) override
    {
        view_.editor().SetCursor(row, column);
        view_.viewport()->update();
        view_.setFocus();
    }
    void runCommand(int command) override { view_.runCommand(command); }

private:
    ladder::LadderView& view_;
    std::function<bool()> online_;
};

// The target owns the host it asks.
class LadderViewTarget final : public PaletteDropTarget {
public:
    LadderViewTarget(ladder::LadderView& view, std::function<bool()> online)
        : host_(view, std::move(online)), target_(host_)
    {
    }
    bool dragAllowed() const override { return target_.dragAllowed(); }
    int dragImageWidth() const override { return target_.dragImageWidth(); }
    int dragImageHeight() const override { return target_.dragImageHeight(); }
    int dragHotSpotX() const override { return target_.dragHotSpotX(); }
    int dragHotSpotY() const override { return target_.dragHotSpotY(); }
    bool hitTest(int x, int y) const override { return target_.hitTest(x, y); }
    bool accepts(int x, int y, const PaletteItem& item) override { return target_.accepts(x, y, item); }
    void drop(int x, int y, const PaletteItem& item) override { target_.drop(x, y, item); }

private:
    LadderViewDropHost host_;
    LadderPaletteTarget target_;
};

}  // namespace

ShellPalettes::ShellPalettes(MainFrame& frame, model::UnitContext& unit, const model::CardKindMasters& masters,
                             OnlineFlags& online, const Theme* theme, res::Language language, std::string helpDir,
                             model::Prompt& prompt, const PlaceDevice& placeDevice, const OpenHelpFile& openHelpFile)
    : frame_(frame),
      unit_(unit),
      masters_(masters),
      online_(online),
      theme_(theme),
      language_(language),
      helpDir_(std::move(helpDir)),
      prompt_(prompt),
      placeDevice_(placeDevice),
      openHelpFile_(openHelpFile)
{
}

void ShellPalettes::addPalette(ViewKind kind, ChildFrame& frame)
{
    const auto online = [this] { return online_.online.load(); };
    const bool japanese = language_ == res::Language::Japanese;
    if (kind == ViewKind::System) {
        auto* view = qobject_cast<ShellSystemView*>(frame.view());
        if (!view) return;
        // Without the placement a drag does not start.
        auto* target = new SystemPaletteTarget(
            *view, unit_, [this, online] { return online() || !placeDevice_; },
            [this](const PaletteItem& item) {
                const bool placed = placeDevice_ && placeDevice_(item.name, item.code);
                frame_.refresh();
                return placed;
            },
            theme_ ? theme_->magenta : QColor(255, 0, 255));
        ToolBoxDock* dock = addToolbox(frame, QString::fromUtf8(japanese ? "ツールボックス" : "Toolbox"),
                                       SystemPaletteCategories(masters_), kSystemPaletteOpen, target,
                                       view->viewport());
        dock->setObjectName(QStringLiteral("systemToolbox"));
        dock->setLanguage(language_);
        return;
    }
    if (kind == ViewKind::BlkList) {
        auto* view = qobject_cast<ShellBlockListView*>(frame.view());
        if (!view) return;
        auto* target = new BlockListPaletteTarget(*view, unit_, online);
        ToolBoxDock* dock = addToolbox(frame, QString::fromUtf8(japanese ? "ツールボックス" : "Toolbox"),
                                       BlockListPaletteCategories(unitValidBlocks(unit_)), 0, target,
                                       view->viewport());
        dock->setObjectName(QStringLiteral("blockListToolbox"));
        dock->setLanguage(language_);
        dock->onItemHelp = [this](const PaletteItem* item) {
            PaletteHelp help{helpDir_, &prompt_, openHelpFile_};
            help.show(HelpKind::Item, item, std::string(unit_.model()));
        };
        blockListToolbox_ = dock;
        return;
    }
    if (kind == ViewKind::Ladder) {
        auto* view = qobject_cast<ladder::LadderView*>(frame.view());
        if (!view) return;
        ToolBoxDock* dock = addToolbox(frame, QString::fromUtf8(japanese ? "ツールボックス" : "Toolbox"),
                                       LadderPaletteCategories(japanese), 0, new LadderViewTarget(*view, online),
                                       view->viewport());
        dock->setObjectName(QStringLiteral("ladderToolbox"));
        dock->setLanguage(language_);
    }
}

void ShellPalettes::refreshBlockList()
{
    if (!blockListToolbox_) return;
    blockListToolbox_->setCategories(BlockListPaletteCategories(unitValidBlocks(unit_)), 0);
}

}  // namespace kravin::shell
