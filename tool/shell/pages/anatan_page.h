// The analog terminal connection view as the shell hosts it: the view, the
// analog palette the frame docks beside it, and the frame's command protocol.
#pragma once

#include "anatan_view.h"
#include "palette_drop.h"
#include "toolbox_dock.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <QWidget>

namespace kravin::shell {


class AnaTanPage final : public QWidget, public PaletteDropTarget {
    Q_OBJECT
public:
    // helpDir: the folder of the help documents (no trailing '/').
    AnaTanPage(wiring::AnaTanServices services, std::string helpDir, QWidget* parent = nullptr);
    ~AnaTanPage() override;
    // The Function Block Setting dialog over the current group; true on OK.
    bool runBlockSetting();
    // Print in the Function Block Setting dialog; unset leaves it disabled.
    std::function<void(QWidget* parent)> printBlockSetting;
    // The item help of a block name: opens its document, or message 7017.
    void openItemHelp(const std::string& name);

    wiring::AnaTanView* view() const { return view_; }
    ToolBoxDock* palette() const { return palette_; }
    double zoom() const { return view_->zoom(); }

    // The Edit and Align commands and the private redraw command.
    Q_INVOKABLE bool isCommandEnabled(int id) const;
    Q_INVOKABLE void runCommand(int id);
    Q_INVOKABLE void setZoom(int percent) { view_->SetZoom(percent); }

    // The link table the view's drops check and write kinds into, built when
    // it is first needed (the communication view is never open beside this
    // one). A rebuild tells linksRebuilt.
    std::function<void(const model::CommLinkTable&)> linksRebuilt;
    model::CommLinkTable* linkTable();
    // Another view changed blocks: the table is built again when next needed.
    void forgetLinks() { links_.reset(); }
    void rebuildLinks(const std::function<void()>& step);

    // PaletteDropTarget (points in the view's viewport)
    bool dragAllowed() const override;
    // The drag picture: a block's size, 240 x 144 at 100 %.
    int dragImageWidth() const override;
    int dragImageHeight() const override;
    bool hitTest(int x, int y) const override;
    void drop(int x, int y, const PaletteItem& item) override;

private:
    wiring::AnaTanView* view_;
    QPointer<ToolBoxDock> palette_;
    std::function<bool()> online_;
    std::string helpDir_;
    model::Prompt* prompt_ = nullptr;
    model::UnitContext* unit_ = nullptr;
    res::Language language_ = res::Language::English;
    struct SettingHost;
    std::unique_ptr<SettingHost> settingHost_;
    std::unique_ptr<model::CommLinkTable> links_;
};

// The analog palette's categories for the current unit's valid blocks.
std::vector<PaletteCategory> analogPaletteCategories(const model::UnitContext& unit);

}  // namespace kravin::shell
