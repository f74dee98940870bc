// The palettes of the system configuration view and the function block list:
// their drop targets over the views, and their toolbox docks on the frames.
#pragma once

#include "current_unit.h"
#include "palette_drop.h"
#include "palette_rules.h"
#include "prompt.h"
#include "toolbox_dock.h"

#include <QColor>

#include <functional>
#include <string>

namespace kravin::editors {
class SystemView;
namespace blocks {
class BlockListView;
}
}  // namespace kravin::editors

namespace kravin::shell {

class ChildFrame;

// A model dragged onto the system view: a free cell of its kind is marked
// while the drag is over it, and the drop places the model there.
class SystemPaletteTarget final : public PaletteDropTarget {
public:
    // place puts the model (item name) with the version (item code) into the current unit.
    SystemPaletteTarget(editors::SystemView& view, model::UnitContext& unit, std::function<bool()> online,
                        std::function<bool(const PaletteItem&)> place, QColor mark);
    bool dragAllowed() const override { return !online_ || !online_(); }
    // A cell's size at the view's zoom.
    int dragImageWidth() const override;
    int dragImageHeight() const override { return dragImageWidth(); }
    bool hitTest(int x, int y) const override;
    bool accepts(int x, int y, const PaletteItem& item) override;
    void dragLeave() override;
    void drop(int x, int y, const PaletteItem& item) override;

private:
    bool allowed(int x, int y, int itemId) const;

    editors::SystemView& view_;
    model::UnitContext& unit_;
    std::function<bool()> online_;
    std::function<bool(const PaletteItem&)> place_;
    QColor mark_;
    int markedStation_ = -1, markedCard_ = -1;
};

// A function dragged onto an empty group of the block list.
class BlockListPaletteTarget final : public PaletteDropTarget {
public:
    BlockListPaletteTarget(editors::blocks::BlockListView& view, model::UnitContext& unit, std::function<bool()> online);
    bool dragAllowed() const override { return !online_ || !online_(); }
    // 41 x 41, held at (20, 20).
    int dragImageWidth() const override { return 41; }
    int dragImageHeight() const override { return 41; }
    bool hitTest(int x, int y) const override;
    bool accepts(int x, int y, const PaletteItem& item) override;
    void dragLeave() override;
    void drop(int x, int y, const PaletteItem& item) override;

private:
    editors::blocks::BlockListView& view_;
    model::UnitContext& unit_;
    std::function<bool()> online_;
    int hovered_ = -1;
};

// The valid-block lists of the current unit, one vector of 5-character codes per group.
std::array<std::vector<std::string>, 100> unitValidBlocks(const model::UnitContext& unit);

// Opens an item's help document with the desktop's viewer, or tells that there is none.
struct PaletteHelp {
    std::string helpDir;
    model::Prompt* prompt = nullptr;
    // Opens a file; the desktop's viewer unless a test gives another.
    std::function<void(const std::string& path)> open;
    void show(HelpKind kind, const PaletteItem* item, const std::string& model) const;
};

// The toolbox dock of a frame, with its target; the dock owns the target.
ToolBoxDock* addToolbox(ChildFrame& frame, const QString& title, std::vector<PaletteCategory> categories, int open,
                        PaletteDropTarget* target, QWidget* dropWidget);

}  // namespace kravin::shell
