// The communication terminal connection view as the shell hosts it: the view,
// its palette (station models, card models and the four communication blocks)
// that the frame docks beside it, and the frame's command protocol.
#pragma once

#include "dentan_view.h"
#include "palette_drop.h"

#include "toolbox_dock.h"

#include <QPointer>
#include <QWidget>

namespace kravin::shell {

class DenTanPage final : public QWidget, public PaletteDropTarget {
    Q_OBJECT
public:
    DenTanPage(wiring::comm::DenTanServices services, QWidget* parent = nullptr);
    ~DenTanPage() override;

    wiring::comm::DenTanView* view() const { return view_; }
    ToolBoxDock* palette() const { return palette_; }
    double zoom() const { return view_->zoom(); }

    Q_INVOKABLE bool isCommandEnabled(int id) const;
    Q_INVOKABLE void runCommand(int id);
    Q_INVOKABLE void setZoom(int percent) { view_->SetZoom(percent); }

    // PaletteDropTarget (points in the view's viewport); the item is the current tile.
    bool dragAllowed() const override;
    // The drag picture: a card's box or a terminal's size, at the view's zoom.
    int dragImageWidth() const override;
    int dragImageHeight() const override;
    bool hitTest(int x, int y) const override;
    bool accepts(int x, int y, const PaletteItem& item) override;
    void dragLeave() override;
    void drop(int x, int y, const PaletteItem& item) override;

private:
    wiring::comm::DenTanView* view_;
    QPointer<ToolBoxDock> palette_;
    std::function<bool()> online_;
};

// The palette: card models (without "TQRQ$" and "TQRC$") with their highest
// version, and the terminal blocks CDI, CDO, CAI, CAO, which it opens with.
constexpr int kCommTerminalCategory = 1;
std::vector<PaletteCategory> commPaletteCategories(const model::CardKindMasters& masters);

}  // namespace kravin::shell
