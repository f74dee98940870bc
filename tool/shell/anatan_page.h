// The analog terminal connection view as the shell hosts it: the view in an
// inner main window with the analog palette docked beside it, and the frame's
// command protocol.
#pragma once

#include "anatan_view.h"
#include "palette_drop.h"

#include <QMainWindow>

namespace kravin::shell {

class ToolBoxDock;

class AnaTanPage final : public QMainWindow, public PaletteDropTarget {
    Q_OBJECT
public:
    AnaTanPage(wiring::AnaTanServices services, QWidget* parent = nullptr);

    wiring::AnaTanView* view() const { return view_; }
    ToolBoxDock* palette() const { return palette_; }
    double zoom() const { return view_->zoom(); }

    // The Edit and Align commands and the private redraw command.
    Q_INVOKABLE bool isCommandEnabled(int id) const;
    Q_INVOKABLE void runCommand(int id);
    Q_INVOKABLE void setZoom(int percent) { view_->SetZoom(percent); }

    // PaletteDropTarget (points in the view's viewport)
    bool dragAllowed() const override;
    bool hitTest(int x, int y) const override;
    void drop(int x, int y, const PaletteItem& item) override;

private:
    wiring::AnaTanView* view_;
    ToolBoxDock* palette_;
    std::function<bool()> online_;
};

// The analog palette's categories for the current unit's valid blocks.
std::vector<PaletteCategory> analogPaletteCategories(const model::UnitContext& unit);

}  // namespace kravin::shell
