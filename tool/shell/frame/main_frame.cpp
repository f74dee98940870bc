#include "main_frame.h"

#include "child_frame.h"
#include "command_ids.h"
#include "icons.h"
#include "recent_files.h"
#include "shared_dialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

namespace kravin::shell {

namespace {

ViewHooks& hooksOf(ShellContext& c, ViewHooks& fallback) { return c.viewHooks ? *c.viewHooks : fallback; }

// Commands the active view may take over: a view answers them with the
// invokable methods isCommandEnabled(int) and runCommand(int).
bool viewCommandEnabled(QWidget* view, int id, bool* enabled)
{
    if (!view || view->metaObject()->indexOfMethod("isCommandEnabled(int)") < 0) return false;
    bool result = false;
    QMetaObject::invokeMethod(view, "isCommandEnabled", Qt::DirectConnection, Q_RETURN_ARG(bool, result), Q_ARG(int, id));
    *enabled = result;
    return true;
}

bool viewRunCommand(QWidget* view, int id)
{
    if (!view || view->metaObject()->indexOfMethod("runCommand(int)") < 0) return false;
    return QMetaObject::invokeMethod(view, "runCommand", Qt::DirectConnection, Q_ARG(int, id));
}

constexpr int kViewCommandIds[] = {cmd::EditUndo,      cmd::EditRedo,    cmd::EditCut,     cmd::EditCopy,
                                   cmd::EditPaste,     cmd::EditDelete,  cmd::EditSelectAll, cmd::EditComment,
                                   cmd::AlignLeft,     cmd::AlignCenter, cmd::AlignRight};

bool isViewCommand(int id)
{
    for (int v : kViewCommandIds)
        if (v == id) return true;
    return false;
}

}  // namespace

MainFrame::MainFrame(ShellContext& context, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      views_(*this, hooksOf(context, defaultHooks_)),
      projectCommands_(*context.project, *context.prompt, context.language, hooksOf(context, defaultHooks_), views_)
{
    setWindowIcon(applicationIcon());
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    addFrameCommands();
    buildActions();
    buildMenus();
    buildToolBar();
    buildStatusBar();

    // 1025 x 580, centred on the work area.
    resize(1025, 580);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + area.width() / 2 - 512, area.y() + area.height() / 2 - 290);
    }

    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(300);
    connect(blinkTimer_, &QTimer::timeout, this, &MainFrame::blink);
    blinkTimer_->start();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { refresh(); });
    refresh();
}

MainFrame::~MainFrame()
{
    views_.beginShutdown();
    blinkTimer_->stop();
    disconnect(mdi_, nullptr, this, nullptr);
    for (auto& [kind, frame] : frames_)
        if (frame) frame->onGone = nullptr;
    // The child frames refer to the view manager: they go while it lives.
    delete mdi_;
    mdi_ = nullptr;
}

QAction* MainFrame::action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

ChildFrame* MainFrame::frame(ViewKind kind) const
{
    const auto it = frames_.find(kind);
    return it == frames_.end() ? nullptr : it->second.data();
}

void MainFrame::buildActions()
{
    const int ids[] = {cmd::FileNew,       cmd::FileOpen,        cmd::FileSave,           cmd::FileSaveAs,
                       cmd::FilePrint,     cmd::ToolPrint,       cmd::ToolPreview,        cmd::FileBulkPrint,
                       cmd::FileProperties, cmd::FileExit,       cmd::EditUndo,           cmd::EditRedo,
                       cmd::EditCut,       cmd::EditCopy,        cmd::EditPaste,          cmd::EditDelete,
                       cmd::EditSelectAll, cmd::EditComment,     cmd::AlignLeft,          cmd::AlignCenter,
                       cmd::AlignRight,    cmd::ViewSystem,      cmd::ViewDenTan,         cmd::ViewBlkList,
                       cmd::ViewAnaTan,    cmd::ViewSeqBlk,      cmd::ViewLadder,         cmd::ViewRegMonitor,
                       cmd::OnlineMonitor, cmd::Ht9Simulation,   cmd::Option,             cmd::PortSettingDelete,
                       cmd::WindowTileVertical, cmd::WindowTileHorizontal, cmd::WindowCascade, cmd::HelpBlockList,
                       cmd::HelpAbout,     cmd::HelpLadderKeys,  cmd::ToolHelp};
    for (int id : ids) {
        auto* a = new QAction(commandIcon(id), text(id), this);
        a->setData(id);
        a->setObjectName(QStringLiteral("cmd%1").arg(id));
        a->setStatusTip(a->text().remove(QLatin1Char('&')));
        connect(a, &QAction::triggered, this, [this, id] { trigger(id); });
        actions_[id] = a;
    }
    action(cmd::EditUndo)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    action(cmd::EditRedo)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    action(cmd::EditCut)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    action(cmd::EditCopy)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    action(cmd::EditPaste)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    action(cmd::EditDelete)->setShortcut(QKeySequence(Qt::Key_Delete));
}

void MainFrame::buildMenus()
{
    const auto add = [this](int menu, std::initializer_list<int> ids) {
        QMenu* m = menuBar()->addMenu(menuTitle(menu, context_.language));
        m->setObjectName(QStringLiteral("menu%1").arg(menu));
        QAction* separator = nullptr;
        for (int id : ids) {
            if (id == 0)
                separator = m->addSeparator();
            else
                m->addAction(action(id));
        }
        if (menu == 0) {
            fileMenu_ = m;
            beforeExit_ = separator;
        }
    };
    add(0, {cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::FileSaveAs, 0, cmd::FilePrint, cmd::FileBulkPrint, 0,
            cmd::FileProperties, 0, cmd::FileExit});
    add(1, {cmd::EditUndo, cmd::EditRedo, 0, cmd::EditCut, cmd::EditCopy, cmd::EditPaste, cmd::EditDelete, 0,
            cmd::EditSelectAll, cmd::EditComment});
    add(2, {cmd::ViewSystem, cmd::ViewDenTan, cmd::ViewBlkList, cmd::ViewAnaTan, cmd::ViewSeqBlk, cmd::ViewLadder, 0,
            cmd::ViewRegMonitor});
    add(3, {cmd::OnlineMonitor, cmd::Ht9Simulation, 0, cmd::Option, cmd::PortSettingDelete});
    add(4, {cmd::WindowTileVertical, cmd::WindowTileHorizontal, cmd::WindowCascade});
    add(5, {cmd::HelpBlockList, cmd::HelpAbout, cmd::HelpLadderKeys});
}

void MainFrame::buildToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(true);
    const int ids[] = {cmd::FileNew,     cmd::FileOpen,   cmd::FileSave,    0,
                       cmd::EditCut,     cmd::EditCopy,   cmd::EditPaste,   cmd::EditDelete,
                       0,                cmd::EditUndo,   cmd::EditRedo,    0,
                       cmd::ToolPrint,   cmd::ToolPreview, -1,              0,
                       cmd::ViewSystem,  cmd::ViewDenTan, cmd::ViewBlkList, cmd::ViewAnaTan,
                       cmd::ViewSeqBlk,  cmd::ViewLadder, 0,                cmd::OnlineMonitor,
                       cmd::Ht9Simulation, 0,             cmd::AlignLeft,   cmd::AlignCenter,
                       cmd::AlignRight,  cmd::EditComment, 0,               cmd::ToolHelp};
    for (int id : ids) {
        if (id == 0) {
            bar->addSeparator();
        } else if (id == -1) {
            zoom_ = new QComboBox(bar);
            zoom_->setObjectName(QStringLiteral("zoomBox"));
            zoom_->setEditable(false);
            zoom_->setFixedWidth(65);
            for (const char* entry : kZoomEntries) zoom_->addItem(QString::fromLatin1(entry));
            zoom_->setCurrentIndex(2);
            zoom_->setToolTip(text(cmd::ZoomBox));
            connect(zoom_, &QComboBox::activated, this, [this](int index) { applyZoomText(zoom_->itemText(index)); });
            bar->addWidget(zoom_);
        } else {
            bar->addAction(action(id));
        }
    }
}

void MainFrame::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    // The lock-key panes of the status bar; their state is not known here.
    for (const char* name : {"KANA", "CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setMinimumWidth(40);
        bar->addPermanentWidget(pane);
    }
}

std::optional<ViewKind> MainFrame::activeKind() const
{
    if (auto* sub = qobject_cast<ChildFrame*>(mdi_->activeSubWindow())) return sub->kind();
    // Without window focus (as offscreen) the frame on top counts as active.
    const QList<QMdiSubWindow*> list = mdi_->subWindowList(QMdiArea::StackingOrder);
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (auto* sub = qobject_cast<ChildFrame*>(*it); sub && sub->isVisible()) return sub->kind();
    return std::nullopt;
}

QWidget* MainFrame::activeView() const
{
    const auto kind = activeKind();
    if (!kind) return nullptr;
    ChildFrame* f = frame(*kind);
    return f ? f->view() : nullptr;
}

CommandContext MainFrame::commandContext()
{
    CommandContext c;
    c.projectOpen = context_.project->isOpen();
    c.projectUntitled = context_.project->isUntitled();
    c.active = activeKind();
    for (int k = 0; k < kViewKindCount; ++k) c.frameOpen[k] = views_.frameExists(static_cast<ViewKind>(k));
    ViewHooks& hooks = context_.viewHooks ? *context_.viewHooks : defaultHooks_;
    c.currentCard = hooks.currentCard();
    c.seqBlockIsLadder = hooks.seqBlockIsLadder();
    if (const OnlineFlags* o = context_.online) {
        c.online = o->online;
        c.busMode = o->busMode;
        c.monitorRan = o->monitorRan;
        c.ht9PortOpen = o->ht9PortOpen;
        c.regMonitorShown = o->regMonitorShown;
    }
    c.ht9CommandFlag = views_.commandFlags().ht9Command;
    return c;
}

bool MainFrame::hasHandler(int id) const { return !isViewCommand(id) && commands_.enabled(id); }

void MainFrame::refresh()
{
    const CommandContext c = commandContext();
    QWidget* view = activeView();
    for (auto& [id, a] : actions_) {
        bool enabled = commandEnabled(id, c);
        if (isViewCommand(id)) {
            // Only a view that answers a command runs it.
            bool byView = false;
            enabled = viewCommandEnabled(view, id, &byView) && byView;
        } else {
            enabled = enabled && hasHandler(id);
        }
        a->setEnabled(enabled);
    }
    if (zoom_) zoom_->setEnabled(commandEnabled(cmd::ZoomBox, c));
    updateTitle();
    Q_EMIT commandsRefreshed();
}

void MainFrame::setRecentFiles(const std::vector<std::string>& paths)
{
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    if (paths.empty()) return;
    std::size_t i = 0;
    for (const std::string& path : paths) {
        auto* a = new QAction(QString::fromStdString(recentFileLabel(i, path)), this);
        a->setObjectName(QStringLiteral("recent%1").arg(++i));
        const QString file = QString::fromStdString(path);
        connect(a, &QAction::triggered, this, [this, file] {
            const int result = projectCommands_.fileOpenPath(file.toStdString());
            refresh();
            if (result != -1) Q_EMIT recentFileOpened(file, result == 0);
        });
        fileMenu_->insertAction(beforeExit_, a);
        recentActions_ << a;
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    fileMenu_->insertAction(beforeExit_, separator);
    recentActions_ << separator;
}

void MainFrame::updateTitle()
{
    std::optional<std::string> child;
    if (QWidget* view = activeView()) child = view->windowTitle().toStdString();
    setWindowTitle(QString::fromStdString(
        frameTitle(res::message(57344, context_.language), child, context_.project->displayName())));
}

bool MainFrame::trigger(int id)
{
    refresh();
    QAction* a = action(id);
    if (a && !a->isEnabled()) return false;
    run(id);
    refresh();
    return true;
}

void MainFrame::run(int id)
{
    if (!commands_.run(id) && isViewCommand(id)) viewRunCommand(activeView(), id);
}

void MainFrame::addFrameCommands()
{
    CommandTable& t = commands_;
    ProjectCommands& p = projectCommands_;
    t.add(cmd::FileNew, [&p] { p.fileNew(); });
    t.add(cmd::FileOpen, [&p] { p.fileOpen(); });
    t.add(cmd::FileSave, [&p] { p.fileSave(); });
    t.add(cmd::FileSaveAs, [&p] { p.fileSaveAs(); });
    t.add(cmd::FileProperties, [&p] { p.fileProperties(); });
    t.add(cmd::FileExit, [this] { close(); });
    ViewManager& v = views_;
    t.add(cmd::ViewSystem, [&v] { v.openSystem(); });
    t.add(cmd::ViewDenTan, [&v] { v.openDenTan(); });
    t.add(cmd::ViewBlkList, [&v] { v.openBlkList(); });
    t.add(cmd::ViewAnaTan, [&v] { v.openAnaTan(); });
    t.add(cmd::ViewSeqBlk, [&v] { v.openSeqBlk(); });
    t.add(cmd::ViewLadder, [&v] { v.openLadder(); });
    t.add(cmd::Ht9Simulation, [&v] { v.openHt9(); });
    t.add(cmd::WindowTileVertical, [this] { tile(Qt::Horizontal); });
    t.add(cmd::WindowTileHorizontal, [this] { tile(Qt::Vertical); });
    t.add(cmd::WindowCascade, [this] { mdi_->cascadeSubWindows(); });
    // The help commands stay enabled; without the file they do nothing.
    t.add(cmd::HelpBlockList, [this] {
        const QString pdf = context_.helpDir + QStringLiteral("/ItemList.pdf");
        if (QFileInfo::exists(pdf)) QDesktopServices::openUrl(QUrl::fromLocalFile(pdf));
    });
    t.add(cmd::HelpLadderKeys, [this] { toggleLadderKeyHelp(); });
    t.add(cmd::ToolHelp,
          [this] { run(activeKind() == ViewKind::Ladder ? cmd::HelpLadderKeys : cmd::HelpBlockList); });
    t.add(cmd::HelpAbout, [this] { QMetaObject::invokeMethod(this, "showAbout"); });
}

void MainFrame::toggleLadderKeyHelp()
{
    if (ladderKeyHelp_) {
        delete ladderKeyHelp_.data();
        return;
    }
    auto* help = new editors::LadderKeyHelpDialog(context_.language, this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    ladderKeyHelp_ = help;
    help->show();
}

void MainFrame::tile(Qt::Orientation direction)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (w->isVisible() && !w->isMinimized()) windows << w;
    if (windows.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized()) w->showNormal();
        if (direction == Qt::Horizontal) {
            const int x0 = area.width() * i / n, x1 = area.width() * (i + 1) / n;
            w->setGeometry(x0, 0, x1 - x0, area.height());
        } else {
            const int y0 = area.height() * i / n, y1 = area.height() * (i + 1) / n;
            w->setGeometry(0, y0, area.width(), y1 - y0);
        }
    }
}

bool MainFrame::sendCommand(int kind, int id)
{
    if (kind < 0) {
        if (id != cmd::OnlineStop || !context_.services.onlineStopped) return false;
        context_.services.onlineStopped();
        refresh();
        return true;
    }
    if (kind >= kViewKindCount || views_.closingAllViews()) return false;
    ChildFrame* f = frame(static_cast<ViewKind>(kind));
    return f && viewRunCommand(f->view(), id);
}

std::optional<PrintSettings> MainFrame::choosePrintSettings(
    bool fromToolbar, const std::function<std::optional<PrintSettings>(int scale)>& askScale)
{
    const auto kind = activeKind();
    std::optional<PrintSettings> settings;
    if (fromToolbar) {
        int scale = 100;
        parseZoomText(zoom_->currentText().toStdString(), true, &scale);
        settings = printSettingsFor(kind, scale, false);
    } else if (kind == ViewKind::DenTan || kind == ViewKind::AnaTan) {
        if (!askScale) return std::nullopt;
        const auto chosen = askScale(100);
        if (!chosen) return std::nullopt;
        settings = printSettingsFor(kind, chosen->scale, chosen->fit);
    } else {
        settings = printSettingsFor(kind, 100, false);
    }
    if (settings) printSettings_ = settings;
    return settings;
}

int MainFrame::applyZoomText(const QString& zoomText)
{
    int value = 0;
    const auto kind = activeKind();
    const int result = parseZoomText(zoomText.toStdString(), kind.has_value(), &value);
    if (result != 0) return result;
    if (viewTakesZoom(*kind)) {
        if (QWidget* view = activeView(); view && view->metaObject()->indexOfMethod("setZoom(int)") >= 0)
            QMetaObject::invokeMethod(view, "setZoom", Qt::DirectConnection, Q_ARG(int, value));
    }
    return 0;
}

void MainFrame::syncZoomBox(double scale)
{
    const int index = zoom_->findText(QString::fromStdString(zoomText(scale)));
    if (index >= 0) {
        zoom_->setCurrentIndex(index);
        return;
    }
    if (context_.services.saveSettings) context_.services.saveSettings();
    zoom_->setCurrentIndex(2);
}

void MainFrame::blink()
{
    blinkPhase_ = !blinkPhase_;
    const bool online = context_.online && context_.online->online;
    const int image = online ? (blinkPhase_ ? 1 : 0) : 2;
    QAction* a = action(cmd::OnlineMonitor);
    const QString label = online ? res::qmessage(32813, context_.language) : text(cmd::OnlineMonitor);
    if (a->text() != label) a->setText(label);
    if (image != shownOnlineImage_) {
        a->setIcon(onlineIcon(image == 0 ? OnlineImage::OnA : image == 1 ? OnlineImage::OnB : OnlineImage::Off));
        shownOnlineImage_ = image;
    }
    refresh();
}

bool MainFrame::createFrame(ViewKind kind, const FrameGeometry& geometry)
{
    QWidget* view = context_.services.makeView ? context_.services.makeView(kind) : nullptr;
    if (!view) view = new PlaceholderView(kind, viewTitle(kind, context_.language));
    if (view->windowTitle().isEmpty()) view->setWindowTitle(viewTitle(kind, context_.language));
    auto* sub = new ChildFrame(kind, views_);
    sub->setObjectName(QStringLiteral("frame%1").arg(static_cast<int>(kind)));
    sub->setView(view);
    sub->setWindowIcon(applicationIcon());
    if (context_.services.decorateFrame) context_.services.decorateFrame(kind, *sub);
    sub->onGone = [this](ChildFrame* f) { childGone(f); };
    mdi_->addSubWindow(sub);
    sub->setGeometry(geometry.rect.x, geometry.rect.y, geometry.rect.width, geometry.rect.height);
    frames_[kind] = sub;
    if (geometry.hidden) {
        sub->hide();
    } else if (geometry.maximized) {
        sub->showMaximized();
    } else {
        sub->show();
    }
    if (!geometry.hidden) {
        mdi_->setActiveSubWindow(sub);
        Q_EMIT viewShown(static_cast<int>(kind));
    }
    refresh();
    return true;
}

void MainFrame::childGone(ChildFrame* f)
{
    const ViewKind kind = f->kind();
    const auto it = frames_.find(kind);
    if (it != frames_.end() && it->second == f) frames_.erase(it);
    views_.frameDestroyed(kind, f->placement());
    QTimer::singleShot(0, this, [this] { refresh(); });
}

void MainFrame::destroyFrame(ViewKind kind)
{
    if (ChildFrame* f = frame(kind)) f->destroyNow();
}

void MainFrame::raiseFrame(ViewKind kind, bool repaint)
{
    ChildFrame* f = frame(kind);
    if (!f) return;
    mdi_->setActiveSubWindow(f);
    f->raise();
    if (repaint && f->view()) f->view()->update();
}

void MainFrame::post(std::function<void()> task)
{
    QTimer::singleShot(0, this, [task = std::move(task)] { task(); });
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (projectCommands_.askSaveProject() != 0) {
        event->ignore();
        return;
    }
    views_.beginShutdown();
    // Every frame goes now, so its placement is kept for the settings.
    std::vector<QPointer<ChildFrame>> open;
    for (auto& [kind, f] : frames_) open.push_back(f);
    for (auto& f : open)
        if (f) f->destroyNow();
    event->accept();
}

}  // namespace kravin::shell
