#include "shell_application.h"

#include "KRAVinA.h"
#include "text_codec.h"
#include "vuken.h"

#include <QLocale>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

std::string SessionProject::displayName() const { return model::cp932ToUtf8(session_.g_projectName); }

int SessionProject::loadProject(const std::string& path)
{
    model::ProjectRecord& record = session_.projectRecord;
    session_.CleanupWorkFolder();
    record.path = path;
    record.workFolder = model::MakeTempWorkFolder(session_.environment().tempFolder);
    record.fileTitle = std::filesystem::path(path).filename().string();
    record.untitled = 0;
    // A load that fails shows its reason and falls back to a new untitled
    // project, so the record never keeps pointing at that archive.
    session_.LoadProject();
    return session_.g_projectOpen ? 0 : -1;
}

ShellApplication::ShellApplication(ShellOptions options)
    : options_(std::move(options)),
      masters_(std::make_unique<model::CardKindMasters>()),
      tables_(std::make_unique<model::SystemConfigTables>()),
      fieldNames_(std::make_unique<FieldNameTable>())
{
    if (!options_.monitor) options_.monitor = std::make_shared<IdleMonitorWorker>();
}

ShellApplication::~ShellApplication()
{
    frame_.reset();
}

void ShellApplication::registerBusCallback() { set_dcsfatalerr_callbk(&OnBusFatalError); }

void ShellApplication::loadSettings()
{
    if (!options_.profile) options_.profile = std::shared_ptr<QSettings>(model::openUserProfile());
    model::LoadSettings(*options_.profile, settings_);
    const std::string setting = options_.profile->value(QStringLiteral("KRAVin/LANGUAGE")).toString().toStdString();
    language_ = chooseLanguage(setting, QLocale::system().name().toStdString());

    if (options_.prompt) {
        prompt_ = options_.prompt;
    } else {
        qtPrompt_ = std::make_unique<QtPrompt>(language_);
        prompt_ = qtPrompt_.get();
    }
    model::ProjectEnvironment env;
    env.language = language_;
    model::ProjectHooks hooks;
    hooks.closeAllViews = [this] {
        if (frame_) frame_->views().closeAllViews();
    };
    session_ = std::make_unique<model::ProjectSession>(*masters_, *tables_, *prompt_, env, hooks);
    project_ = std::make_unique<SessionProject>(*session_);
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
    online_.busMode = settings_.ONLINE == 1;
}

bool ShellApplication::createMainFrame()
{
    context_.project = project_.get();
    context_.prompt = prompt_;
    context_.online = &online_;
    context_.theme = theme_.get();
    context_.language = language_;
    context_.helpDir = QString::fromStdString(options_.folders.helpDir);
    context_.viewHooks = options_.viewHooks;
    context_.services = options_.services;
    if (!context_.services.saveSettings) context_.services.saveSettings = [this] { saveSettings(); };
    if (!context_.services.deletePortSettings) context_.services.deletePortSettings = [this] { deletePortSettings(); };
    frame_ = std::make_unique<MainFrame>(context_);
    if (qtPrompt_) qtPrompt_->setParent(frame_.get());

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

void ShellApplication::startMonitor() { options_.monitor->start(); }

void ShellApplication::newProject() { project_->newProject(); }

int ShellApplication::loadProject(const std::string& path) { return project_->loadProject(path); }

void ShellApplication::openSystemView()
{
    frame_->views().openSystem();
    frame_->refresh();
}

bool ShellApplication::stopMonitor(std::chrono::milliseconds bound) { return options_.monitor->stop(bound); }

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

void ShellApplication::deletePortSettings()
{
    QSettings& s = *options_.profile;
    for (std::size_t i = 0; i < settings_.portList.size(); ++i) {
        s.setValue(QStringLiteral("KRAVin/COM%1_PORT_STR").arg(i), QString());
        s.setValue(QStringLiteral("KRAVin/COM%1_PORT_NUM").arg(i), QString());
    }
    s.setValue(QStringLiteral("KRAVin/COM_PORT_NUM"), 0);
    settings_.portList.clear();
    s.sync();
}

void ShellApplication::saveSettings()
{
    if (!options_.profile) return;
    storePlacements();
    model::SaveSettings(*options_.profile, settings_);
    options_.profile->sync();
}

}  // namespace kravin::shell
