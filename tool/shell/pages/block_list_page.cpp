#include "block_list_page.h"

#include "block_setting_dialog.h"
#include "clipboard.h"
#include "shared_dialogs.h"

namespace kravin::shell {

namespace {

using editors::blocks::BlockClipboardRecord;

class PageHost final : public editors::blocks::BlockListHost, public editors::blocks::BlockSettingHost {
public:
    explicit PageHost(BlockListPageContext c) : c_(std::move(c)) {}

    bool online() const override { return c_.online && c_.online(); }
    void setModified() override
    {
        if (c_.setModified) c_.setModified();
    }
    void analogViewChanged() override
    {
        if (c_.analogChanged) c_.analogChanged();
    }
    void invalidateAnalogView() override { analogViewChanged(); }
    bool transferBuilt(int command) const override { return c_.transferBuilt && c_.transferBuilt(command); }
    void runTransfer(int command) override
    {
        if (c_.runTransfer) c_.runTransfer(command);
    }

    std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices) override
    {
        editors::ListSelectDialog dialog(editors::ListSelectDialog::Kind::Function, choices.lines, choices.initial,
                                         c_.language, parent);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const std::string line = dialog.line();
        // "CDE(AB)  name" gives the function "CDE AB".
        if (line.size() < 7) return std::nullopt;
        return line.substr(0, 3) + " " + line.substr(4, 2);
    }

    bool runBlockSetting() override
    {
        editors::blocks::BlockSettingDialog dialog(*c_.unit, *c_.prompt, c_.language, *this, parent);
        if (c_.printBlockSetting) dialog.setPrint([this, &dialog] { c_.printBlockSetting(&dialog); });
        return dialog.exec() == QDialog::Accepted;
    }

    std::optional<BlockClipboardRecord> clipboard() const override
    {
        BlockClipboardRecord record;
        if (model::PasteFromClipboard(record, QString::fromLatin1(editors::blocks::kBlockListFormat)) != 1)
            return std::nullopt;
        return record;
    }

    void setClipboard(const BlockClipboardRecord& record) override
    {
        model::CopyToClipboard(record, QString::fromLatin1(editors::blocks::kBlockListFormat));
    }

    QWidget* parent = nullptr;

private:
    BlockListPageContext c_;
};

}  // namespace

struct ShellBlockListView::Parts {
    explicit Parts(const BlockListPageContext& c)
        : host(c), editor(*c.unit, *c.undo, *c.prompt, host)
    {
    }
    PageHost host;
    editors::blocks::BlockListEditor editor;
};

ShellBlockListView* ShellBlockListView::create(BlockListPageContext context)
{
    auto parts = std::make_unique<Parts>(context);
    return new ShellBlockListView(std::move(parts), context);
}

ShellBlockListView::ShellBlockListView(std::unique_ptr<Parts> parts, const BlockListPageContext& context)
    : BlockListView(parts->editor, *context.unit, context.language, context.style), parts_(std::move(parts))
{
    parts_->host.parent = this;
    // A history kept for another unit goes.
    context.undo->Clear(false);
}

ShellBlockListView::~ShellBlockListView() = default;

}  // namespace kravin::shell
