// The function block list as the shell hosts it: the editor over the model's
// current unit and the block undo store, the Select Function and Function
// Block Setting dialogs, the private clipboard, and the frame's command protocol.
#pragma once

#include "block_list_view.h"
#include "block_setting_logic.h"

#include <functional>
#include <memory>

namespace kravin::shell {

struct BlockListPageContext {
    model::UnitContext* unit = nullptr;
    model::CBlockUndo* undo = nullptr;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    std::function<bool()> online;
    std::function<void()> setModified;
    // The analog wiring view reads the unit's blocks again and repaints.
    std::function<void()> analogChanged;
    // The Block Setting dialog's Print: the current block as the dialog holds it.
    std::function<void(QWidget* parent)> printBlockSetting;
    editors::blocks::BlockListStyle style;
    // The transfer commands served by the online dispatcher, and running one.
    std::function<bool(int)> transferBuilt;
    std::function<void(int)> runTransfer;
};

class ShellBlockListView final : public editors::blocks::BlockListView {
    Q_OBJECT
public:
    static ShellBlockListView* create(BlockListPageContext context);
    ~ShellBlockListView() override;

    // The Edit commands' enable rules.
    Q_INVOKABLE bool isCommandEnabled(int id) const { return isEnabled(id); }
    // Edit commands and 40611 (redraw).
    Q_INVOKABLE void runCommand(int id) { execute(id); }
    // The frame's zoom box, as a percentage.
    Q_INVOKABLE void setZoom(int percent) { SetZoom(percent); }

private:
    struct Parts;
    ShellBlockListView(std::unique_ptr<Parts> parts, const BlockListPageContext& context);
    std::unique_ptr<Parts> parts_;
};

}  // namespace kravin::shell
