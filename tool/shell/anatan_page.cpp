#include "anatan_page.h"

#include "block_setting_dialog.h"
#include "command_ids.h"
#include "toolbox/toolbox_dock.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QUrl>

namespace kravin::shell {

std::vector<PaletteCategory> analogPaletteCategories(const model::UnitContext& unit)
{
    std::array<std::vector<std::string>, 100> valid;
    for (int g = 0; g < model::kGroups; ++g) {
        const auto& list = unit.validBlocks[static_cast<std::size_t>(g)];
        for (int i = 0; i < unit.validBlockCount[static_cast<std::size_t>(g)]; ++i) {
            const char* code = list.data() + 5 * i;
            if (code[0] != 0) valid[static_cast<std::size_t>(g)].emplace_back(code, 5);
        }
    }
    return BuildCodeCategories(valid, ExclusionListA());
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
    palette_->setCategories(analogPaletteCategories(unit));
    palette_->setTarget(this);
    new PaletteDropFilter(view_->viewport(), this);
    // A double click on a tile opens its item help.
    connect(palette_->list(), &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = palette_->list()->row(item);
        const auto& items = palette_->list()->items;
        if (row >= 0 && row < static_cast<int>(items.size())) openItemHelp(items[static_cast<std::size_t>(row)].name);
    });
}

bool AnaTanPage::runBlockSetting()
{
    if (!unit_ || !prompt_) return false;
    editors::blocks::BlockSettingDialog dialog(*unit_, *prompt_, language_, *settingHost_, this);
    return dialog.exec() == QDialog::Accepted;
}

AnaTanPage::~AnaTanPage()
{
    if (palette_ && !palette_->parent()) delete palette_;
    else if (palette_) palette_->setTarget(nullptr);
}

void AnaTanPage::openItemHelp(const std::string& name)
{
    const auto path = ItemHelpPath(helpDir_, name, unit_ ? unit_->model() : std::string_view(),
                                   [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); });
    if (path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(*path)));
    } else if (prompt_) {
        prompt_->message(kMsgNoItemHelp, {}, model::Buttons::Ok, model::Icon::Warning);
    }
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

bool AnaTanPage::hitTest(int x, int y) const
{
    const QWidget* v = view_->viewport();
    return 0 < x && x < v->width() && 0 < y && y < v->height() && view_->IsPointOnCanvas(QPoint(x, y));
}

void AnaTanPage::drop(int x, int y, const PaletteItem& item) { view_->dropBlock(QPoint(x, y), item.code, item.name); }

}  // namespace kravin::shell
