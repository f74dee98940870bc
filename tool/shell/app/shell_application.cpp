#include "shell_application.h"

#include "KRAVinA.h"
#include "anatan_page.h"
#include "block_list_logic.h"
#include "child_frame.h"
#include "command_ids.h"
#include "current_unit.h"
#include "dentan_page.h"
#include "ht9_shell.h"
#include "layer_undo_router.h"
#include "main_frame.h"
#include "monitor_port.h"
#include "monitor_worker.h"
#include "online_monitor.h"
#include "online_services.h"
#include "online_shell.h"
#include "open_pages.h"
#include "port_settings.h"
#include "print_service.h"
#include "printing.h"
#include "project.h"
#include "qt_prompt.h"
#include "qt_worker_question.h"
#include "recent_files.h"
#include "sequence_views.h"
#include "services.h"
#include "session_project.h"
#include "shell_card_backup.h"
#include "shell_clipboard.h"
#include "shell_editing.h"
#include "shell_pages.h"
#include "shell_palettes.h"
#include "station_undo.h"
#include "system_config.h"
#include "system_view_page.h"
#include "theme.h"
#include "unit_undo_host.h"
#include "vuken.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace kravin::shell {

namespace {

std::atomic<int> g_busFatalErrors{0};

// Told by the bus library on any thread; the online functions take the link down.
extern "C" void OnBusFatalError(const char* message)
{
    g_busFatalErrors.fetch_add(1);
    std::fprintf(stderr, "KRAVin3: field bus fatal error: %s\n", message ? message : "");
}

// The settings' placement row of each view kind that keeps one.
int placementRow(ViewKind kind)
{
    switch (kind) {
    case ViewKind::System: return model::SysSet;
    case ViewKind::DenTan: return model::Dentan;
    case ViewKind::BlkList: return model::BList;
    case ViewKind::AnaTan: return model::ConAna;
    case ViewKind::SeqBlk: return model::SeqBlk;
    case ViewKind::Ladder: return model::SeqSet;
    case ViewKind::Ht9: return model::Ht9;
    default: return -1;
    }
}

constexpr int kPlacementLength = 44;

}  // namespace

int busFatalErrorCount() { return g_busFatalErrors.load(); }

ShellFolders ShellFolders::besideProgram(const std::string& exeDir)
{
    ShellFolders f;
    f.exeDir = exeDir;
    if (!f.exeDir.empty() && f.exeDir.back() != '/') f.exeDir += '/';
    f.tblDir = f.exeDir + "KRAVinTBL/";
    f.helpDir = f.exeDir + "Help";
    return f;
}

res::Language chooseLanguage(const std::string& setting, const std::string& localeName)
{
    if (setting == "ja") return res::Language::Japanese;
    if (setting == "en") return res::Language::English;
    return localeName.rfind("ja", 0) == 0 ? res::Language::Japanese : res::Language::English;
}

// The answers of the views the shell hosts.
class ShellApplication::Hooks final : public ViewHooks {
public:
    explicit Hooks(ShellApplication& app) : app_(app) {}

    bool unitAllowsBlockViews() override
    {
        const editors::CurrentUnit unit = app_.unitSelection().current();
        return unit.card >= 1 && !unit.model.empty() && editors::hasBlockList(unit.model);
    }
    void resetStartValues(ViewKind kind) override
    {
        if (kind == ViewKind::BlkList) {
            app_.unitContext().g_curGroup = -1;
            app_.unitContext().g_specialGroupMode = 0;
        }
        if (kind != ViewKind::System) return;
        if (ShellSystemView* view = app_.systemView()) view->resetSelection();
    }
    void prepareFrame(ViewKind kind) override
    {
        if (kind == ViewKind::BlkList) app_.unitSelection().loadUnitBlocks();
        if (app_.sequenceViews()) app_.sequenceViews()->prepareFrame(kind);
    }
    // The monitor reads what the open views show.
    void frameOpened(ViewKind) override { app_.refreshMonitorSnapshot(); }
    void frameClosing(ViewKind kind) override
    {
        if (kind == ViewKind::BlkList && app_.pages_) app_.pages_->writeCurrentUnit();
        if (app_.sequenceViews()) app_.sequenceViews()->frameClosing(kind);
    }
    int currentCard() override { return std::max(0, app_.unitContext().g_curCard); }
    // The analog view asks about its open jump marks before it is left.
    bool commitWiringEdit(ViewKind kind) override
    {
        if (kind == ViewKind::DenTan) {
            DenTanPage* comm = app_.denTanPage();
            return !comm || comm->view()->ConfirmOpenJumps();
        }
        AnaTanPage* page = kind == ViewKind::AnaTan ? app_.anaTanPage() : nullptr;
        return !page || page->view()->ConfirmOpenJumps();
    }
    bool chooseHt9Connection() override { return app_.onlineShell() && app_.onlineShell()->ht9().prepare(); }
    bool ladderPending() override { return app_.sequenceViews() && app_.sequenceViews()->ladderPending(); }
    int editModeViewNameId() override
    {
        return app_.sequenceViews() && app_.sequenceViews()->ladderInEditMode() ? 6002 : 0;  // "Ladder Setting "
    }
    bool commitLadder() override { return !app_.sequenceViews() || app_.sequenceViews()->commitLadder(); }
    bool confirmDiscardLadder() override
    {
        return !app_.sequenceViews() || app_.sequenceViews()->confirmDiscardLadder();
    }
    void restoreLadderBackup() override
    {
        if (app_.sequenceViews()) app_.sequenceViews()->restoreLadderBackup();
    }
    bool seqBlockIsLadder() override { return app_.sequenceViews() && app_.sequenceViews()->seqBlockIsLadder(); }

private:
    ShellApplication& app_;
};

ShellApplication::ShellApplication(ShellOptions options)
    : options_(std::move(options)),
      masters_(std::make_unique<model::CardKindMasters>()),
      tables_(std::make_unique<model::SystemConfigTables>()),
      systemCommandTable_(std::make_unique<SystemCommandTable>()),
      fieldNames_(std::make_unique<FieldNameTable>())
{
    unit_ = std::make_unique<model::UnitContext>(*masters_, *tables_, options_.folders.tblDir, std::string());
    unit_->g_curStation = -1;
    unit_->g_curCard = -1;
    unitSelection_ = std::make_unique<ModelUnitSelection>(
        *unit_, [this] { return session_ ? session_->projectRecord.workFolder : std::string(); });
    undoHost_ = std::make_unique<model::UnitUndoHost>(*unit_);
    undoHost_->modified = [this] {
        if (session_) session_->projectRecord.modified = 1;
    };
    undoHost_->unitChanged = [this] {
        if (unitSelection_ && unitSelection_->changed) unitSelection_->changed();
    };
    stationUndo_ = std::make_unique<model::CStationUndo>(*undoHost_);
    monitorContext_ = std::make_shared<ModelMonitorContext>(*unit_);
    // The stores reach the analog view while it is open.
    const auto activeView = [this]() -> model::UndoView* {
        AnaTanPage* page = anaTanPage();
        return page ? &page->view()->editor() : nullptr;
    };
    // The station store holds the communication view's layer and jump records only.
    undoHost_->view = [this]() -> model::UndoView* {
        DenTanPage* comm = denTanPage();
        return comm ? &comm->view()->editor() : nullptr;
    };
    blockUndoHost_ =
        std::make_unique<editors::blocks::UnitBlockUndoHost>(*unit_, [this] { setModified(); }, activeView);
    blockUndo_ = std::make_unique<model::CBlockUndo>(*blockUndoHost_);
    layerUndo_ = std::make_unique<model::LayerUndoRouter>(*blockUndo_, *stationUndo_, activeView);
    unitSelection_->changed = [this] {
        refreshMonitorSnapshot();
        if (palettes_) palettes_->refreshBlockList();
    };
    if (!options_.monitor) {
        serialLink_ = std::make_shared<online::SerialLink>();
        onlineMonitor_ = std::make_shared<OnlineMonitorWorker>(
            std::make_shared<online::OnlineState>(monitorContext_, serialLink_));
        options_.monitor = onlineMonitor_;
    }
}

ShellApplication::~ShellApplication()
{
    if (qtTranslator_) QCoreApplication::removeTranslator(qtTranslator_.get());
    onlineShell_.reset();
    if (onlineMonitor_) onlineMonitor_->onLadderRedraw = nullptr;
    if (onlineMonitor_) {
        onlineMonitor_->onCommunicationError = nullptr;
        onlineMonitor_->onOnlineStop = nullptr;
        // Without a shut-down the worker still runs: it ends before the model goes.
        onlineMonitor_->stop(monitorStopBound(settings_.COM_TIME, kMonitorStopBound));
    }
    frame_.reset();
}

void ShellApplication::registerBusCallback() { set_dcsfatalerr_callbk(&OnBusFatalError); }

void ShellApplication::loadSettings()
{
    if (!options_.profile) options_.profile = std::shared_ptr<QSettings>(model::openUserProfile());
    model::LoadSettings(*options_.profile, settings_);
    const std::string setting = options_.profile->value(QStringLiteral("KRAVin/LANGUAGE")).toString().toStdString();
    language_ = chooseLanguage(setting, QLocale::system().name().toStdString());
    if (language_ == res::Language::Japanese && !qtTranslator_) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(translator.get());
            qtTranslator_ = std::move(translator);
        }
    }

    if (options_.prompt) {
        prompt_ = options_.prompt;
    } else {
        qtPrompt_ = std::make_unique<QtPrompt>(language_);
        prompt_ = qtPrompt_.get();
    }
    model::ProjectEnvironment env;
    env.language = language_;
    env.sheet = {settings_.DT_DX, settings_.DT_DY};
    loadRecentFiles();
    model::ProjectHooks hooks;
    // The histories of a project never outlive it.
    hooks.clearUndoHistories = [this] { clearUndoHistories(); };
    hooks.closeAllViews = [this] {
        if (frame_) frame_->views().closeAllViews();
    };
    // The project's system is read: the registry target's blocks come from it.
    hooks.applyMonitorTarget = [this] {
        if (!onlineMonitor_) return;
        refreshMonitorSnapshot();
        onlineMonitor_->state().ApplyMonitorTarget();
        refreshMonitorSnapshot();
    };
    session_ = std::make_unique<model::ProjectSession>(*masters_, *tables_, *prompt_, env, hooks);
    project_ = std::make_unique<SessionProject>(*session_);
    project_->changed = [this] { projectChanged(); };
    project_->saved = [this] { noteRecentFile(session_->projectRecord.path); };
}

void ShellApplication::stampProjectVersion() { model::StampProjectVersion(); }

void ShellApplication::createFonts() { theme_ = std::make_unique<Theme>(); }

void ShellApplication::clearProjectHeader()
{
    session_->g_projectName.clear();
    session_->g_projectComment.clear();
    session_->g_projectHandle = -1;
    session_->g_projectOpen = 0;
}

void ShellApplication::clearSystemTables() { tables_->clear(); }

void ShellApplication::loadMasters() { model::LoadCardKindMasters(*masters_, options_.folders.tblDir); }

void ShellApplication::loadFieldNames()
{
    const std::string folder = options_.folders.tblDir;
    fillFieldNameTable(*fieldNames_, [&folder](int id) {
        char entries[256] = {};
        KRAVinA_Mast_FiledName_Get(id, entries, folder.c_str());
        return std::string(entries, ::strnlen(entries, sizeof entries));
    });
}

void ShellApplication::resetRuntimeState()
{
    online_.online = false;
    online_.monitorRan = false;
    online_.ht9PortOpen = false;
    online_.regMonitorShown = false;
    applyOnlineSettings();
}

void ShellApplication::applyOnlineSettings()
{
    online_.busMode = settings_.ONLINE == 1;
    if (serialLink_) serialLink_->setSettings(online::SerialLinkSettings::fromProfile(settings_.COM_TIME, settings_.HT9_ID));
    if (onlineMonitor_ && onlineMonitor_->state().OnlineLinkOpen.load() == 0) {
        online::OnlineState& state = onlineMonitor_->state();
        state.OnlineDestination = settings_.ONLINE == 1 ? 1 : 0;
        state.MonitorSpeed = settings_.MON_SPEED;
    }
}

bool ShellApplication::createMainFrame()
{
    context_.project = project_.get();
    context_.prompt = prompt_;
    context_.online = &online_;
    context_.theme = theme_.get();
    context_.language = language_;
    context_.helpDir = QString::fromStdString(options_.folders.helpDir);
    if (!options_.viewHooks) hooks_ = std::make_unique<Hooks>(*this);
    context_.viewHooks = options_.viewHooks ? options_.viewHooks : hooks_.get();
    context_.services = options_.services;
    if (!context_.services.saveSettings) context_.services.saveSettings = [this] { saveSettings(); };
    makePrintService();
    const auto givenView = context_.services.makeView;
    context_.services.makeView = [this, givenView](ViewKind kind) {
        QWidget* view = givenView ? givenView(kind) : nullptr;
        return view ? view : makeView(kind);
    };
    const auto givenDecorate = context_.services.decorateFrame;
    context_.services.decorateFrame = [this, givenDecorate](ViewKind kind, ChildFrame& frame) {
        if (pages_) pages_->decorateFrame(kind, frame);
        if (givenDecorate) givenDecorate(kind, frame);
    };
    const auto givenStop = context_.services.onlineStopped;
    context_.services.onlineStopped = [this, givenStop] {
        onlineStopped();
        if (givenStop) givenStop();
    };
    frame_ = std::make_unique<MainFrame>(context_);
    if (qtPrompt_) qtPrompt_->setParent(frame_.get());
    workerQuestion_ = std::make_unique<QtWorkerQuestion>(language_);
    workerQuestion_->setParentWidget(frame_.get());
    frame_->setRecentFiles(recentFiles_);
    QObject::connect(frame_.get(), &MainFrame::recentFileOpened, frame_.get(),
                     [this](const QString& path, bool opened) {
                         if (!opened) forgetRecentFile(path.toStdString());
                     });

    MainFrame* frame = frame_.get();
    if (onlineMonitor_) {
        // A failed exchange is shown once per failure; the run has stopped.
        onlineMonitor_->onCommunicationError = [this](int id) {
            prompt_->message(id, {}, model::Buttons::Ok, model::Icon::Error);
            // The box took the activation; the registry monitor stays in front of the main window.
            if (onlineShell_) {
                if (QWidget* registry = onlineShell_->registryMonitor(); registry && registry->isVisible()) {
                    registry->raise();
                    registry->activateWindow();
                }
            }
        };
        onlineMonitor_->onOnlineStop = [this] {
            if (frame_) frame_->sendCommand(-1, cmd::OnlineStop);
        };
        QObject::connect(&onlineMonitor_->worker(), &online::MonitorWorker::anatanRedraw, frame, [frame] {
            frame->sendCommand(static_cast<int>(ViewKind::AnaTan), wiring::anacmd::Redraw);
        });
        QObject::connect(&onlineMonitor_->worker(), &online::MonitorWorker::dentanRedraw, frame, [frame] {
            frame->sendCommand(static_cast<int>(ViewKind::DenTan), wiring::comm::dencmd::Redraw);
        });
    }
    createFeatures();

    SequenceViewsContext seq;
    seq.unit = unit_.get();
    seq.prompt = prompt_;
    seq.language = language_;
    seq.frame = frame;
    seq.theme = theme_.get();
    seq.online = [this] { return online_.online.load(); };
    seq.setModified = [this] { setModified(); };
    seq.commentsShown = [this] { return settings_.SEQ_DSP != 0; };
    seq.storeComments = [this](bool shown) {
        settings_.SEQ_DSP = shown ? 1 : 0;
        if (print_) print_->viewState().ladderComments = shown;
        saveSettings();
    };
    seq.gridShown = [this] { return settings_.ENABLE_GRID != 0; };
    seq.background = [this] {
        const int c = settings_.BACK_COLOR;   // COLORREF: red in the low byte
        return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    };
    seq.viewsChanged = [this] { refreshMonitorSnapshot(); };
    seq.printBlockSetting = [this](QWidget* parent) {
        if (print_) print_->printBlockSetting(false, parent);
    };
    seq.monitor = monitorContext_.get();
    seq.monitorState = onlineMonitor_ ? &onlineMonitor_->state() : nullptr;
    sequenceViews_ = std::make_unique<SequenceViews>(std::move(seq));
    if (print_) {
        // The ladder prints as its view shows it while the view is open.
        print_->viewState().ladderComments = settings_.SEQ_DSP != 0;
        print_->viewState().ladderSource = [this]() -> const ladder::LadderContext* {
            if (!frame_ || !frame_->views().frameExists(ViewKind::Ladder)) return nullptr;
            return &sequenceViews_->session().ladder;
        };
    }
    createPages();
    if (onlineMonitor_) {
        onlineMonitor_->onLadderRedraw = [this] {
            if (frame_) frame_->sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw);
        };
    }

    ViewManager& views = frame_->views();
    views.setMaximizedChildren(settings_.MAXIMUM_SIZE != 0);
    for (int k = 0; k < kViewKindCount; ++k) {
        const auto kind = static_cast<ViewKind>(k);
        const int row = placementRow(kind);
        if (row < 0) continue;
        const model::WindowPlacement& p = settings_.placements[row];
        if (p.length != 0 && p.right > p.left && p.bottom > p.top)
            views.slot(kind).placement = {true, p.left, p.top, p.right - p.left, p.bottom - p.top};
    }
    return true;
}

void ShellApplication::showMainFrame() { frame_->show(); }

void ShellApplication::startMonitor()
{
    if (onlineMonitor_) {
        std::string folder;
        model::GetAppDataDir(folder);
        monitorContext_->setAppDataDir(folder);
        refreshMonitorSnapshot();
    }
    options_.monitor->start();
    // The registry monitor is made hidden now; its list comes from the monitor's folder.
    if (onlineShell_) onlineShell_->createRegistryMonitor();
}

void ShellApplication::newProject() { project_->newProject(); }

int ShellApplication::loadProject(const std::string& path) { return project_->loadProject(path); }

void ShellApplication::openSystemView()
{
    frame_->views().openSystem();
    frame_->refresh();
}

bool ShellApplication::stopMonitor(std::chrono::milliseconds bound)
{
    // A transfer waiting for an answer gets Abort: nobody answers any more.
    if (workerQuestion_) workerQuestion_->shutDown();
    // An exchange in progress ends at its reply time-out at the latest.
    return options_.monitor->stop(monitorStopBound(settings_.COM_TIME, bound));
}

ShellSystemView* ShellApplication::systemView() const { return systemViewOf(frame_.get()); }

AnaTanPage* ShellApplication::anaTanPage() const { return anaTanPageOf(frame_.get()); }

DenTanPage* ShellApplication::denTanPage() const { return denTanPageOf(frame_.get()); }

editors::SystemClipboard& ShellApplication::systemClipboard() { return clipboard_->clipboard(); }

editors::SystemCommands& ShellApplication::systemCommands() { return editing_->commands(); }

CardBackupCommands& ShellApplication::cardBackup() { return cardBackup_->commands(); }

VersionSyncContext& ShellApplication::versionSync() { return cardBackup_->versionSync(); }

void ShellApplication::createFeatures()
{
    MainFrame& frame = *frame_;
    // Every command of the system view's menu refreshes the frame's commands after its work.
    systemCommandTable_->setAfterEach([&frame] { frame.refresh(); });
    portSettings_ = std::make_unique<PortSettings>(settings_, *options_.profile, *prompt_, frame.commands());
    printing_ = std::make_unique<Printing>(*print_, frame, *session_, *prompt_, language_,
                                           options_.services.askPrintScale, *systemCommandTable_);
    if (onlineMonitor_) {
        OnlineServices s{.mainFrame = &frame,
                         .session = session_.get(),
                         .unitContext = *unit_,
                         .unitSelection = *unitSelection_,
                         .masters = *masters_,
                         .systemTables = *tables_,
                         .settings = settings_,
                         .profile = options_.profile.get(),
                         .fieldNames = *fieldNames_,
                         .prompt = *prompt_,
                         .language = language_,
                         .online = online_,
                         .onlineMonitor = onlineMonitor_.get(),
                         .monitorContext = *monitorContext_,
                         .serialLink = serialLink_.get(),
                         .workerQuestion = *workerQuestion_,
                         .systemView = [this] { return systemView(); },
                         .saveSettings = [this] { saveSettings(); },
                         .applyOnlineSettings = [this] { applyOnlineSettings(); },
                         .refreshMonitorSnapshot = [this] { refreshMonitorSnapshot(); }};
        onlineShell_ = std::make_unique<OnlineShell>(s, *systemCommandTable_);
    }
    editing_ = std::make_unique<ShellEditing>(frame, *session_, *unit_, *unitSelection_, *masters_, *tables_,
                                              *stationUndo_, *prompt_, language_, settings_, *systemCommandTable_);
    cardBackup_ = std::make_unique<ShellCardBackup>(frame, *session_, *unit_, *unitSelection_, *prompt_, *stationUndo_,
                                                    editing_->commands(), settings_, *fieldNames_, language_,
                                                    serialLink_, onlineShell_.get(), *systemCommandTable_);
    clipboard_ = std::make_unique<ShellClipboard>(frame, *session_, *unit_, *unitSelection_, *stationUndo_, *prompt_,
                                                  settings_, *systemCommandTable_);
    // The system palette's drop places the model with the master's own version text.
    if (!placeDevice)
        placeDevice = [editing = editing_.get()](const std::string& name, const std::string& version) {
            return editing->placeFromPalette(name, version);
        };
    palettes_ = std::make_unique<ShellPalettes>(frame, *unit_, *masters_, online_, theme_.get(), language_,
                                                options_.folders.helpDir, *prompt_, placeDevice, openHelpFile);
}

QWidget* ShellApplication::makeView(ViewKind kind) { return pages_ ? pages_->makeView(kind) : nullptr; }

void ShellApplication::createPages()
{
    PageServices s{.frame = frame_.get(),
                   .session = session_.get(),
                   .unit = unit_.get(),
                   .unitSelection = unitSelection_.get(),
                   .masters = masters_.get(),
                   .tables = tables_.get(),
                   .blockUndo = blockUndo_.get(),
                   .stationUndo = stationUndo_.get(),
                   .layerUndo = layerUndo_.get(),
                   .settings = settings_,
                   .online = online_,
                   .prompt = prompt_,
                   .language = language_,
                   .theme = theme_.get(),
                   .helpDir = options_.folders.helpDir,
                   .viewHooks = context_.viewHooks,
                   .print = print_.get(),
                   .onlineMonitor = onlineMonitor_.get(),
                   .monitorContext = monitorContext_.get(),
                   .onlineShell = onlineShell_.get(),
                   .systemCommandTable = systemCommandTable_.get(),
                   .editing = editing_.get(),
                   .clipboard = clipboard_.get(),
                   .palettes = palettes_.get(),
                   .sequenceViews = sequenceViews_.get(),
                   .saveSettings = [this] { saveSettings(); },
                   .refreshMonitorSnapshot = [this] { refreshMonitorSnapshot(); }};
    pages_ = std::make_unique<ShellPages>(std::move(s));
}

void ShellApplication::makePrintService()
{
    print::PrintModel m;
    m.masters = masters_.get();
    m.tables = tables_.get();
    m.unit = unit_.get();
    m.session = session_.get();
    m.prompt = prompt_;
    m.language = language_;
    m.selectUnit = [this](int station, int card) {
        unitSelection_->select(station, card);
        unitSelection_->loadUnitBlocks();
    };
    m.redrawSystem = [this] {
        if (frame_) frame_->sendCommand(static_cast<int>(ViewKind::System), editors::syscmd::SystemRedraw);
    };
    print_ = std::make_unique<print::PrintService>(std::move(m), options_.printerChooser);
    print_->viewState().analogView = [this]() -> std::optional<print::AnalogViewState> {
        AnaTanPage* page = anaTanPage();
        if (!page) return std::nullopt;
        const wiring::AnaTanEditor& e = page->view()->editor();
        return print::AnalogViewState{&e.diagram(), &e.openJumps(), e.comments(), e.figures()};
    };
    print_->viewState().commView = [this]() -> std::optional<print::CommViewState> {
        DenTanPage* page = denTanPage();
        if (!page) return std::nullopt;
        const wiring::comm::DenTanEditor& e = page->view()->editor();
        print::CommViewState state;
        state.table = &e.table();
        for (const wiring::comm::PendingJump& j : e.pendingJumps())
            state.pending.push_back({j.terminal, j.name, j.format, static_cast<std::int32_t>(j.colour)});
        return state;
    };
}


void ShellApplication::refreshMonitorSnapshot()
{
    online::MonitorViews views;
    if (frame_) {
        ViewManager& v = frame_->views();
        views.analogOpen = v.frameExists(ViewKind::AnaTan);
        views.commOpen = v.frameExists(ViewKind::DenTan);
        views.ladderOpen = v.frameExists(ViewKind::Ladder);
        views.framesClosing = v.closingAllViews();
        views.ht9Open = v.frameExists(ViewKind::Ht9);
    }
    const bool open = session_ && session_->g_projectOpen != 0;
    monitorContext_->refresh(open, views, session_ ? session_->projectRecord.workFolder : std::string());
}

void ShellApplication::onlineStopped()
{
    if (onlineShell_) {
        onlineShell_->commands().OnOnlineStop();
    } else if (onlineMonitor_) {
        refreshMonitorSnapshot();  // the HT-9 window may hold the port
        OnlineMonitorWorker::takeLinkDown(onlineMonitor_->state(), online_.online);
    }
    if (frame_ && frame_->views().frameExists(ViewKind::Ladder))
        frame_->sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw);
}

void ShellApplication::setModified()
{
    if (session_) session_->projectRecord.modified = 1;
}

void ShellApplication::clearUndoHistories()
{
    if (stationUndo_) stationUndo_->Clear();
    if (blockUndo_) blockUndo_->Clear(true);
    if (sequenceViews_) sequenceViews_->forgetProject();
}

void ShellApplication::projectChanged()
{
    if (session_->g_projectOpen && !session_->projectRecord.untitled) noteRecentFile(session_->projectRecord.path);
    // The histories and the selection of another project go.
    clearUndoHistories();
    unitSelection_->clear();
    unit_->workFolder = session_->projectRecord.workFolder;
    refreshMonitorSnapshot();
    if (frame_ && frame_->views().frameExists(ViewKind::System))
        frame_->sendCommand(static_cast<int>(ViewKind::System), editors::syscmd::SystemRedraw);
}

void ShellApplication::cleanupWorkFolder()
{
    if (session_) session_->CleanupWorkFolder();
}

void ShellApplication::storePlacements()
{
    if (!frame_) return;
    ViewManager& views = frame_->views();
    settings_.MAXIMUM_SIZE = views.maximizedChildren() ? 1 : 0;
    for (int k = 0; k < kViewKindCount; ++k) {
        const auto kind = static_cast<ViewKind>(k);
        const int row = placementRow(kind);
        const Placement& p = views.slot(kind).placement;
        if (row < 0 || !p.valid) continue;
        settings_.placements[row] = {p.x, p.y, p.x + p.width, p.y + p.height, kPlacementLength};
    }
}

void ShellApplication::saveSettings()
{
    if (!options_.profile) return;
    storePlacements();
    model::SaveSettings(*options_.profile, settings_);
    saveRecentFiles();
    options_.profile->sync();
}

}  // namespace kravin::shell

namespace kravin::shell {

void ShellApplication::noteRecentFile(const std::string& path)
{
    if (path.empty()) return;
    addRecentFile(recentFiles_, path);
    if (frame_) frame_->setRecentFiles(recentFiles_);
}

void ShellApplication::forgetRecentFile(const std::string& path)
{
    removeRecentFile(recentFiles_, path);
    if (frame_) frame_->setRecentFiles(recentFiles_);
}

void ShellApplication::loadRecentFiles()
{
    recentFiles_.clear();
    for (std::size_t i = 1; i <= kRecentFileCount; ++i) {
        const QString path = options_.profile->value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!path.isEmpty()) recentFiles_.push_back(path.toStdString());
    }
}

void ShellApplication::saveRecentFiles()
{
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        const QString key = QStringLiteral("Recent File List/File%1").arg(i + 1);
        if (i < recentFiles_.size())
            options_.profile->setValue(key, QString::fromStdString(recentFiles_[i]));
        else
            options_.profile->remove(key);
    }
}

}  // namespace kravin::shell
