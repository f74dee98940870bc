#include "anatan_page.h"

#include "block_setting_dialog.h"
#include "block_state.h"
#include "command_ids.h"
#include "palettes.h"
#include "toolbox_dock.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QUrl>

namespace kravin::shell {

std::vector<PaletteCategory> analogPaletteCategories(const model::UnitContext& unit)
{
    return BuildCodeCategories(unitValidBlocks(unit), ExclusionListA());
}

struct AnaTanPage::SettingHost final : editors::blocks::BlockSettingHost {
    std::function<void()> modified;
    void setModified() override
    {
        if (modified) modified();
    }
};

AnaTanPage::AnaTanPage(wiring::AnaTanServices services, std::string helpDir, QWidget* parent)
    : QWidget(parent), online_(services.online), helpDir_(std::move(helpDir)), prompt_(services.prompt),
      unit_(services.unit)
{
    services.itemHelp = [this](const std::string& name) { openItemHelp(name); };
    settingHost_ = std::make_unique<SettingHost>();
    settingHost_->modified = services.setModified;
    language_ = services.language;
    services.blockSetting = [this] { return runBlockSetting(); };
    services.linkTable = [this] { return linkTable(); };
    services.rebuildCommTable = [this](const std::function<void()>& step) { rebuildLinks(step); };

    setObjectName(QStringLiteral("anaTanPage"));
    const model::UnitContext& unit = *services.unit;
    const QString title = res::qmessage(6001, services.language).trimmed();
    view_ = new wiring::AnaTanView(std::move(services), this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
    setWindowTitle(title);
    // The frame docks the palette; until then (and without a frame) the page owns it.
    palette_ = new ToolBoxDock(QString());
    palette_->setLanguage(language_);
    palette_->setCategories(analogPaletteCategories(unit));
    palette_->setTarget(this);
    new PaletteDropFilter(view_->viewport(), this);
    // A double click on a tile opens its item help.
    palette_->onItemHelp = [this](const PaletteItem* item) {
        if (item) openItemHelp(item->name);
    };
}

bool AnaTanPage::runBlockSetting()
{
    if (!unit_ || !prompt_) return false;
    editors::blocks::BlockSettingDialog dialog(*unit_, *prompt_, language_, *settingHost_, this);
    if (printBlockSetting) dialog.setPrint([this, &dialog] { printBlockSetting(&dialog); });
    return dialog.exec() == QDialog::Accepted;
}

model::CommLinkTable* AnaTanPage::linkTable()
{
    if (!links_ && unit_) {
        links_ = std::make_unique<model::CommLinkTable>();
        model::RebuildCommTableKeepingUnit(*unit_, *links_);
    }
    return links_.get();
}

void AnaTanPage::rebuildLinks(const std::function<void()>& step)
{
    if (!unit_) return;
    if (!links_) links_ = std::make_unique<model::CommLinkTable>();
    model::RebuildCommTableKeepingUnit(*unit_, *links_, step);
    if (linksRebuilt) linksRebuilt(*links_);
}

AnaTanPage::~AnaTanPage()
{
    if (palette_ && !palette_->parent()) delete palette_;
    else if (palette_) palette_->setTarget(nullptr);
}

void AnaTanPage::openItemHelp(const std::string& name)
{
    PaletteHelp help;
    help.helpDir = helpDir_;
    help.prompt = prompt_;
    help.open = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    PaletteItem item;
    item.name = name;
    help.show(HelpKind::Item, &item, unit_ ? std::string(unit_->model()) : std::string());
}

bool AnaTanPage::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::EditUndo: return view_->canUndo();
    case cmd::EditRedo: return view_->canRedo();
    case cmd::EditDelete: return view_->canDelete();
    case cmd::EditSelectAll:
    case cmd::EditComment:
    case cmd::AlignLeft:
    case cmd::AlignCenter:
    case cmd::AlignRight: return true;
    default: return false;
    }
}

void AnaTanPage::runCommand(int id)
{
    switch (id) {
    case cmd::EditUndo: view_->undoEdit(); break;
    case cmd::EditRedo: view_->redoEdit(); break;
    case cmd::EditDelete: view_->deleteSelection(); break;
    case cmd::EditSelectAll: view_->selectAll(); break;
    case cmd::EditComment: view_->AddCommentAtCenter(); break;
    case cmd::AlignLeft: view_->alignLeft(); break;
    case cmd::AlignCenter: view_->alignCenter(); break;
    case cmd::AlignRight: view_->alignRight(); break;
    case wiring::anacmd::Redraw: view_->Redraw(); break;
    default: break;
    }
}

bool AnaTanPage::dragAllowed() const { return !(online_ && online_()); }

int AnaTanPage::dragImageWidth() const { return wiring::ScaleByZoom(240, view_->zoom()); }
int AnaTanPage::dragImageHeight() const { return wiring::ScaleByZoom(144, view_->zoom()); }

bool AnaTanPage::hitTest(int x, int y) const
{
    const QWidget* v = view_->viewport();
    return 0 < x && x < v->width() && 0 < y && y < v->height() && view_->IsPointOnCanvas(QPoint(x, y));
}

void AnaTanPage::drop(int x, int y, const PaletteItem& item) { view_->dropBlock(QPoint(x, y), item.code, item.name); }

}  // namespace kravin::shell
