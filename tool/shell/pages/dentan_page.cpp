#include "dentan_page.h"

#include "command_ids.h"
#include "tan_geometry.h"

#include <QHBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace kravin::shell {

namespace {



std::vector<PaletteItem> modelItems(const model::CardKindMaster& master, bool cards)
{
    std::vector<PaletteItem> items;
    for (int k = 1; k < model::kKindEntries; ++k) {
        const std::string& name = master.name[static_cast<std::size_t>(k)];
        if (name.empty() || name.find_first_not_of(' ') == std::string::npos) break;
        if (cards && (name.rfind("TQRQ$", 0) == 0 || name.rfind("TQRC$", 0) == 0)) continue;
        float best = 0;
        for (const std::string& v : master.versions[static_cast<std::size_t>(k)]) {
            if (v.empty()) break;
            best = std::max(best, std::strtof(v.c_str(), nullptr));
        }
        char code[32];
        std::snprintf(code, sizeof code, "%.2f", static_cast<double>(best));
        const auto end = name.find_last_not_of(' ');
        items.push_back({name.substr(0, end + 1), code});
    }
    return items;
}

}  // namespace

std::vector<PaletteCategory> commPaletteCategories(const model::CardKindMasters& masters)
{
    std::vector<PaletteCategory> c(2);
    c[0].bitmap = kCardCategoryBitmap;
    c[0].items = modelItems(masters.card, true);
    c[kCommTerminalCategory].bitmap = kTerminalCategoryBitmap;
    c[kCommTerminalCategory].items = {{"CDI", "31"}, {"CDO", "32"}, {"CAI", "33"}, {"CAO", "34"}};
    return c;
}

DenTanPage::DenTanPage(wiring::comm::DenTanServices services, QWidget* parent)
    : QWidget(parent), online_(services.online)
{
    setObjectName(QStringLiteral("denTanPage"));
    const model::CardKindMasters& masters = services.unit->masters;
    const res::Language language = services.language;
    const QString title = res::qmessage(6000, services.language).trimmed();
    view_ = new wiring::comm::DenTanView(std::move(services), this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
    setWindowTitle(title);
    // The frame docks the palette; until then (and without a frame) the page owns it.
    palette_ = new ToolBoxDock(QString());
    palette_->setLanguage(language);
    palette_->setCategories(commPaletteCategories(masters), kCommTerminalCategory);
    palette_->setTarget(this);
    new PaletteDropFilter(view_->viewport(), this);
}

DenTanPage::~DenTanPage()
{
    if (palette_ && !palette_->parent()) delete palette_;
    else if (palette_) palette_->setTarget(nullptr);
}

bool DenTanPage::isCommandEnabled(int id) const
{
    switch (id) {
    case cmd::EditUndo: return view_->canUndo();
    case cmd::EditRedo: return view_->canRedo();
    case cmd::EditDelete: return view_->canDelete();
    case cmd::EditSelectAll:
    case cmd::EditComment:
    case cmd::AlignLeft:
    case cmd::AlignCenter:
    case cmd::AlignRight: return !(online_ && online_());
    default: return false;
    }
}

void DenTanPage::runCommand(int id)
{
    switch (id) {
    case cmd::EditUndo: view_->undoEdit(); break;
    case cmd::EditRedo: view_->redoEdit(); break;
    case cmd::EditDelete: view_->deleteSelection(); break;
    case cmd::EditSelectAll: view_->selectAll(); break;
    case cmd::EditComment: view_->AddCommentAtCenter(); break;
    case cmd::AlignLeft: view_->align(0); break;
    case cmd::AlignCenter: view_->align(1); break;
    case cmd::AlignRight: view_->align(2); break;
    case wiring::comm::dencmd::Redraw: view_->Redraw(); break;
    default: break;
    }
}

bool DenTanPage::dragAllowed() const { return !(online_ && online_()); }

int DenTanPage::dragImageWidth() const
{
    const bool terminal = palette_ && palette_->openCategory() == kCommTerminalCategory;
    return wiring::ScaleByZoom(terminal ? 40 : 400, view_->zoom());
}

int DenTanPage::dragImageHeight() const
{
    const bool terminal = palette_ && palette_->openCategory() == kCommTerminalCategory;
    return wiring::ScaleByZoom(terminal ? 30 : 144, view_->zoom());
}

bool DenTanPage::hitTest(int x, int y) const
{
    const QWidget* v = view_->viewport();
    return 0 < x && x < v->width() && 0 < y && y < v->height() && view_->isCellInCanvas(QPoint(x, y));
}

bool DenTanPage::accepts(int x, int y, const PaletteItem& item)
{
    if (!dragAllowed() || !hitTest(x, y)) {
        dragLeave();
        return false;
    }
    if (wiring::comm::CommBlockKind(item.name) == 0) return true;
    // A communication block: only a free terminal of a box that takes it, marked while the drag is over it.
    const QPoint p(x, y);
    if (!view_->canDropBlock(p, item.name)) {
        dragLeave();
        return false;
    }
    view_->markDropTerminal(p, item.name);
    return true;
}

void DenTanPage::dragLeave() { view_->markDropTerminal(QPoint(), std::string()); }

void DenTanPage::drop(int x, int y, const PaletteItem& item)
{
    if (wiring::comm::CommBlockKind(item.name) != 0) view_->dropBlock(QPoint(x, y), item.name);
    else view_->dropDeviceAt(QPoint(x, y), item.name, item.code);
}

}  // namespace kravin::shell
