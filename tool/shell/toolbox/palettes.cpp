#include "palettes.h"

#include "block_list_view.h"
#include "child_frame.h"
#include "system_view.h"

#include <QDesktopServices>
#include <QUrl>

#include <algorithm>

namespace kravin::shell {

// ---- system view ----

SystemPaletteTarget::SystemPaletteTarget(editors::SystemView& view, model::UnitContext& unit,
                                         std::function<bool()> online, std::function<bool(const PaletteItem&)> place,
                                         QColor mark)
    : view_(view), unit_(unit), online_(std::move(online)), place_(std::move(place)), mark_(mark)
{
}

bool SystemPaletteTarget::allowed(int x, int y, int itemId) const
{
    if (!dragAllowed()) return false;
    const QPoint pt(x, y);
    SystemDropPoint p;
    if (!view_.HitTestCell(pt, p.station, p.card)) return false;  // the cell becomes the current unit
    p.leftOfCardArea = view_.IsLeftOfCardArea(pt);
    p.inCardArea = view_.IsInCardArea(pt);
    p.x = x;
    p.y = y;
    p.width = view_.viewport()->width();
    p.height = view_.viewport()->height();
    const auto& t = unit_.tables;
    p.slotHasKind = p.card == 0 ? t.stationKind[p.station] > 0 : t.cardKind[p.station][p.card - 1] > 0;
    p.model = std::string(unit_.model());
    return SystemDropAllowed(p, itemId);
}

int SystemPaletteTarget::dragImageWidth() const { return view_.ToZoomed(46); }

bool SystemPaletteTarget::hitTest(int x, int y) const { return allowed(x, y, kCardModelItem); }

bool SystemPaletteTarget::accepts(int x, int y, const PaletteItem& item)
{
    if (!allowed(x, y, item.id)) {
        dragLeave();
        return false;
    }
    const editors::Cell cell = view_.cellAt(QPoint(x, y));
    if (cell.station != markedStation_ || cell.card != markedCard_) {
        dragLeave();
        view_.HitTestHighlight(QPoint(x, y), mark_);
        markedStation_ = cell.station;
        markedCard_ = cell.card;
    }
    return true;
}

void SystemPaletteTarget::dragLeave()
{
    if (markedStation_ < 0) return;
    markedStation_ = markedCard_ = -1;
    view_.requestRedraw();
}

void SystemPaletteTarget::drop(int x, int y, const PaletteItem& item)
{
    if (!allowed(x, y, item.id) || !place_) return;
    place_(item);
    // The cell stays the current one.
    int station = -1, card = -1;
    view_.HitTestCell(QPoint(x, y), station, card);
    view_.requestRedraw(true);
}

// ---- function block list ----

std::array<std::vector<std::string>, 100> unitValidBlocks(const model::UnitContext& unit)
{
    std::array<std::vector<std::string>, 100> out;
    for (int g = 0; g < model::kGroups; ++g) {
        const int n = std::clamp(unit.validBlockCount[g], 0, model::kValidCodesMax);
        for (int i = 0; i < n && static_cast<std::size_t>(5 * i + 5) <= unit.validBlocks[g].size(); ++i)
            out[static_cast<std::size_t>(g)].emplace_back(unit.validBlocks[g].data() + 5 * i, 5);
    }
    return out;
}

BlockListPaletteTarget::BlockListPaletteTarget(editors::blocks::BlockListView& view, model::UnitContext& unit,
                                               std::function<bool()> online)
    : view_(view), unit_(unit), online_(std::move(online))
{
}

bool BlockListPaletteTarget::hitTest(int x, int y) const { return dragAllowed() && view_.groupAt(QPoint(x, y)) >= 0; }

bool BlockListPaletteTarget::accepts(int x, int y, const PaletteItem& item)
{
    if (!dragAllowed()) return false;
    const int g = view_.groupAt(QPoint(x, y));
    if (g != hovered_) {
        hovered_ = g;
        view_.viewport()->update();
    }
    if (g < 0) return false;
    const auto valid = unitValidBlocks(unit_);
    return BlockListDropAllowed(g, unit_.g_unitBlocks[static_cast<std::size_t>(g)][0] == 0,
                                valid[static_cast<std::size_t>(g)], item);
}

void BlockListPaletteTarget::dragLeave()
{
    if (hovered_ < 0) return;
    hovered_ = -1;
    view_.viewport()->update();
}

void BlockListPaletteTarget::drop(int x, int y, const PaletteItem& item)
{
    if (!accepts(x, y, item)) return;
    view_.changeFunctionAt(QPoint(x, y), BlockListFunctionName(item));
    hovered_ = -1;
    view_.viewport()->update();
}

// ---- help and docks ----

void PaletteHelp::show(HelpKind kind, const PaletteItem* item, const std::string& model) const
{
    const auto tell = [this](int id) {
        if (prompt) prompt->message(id, {}, model::Buttons::Ok, model::Icon::Warning);
    };
    if (!item) return tell(kMsgNoDeviceHelp);
    const auto path = FindHelpFile(helpDir, kind, item->name, model);
    if (!path) return tell(kind == HelpKind::Terminal ? kMsgNoTerminalHelp : kMsgNoItemHelp);
    if (open)
        open(*path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(*path)));
}

ToolBoxDock* addToolbox(ChildFrame& frame, const QString& title, std::vector<PaletteCategory> categories, int open,
                        PaletteDropTarget* target, QWidget* dropWidget)
{
    auto* dock = new ToolBoxDock(title);
    dock->setCategories(std::move(categories), open);
    dock->setTarget(target);
    // The target lives as long as the widget its drops come through.
    struct Holder : QObject {
        std::unique_ptr<PaletteDropTarget> target;
    };
    auto* holder = new Holder;
    holder->target.reset(target);
    holder->setParent(dropWidget ? dropWidget : static_cast<QWidget*>(dock));
    if (dropWidget) new PaletteDropFilter(dropWidget, target);
    frame.addDockBar(Qt::LeftDockWidgetArea, dock);
    return dock;
}

}  // namespace kravin::shell
