#include "shell_pages.h"

#include "anatan_page.h"
#include "block_list_page.h"
#include "child_frame.h"
#include "current_unit.h"
#include "dentan_page.h"
#include "frame_bars.h"
#include "ht9_shell.h"
#include "info_bar.h"
#include "layer_undo_router.h"
#include "main_frame.h"
#include "monitor_worker.h"
#include "online_monitor.h"
#include "online_shell.h"
#include "open_pages.h"
#include "palettes.h"
#include "print_service.h"
#include "project.h"
#include "sequence_views.h"
#include "settings.h"
#include "shell_clipboard.h"
#include "shell_editing.h"
#include "shell_palettes.h"
#include "station_undo.h"
#include "system_clipboard.h"
#include "system_commands.h"
#include "system_config.h"
#include "system_view_page.h"
#include "tan_draw.h"
#include "theme.h"

#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace kravin::shell {

ShellPages::ShellPages(PageServices services) : s_(std::move(services))
{
    // A view that becomes active shows its zoom in the zoom box.
    MainFrame* frame = s_.frame;
    QObject::connect(frame->mdiArea(), &QMdiArea::subWindowActivated, frame, [frame](QMdiSubWindow* sub) {
        auto* child = qobject_cast<ChildFrame*>(sub);
        if (auto* view = child ? qobject_cast<ShellSystemView*>(child->view()) : nullptr)
            frame->syncZoomBox(view->zoom());
        if (auto* list = child ? qobject_cast<ShellBlockListView*>(child->view()) : nullptr)
            frame->syncZoomBox(list->zoom());
        if (auto* page = child ? qobject_cast<AnaTanPage*>(child->view()) : nullptr) frame->syncZoomBox(page->zoom());
        if (auto* comm = child ? qobject_cast<DenTanPage*>(child->view()) : nullptr) frame->syncZoomBox(comm->zoom());
    });
}

void ShellPages::decorateFrame(ViewKind kind, ChildFrame& frame)
{
    FrameBarServices bars;
    bars.language = s_.language;
    bars.unitHasBlockList = [this] { return s_.viewHooks->unitAllowsBlockViews(); };
    bars.bankShown = [this] { return s_.unit->modelStartsWith("PWZ"); };
    bars.bank = [this] { return s_.unit->g_blockListBank; };
    bars.switchBank = [this] {
        ChildFrame* f = s_.frame ? s_.frame->frame(ViewKind::BlkList) : nullptr;
        if (auto* view = f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr) view->switchBank();
    };
    bars.resetBank = [this] { s_.unit->g_blockListBank = 0; };
    bars.writeUnit = [this] { return writeCurrentUnit(); };
    bars.unitInfo = [this] { return currentUnitInfo(); };
    bars.lineSample = [this](QPainter& p, const QRect& r) {
        // The current analog line format at the bar's right edge.
        p.fillRect(QRect(r.right() - 50, 5, 40, 10), wiring::colorOf(s_.settings.BACK_COLOR));
        p.setPen(wiring::TanMakeLinePen(wiring::FormatStyle(s_.settings.AC_LKIND), wiring::FormatWidth(s_.settings.AC_LKIND),
                                        s_.settings.AC_LCOL));
        p.drawLine(r.right() - 46, 10, r.right() - 14, 10);
    };
    bars.commInfo = [this](QPainter& p, const QRect& r) {
        // The current communication line format, then the terminal legend.
        p.fillRect(QRect(8, 5, 40, 10), wiring::colorOf(s_.settings.BACK_COLOR));
        p.setPen(wiring::TanMakeLinePen(wiring::FormatStyle(s_.settings.DT_LKIND), wiring::FormatWidth(s_.settings.DT_LKIND),
                                        s_.settings.DT_LCOL));
        p.drawLine(12, 10, 43, 10);
        const bool ja = s_.language == res::Language::Japanese;
        struct Entry {
            const char* en;
            const char* ja;
            bool analog, pc;
        };
        static const Entry kLegend[] = {{"Digital In", "デジタル入力", false, false},
                                        {"Analog In", "アナログ入力", true, false},
                                        {"PC", "PC", false, true},
                                        {"Digital Out", "デジタル出力", false, false},
                                        {"Analog Out", "アナログ出力", true, false}};
        // One font for the legend, small enough that its widest text fits the bar.
        QFont font = p.font();
        int size = 13;
        const auto widest = [&] {
            int w = 0;
            for (const Entry& e : kLegend)
                w = std::max(w, QFontMetrics(font).horizontalAdvance(QString::fromUtf8(ja ? e.ja : e.en)));
            return w;
        };
        font.setPixelSize(size);
        while (size > 7 && widest() > r.width() - 46) font.setPixelSize(--size);
        p.setFont(font);
        int y = 40;
        for (const Entry& e : kLegend) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(e.pc ? QColor(255, 255, 0) : QColor(Qt::white));
            QPolygon shape;
            shape << QPoint(15, y) << QPoint(35, y) << QPoint(35, y + 16);
            if (e.analog) shape << QPoint(25, y + 24);
            shape << QPoint(15, y + 16);
            p.drawPolygon(shape);
            p.drawText(42, y + 13, QString::fromUtf8(ja ? e.ja : e.en));
            y += 45;
        }
    };
    if (s_.frame) addFrameBar(kind, frame, *s_.frame, bars);
    if (auto* page = kind == ViewKind::AnaTan ? qobject_cast<AnaTanPage*>(frame.view()) : nullptr)
        frame.addDockBar(Qt::LeftDockWidgetArea, page->palette());
    if (auto* comm = kind == ViewKind::DenTan ? qobject_cast<DenTanPage*>(frame.view()) : nullptr)
        frame.addDockBar(Qt::LeftDockWidgetArea, comm->palette());
    if (s_.sequenceViews) s_.sequenceViews->decorateFrame(kind, frame);
    if (s_.palettes) s_.palettes->addPalette(kind, frame);
}

void ShellPages::setModified()
{
    if (s_.session) s_.session->projectRecord.modified = 1;
}

QWidget* ShellPages::makeView(ViewKind kind)
{
    if (kind == ViewKind::AnaTan && s_.frame) return makeAnaTanPage();
    if (kind == ViewKind::Ht9 && s_.onlineShell) return s_.onlineShell->ht9().makeView();
    if ((kind == ViewKind::SeqBlk || kind == ViewKind::Ladder) && s_.sequenceViews)
        return s_.sequenceViews->makeView(kind);
    if (kind == ViewKind::BlkList && s_.frame) {
        BlockListPageContext c;
        c.unit = s_.unit;
        c.undo = s_.blockUndo;
        c.prompt = s_.prompt;
        c.language = s_.language;
        c.online = [this] { return s_.online.online.load(); };
        c.setModified = [this] { setModified(); };
        // An open analog view shows the changed blocks.
        c.analogChanged = [this] {
            ChildFrame* analog = s_.frame ? s_.frame->frame(ViewKind::AnaTan) : nullptr;
            if (!analog) return;
            s_.unit->LoadUnitBlocks(1);
            // Kinds of terminal blocks the list placed reach the drop checks.
            if (AnaTanPage* page = anaTanPageOf(s_.frame)) page->forgetLinks();
            if (analog->view()) analog->view()->update();
        };
        c.printBlockSetting = [this](QWidget* parent) {
            if (s_.print) s_.print->printBlockSetting(false, parent);
        };
        if (s_.theme) {
            c.style.background = s_.theme->white;
            c.style.text = s_.theme->black;
            c.style.used = s_.theme->silver;
            c.style.empty = s_.theme->white;
            c.style.selected = s_.theme->selectGreen;
            c.style.raisedDark = s_.theme->gray127;
            c.style.sunkenLight = s_.theme->silver;
            c.style.sunkenDark = s_.theme->gray127;
            c.style.fontFamily = s_.theme->font16.family();
        }
        c.transferBuilt = [this](int id) { return s_.onlineShell && s_.onlineShell->handles(id); };
        c.runTransfer = [this](int id) {
            if (s_.onlineShell) s_.onlineShell->runCommand(id);
            if (s_.frame) s_.frame->refresh();
        };
        auto* view = ShellBlockListView::create(std::move(c));
        view->setWindowTitle(viewTitle(kind, s_.language));
        view->slotState = &s_.frame->views().slot(ViewKind::BlkList).state;
        MainFrame* frame = s_.frame;
        QObject::connect(view, &editors::blocks::BlockListView::blocksChanged, frame, [frame] { frame->refresh(); });
        return view;
    }
    if (kind == ViewKind::DenTan && s_.frame) return makeDenTanPage();
    if (kind != ViewKind::System || !s_.frame) return nullptr;
    editors::SystemViewContext c;
    c.masters = s_.masters;
    c.tables = s_.tables;
    c.selection = s_.unitSelection;
    c.slotState = &s_.frame->views().slot(ViewKind::System).state;
    c.online = [this] { return s_.online.online.load(); };
    c.registryMonitorActive = [this] { return s_.online.regMonitorShown.load(); };
    c.language = s_.language;
    if (s_.theme) c.style = systemViewStyle(*s_.theme);
    c.canUndo = [this] { return s_.stationUndo->CanUndo(); };
    c.canRedo = [this] { return s_.stationUndo->CanRedo(); };
    c.workRecordHasCard = [this] { return s_.clipboard && s_.clipboard->clipboard().workRecordHasCard(); };
    c.displayNames = ModuleDisplayNames();
    auto* view = new ShellSystemView(std::move(c), s_.systemCommandTable);
    // The frames' titles are the trimmed view names.
    view->setWindowTitle(viewTitle(kind, s_.language));
    view->resetSelection();
    MainFrame* frame = s_.frame;
    QObject::connect(view, &editors::SystemView::openBlockListRequested, frame, [frame] {
        frame->views().openBlkList();
        frame->refresh();
    });
    return view;
}

QWidget* ShellPages::makeAnaTanPage()
{
    wiring::AnaTanServices s;
    s.unit = s_.unit;
    s.prompt = s_.prompt;
    s.undo = s_.blockUndo;
    s.layerUndo = s_.layerUndo;
    s.settings = &s_.settings;
    s.language = s_.language;
    s.online = [this] { return s_.online.online.load(); };
    s.setModified = [this] {
        if (s_.session) s_.session->projectRecord.modified = 1;
    };
    s.saveSettings = [this] { s_.saveSettings(); };
    MainFrame* frame = s_.frame;
    s.changed = [this, frame] {
        frame->refresh();
        s_.refreshMonitorSnapshot();
    };
    s.monitorValue = [this](int block, int item) -> std::optional<std::int32_t> {
        if (!s_.onlineMonitor || block < 0 || block >= online::kMonitorBlocks || item < 0 ||
            item >= online::kMonitorItems)
            return std::nullopt;
        const auto values = s_.onlineMonitor->state().Results().analog;
        if (!values || values->station != s_.unit->g_curStation || values->card != s_.unit->libraryCard())
            return std::nullopt;
        const auto b = static_cast<std::size_t>(block), i = static_cast<std::size_t>(item);
        if (!values->held[b][i]) return std::nullopt;  // never read: no value to show
        return values->values[b][i];
    };
    s.reloadSequence = [this] {
        if (!s_.sequenceViews) return;
        s_.sequenceViews->session().ReloadSteps();
        if (QWidget* seq = s_.sequenceViews->seqView()) seq->update();
    };
    s_.unit->LoadUnitBlocks(1);
    auto* page = new AnaTanPage(std::move(s), s_.helpDir);
    page->printBlockSetting = [this](QWidget* parent) {
        if (s_.print) s_.print->printBlockSetting(false, parent);
    };
    page->linksRebuilt = [this](const model::CommLinkTable& table) { s_.monitorContext->publishCommTable(table); };
    QObject::connect(page, &QObject::destroyed, frame, [this, frame] {
        QTimer::singleShot(0, frame, [this] { s_.refreshMonitorSnapshot(); });
    });
    QObject::connect(page->view(), &wiring::TanView::zoomChanged, frame, [frame](double zoom) { frame->syncZoomBox(zoom); });
    return page;
}

QWidget* ShellPages::makeDenTanPage()
{
    wiring::comm::DenTanServices s;
    s.unit = s_.unit;
    s.prompt = s_.prompt;
    s.undo = s_.stationUndo;
    s.blockUndo = s_.blockUndo;
    s.system = &s_.editing->commands();
    s.language = s_.language;
    s.online = [this] { return s_.online.online.load(); };
    s.setModified = [this] { setModified(); };
    s.settings = &s_.settings;
    s.saveSettings = [this] { s_.saveSettings(); };
    s.transferBuilt = [this](int id) { return s_.onlineShell && s_.onlineShell->handles(id); };
    s.runTransfer = [this](int id) {
        if (s_.onlineShell) s_.onlineShell->runCommand(id);
        if (s_.frame) s_.frame->refresh();
    };
    s.tableRebuilt = [this](const model::CommLinkTable& table) { s_.monitorContext->publishCommTable(table); };
    s.values = [this](int station, int slot, int index) -> std::optional<std::pair<std::int16_t, std::int16_t>> {
        if (!s_.onlineMonitor || station < 0 || station >= online::kMonitorStations || slot < 0 ||
            slot >= online::kMonitorSlots || index < 0 || index >= online::kMonitorTerminals)
            return std::nullopt;
        const auto values = s_.onlineMonitor->state().Results().comm;
        if (!values) return std::nullopt;
        const auto& v = values->slots[static_cast<std::size_t>(station)][static_cast<std::size_t>(slot)]
                                     [static_cast<std::size_t>(index)];
        if (!v.held) return std::nullopt;
        return std::make_pair(v.first, v.second);
    };
    MainFrame* frame = s_.frame;
    s.printBlockSetting = [this](QWidget* parent) {
        if (s_.print) s_.print->printBlockSetting(false, parent);
    };
    s.changed = [this, frame] {
        frame->refresh();
        if (frame->views().frameExists(ViewKind::System))
            frame->sendCommand(static_cast<int>(ViewKind::System), editors::syscmd::SystemRedraw);
    };
    s.openBlockList = [frame] {
        frame->views().openBlkList();
        frame->refresh();
    };
    auto* page = new DenTanPage(std::move(s));
    // A double click on a communication block's tile opens its terminal help.
    page->palette()->onItemHelp = [this, page](const PaletteItem* item) {
        if (page->palette()->openCategory() != kCommTerminalCategory) return;
        PaletteHelp help;
        help.helpDir = s_.helpDir;
        help.prompt = s_.prompt;
        help.show(HelpKind::Terminal, item, std::string());
    };
    QObject::connect(page->view(), &wiring::TanView::zoomChanged, frame, [frame](double zoom) { frame->syncZoomBox(zoom); });
    return page;
}

InfoBarUnit ShellPages::currentUnitInfo() const
{
    InfoBarUnit u;
    const int station = s_.unit->g_curStation, card = s_.unit->g_curCard;
    if (station < 0 || card < 0) return u;
    u.station = station;
    u.card = card;
    const int kind = s_.unit->unitKind(station, card);
    const int version = s_.unit->unitVersionIndex(station, card);
    const model::CardKindMaster& master = card == 0 ? s_.masters->station : s_.masters->card;
    if (kind > 0) {
        u.kind = master.name[static_cast<std::size_t>(kind)];
        u.version = master.versions[static_cast<std::size_t>(kind)][static_cast<std::size_t>(version)];
    }
    return u;
}

bool ShellPages::writeCurrentUnit()
{
    s_.unit->workFolder = s_.session ? s_.session->projectRecord.workFolder : std::string();
    if (editors::blocks::WriteCurrentUnitHead(*s_.unit)) return true;
    s_.prompt->message(7018, {}, model::Buttons::Ok, model::Icon::Error);
    return false;
}

}  // namespace kravin::shell
