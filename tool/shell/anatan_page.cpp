#include "anatan_page.h"

#include "command_ids.h"
#include "toolbox/toolbox_dock.h"

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

AnaTanPage::AnaTanPage(wiring::AnaTanServices services, QWidget* parent) : QMainWindow(parent), online_(services.online)
{
    setObjectName(QStringLiteral("anaTanPage"));
    const model::UnitContext& unit = *services.unit;
    const QString title = res::qmessage(6001, services.language).trimmed();
    view_ = new wiring::AnaTanView(std::move(services), this);
    setCentralWidget(view_);
    setWindowTitle(title);
    palette_ = new ToolBoxDock(QString(), this);
    palette_->setCategories(analogPaletteCategories(unit));
    palette_->setTarget(this);
    addDockWidget(Qt::LeftDockWidgetArea, palette_);
    new PaletteDropFilter(view_->viewport(), this);
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
