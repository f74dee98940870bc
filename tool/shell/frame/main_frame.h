// The main window: menus, toolbar with the zoom box, status bar, the MDI area
// holding one child frame per view kind, and the frame-level commands.
#pragma once

#include "command_state.h"
#include "shell_context.h"
#include "command_table.h"
#include "project_commands.h"
#include "shell_ports.h"
#include "shell_texts.h"
#include "view_manager.h"

#include <QMainWindow>
#include <QPointer>

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace kravin::shell {

class ChildFrame;
class Theme;

class MainFrame : public QMainWindow, public FrameHost {
    Q_OBJECT
public:
    explicit MainFrame(ShellContext& context, QWidget* parent = nullptr);
    ~MainFrame() override;

    ViewManager& views() { return views_; }
    ProjectCommands& projectCommands() { return projectCommands_; }
    QMdiArea* mdiArea() const { return mdi_; }
    QAction* action(int id) const;
    QComboBox* zoomBox() const { return zoom_; }
    ChildFrame* frame(ViewKind kind) const;

    // Runs a command id as the menu would (only when it is enabled).
    bool trigger(int id);
    // The commands of the menus, the toolbar and the accelerators; the frame's
    // own are in it from the start, the features add theirs.
    CommandTable& commands() { return commands_; }
    // Whether the frame has the work of a command built (view commands: the
    // active view answers them). A command without it stays disabled.
    bool hasHandler(int id) const;
    // The recent-file entries of the File menu, newest first.
    void setRecentFiles(const std::vector<std::string>& paths);
    QList<QAction*> recentFileActions() const { return recentActions_; }
    // Re-evaluates every command's enabled state and the title.
    void refresh();
    CommandContext commandContext();
    std::optional<ViewKind> activeKind() const;
    QWidget* activeView() const;

    // Shows a view's zoom in the zoom box.
    void syncZoomBox(double scale);
    // Hands a zoom text to the active view: 0, -1 or -2 as parseZoomText.
    int applyZoomText(const QString& text);
    // The print settings last chosen for the active view.
    const std::optional<PrintSettings>& printSettings() const { return printSettings_; }
    // Chooses the active view's print settings for File > Print (false) or the
    // toolbar's print buttons (true); none when there is nothing to print or the
    // user cancelled.
    std::optional<PrintSettings> choosePrintSettings(
        bool fromToolbar, const std::function<std::optional<PrintSettings>(int scale)>& askScale);
    bool blinkPhase() const { return blinkPhase_; }
    Q_INVOKABLE void showAbout();
    // A private command (redraw requests, "M Online Stop") to the view of a
    // slot, or to the frame itself for kind -1. Workers call it queued:
    // QMetaObject::invokeMethod(frame, "sendCommand", Qt::QueuedConnection, ...).
    // False when there is nobody to take it.
    Q_INVOKABLE bool sendCommand(int kind, int id);

    // FrameHost
    bool createFrame(ViewKind kind, const FrameGeometry& geometry) override;
    void destroyFrame(ViewKind kind) override;
    void raiseFrame(ViewKind kind, bool repaint) override;
    void post(std::function<void()> task) override;

Q_SIGNALS:
    void viewShown(int kind);
    // A recent-file entry was chosen; opened is false when the project did not open.
    void recentFileOpened(const QString& path, bool opened);
    // The commands' enabled states were evaluated again (the bars follow).
    void commandsRefreshed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addFrameCommands();
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void run(int id);
    void updateTitle();
    void blink();
    void toggleLadderKeyHelp();
    // Side by side (Qt::Horizontal) or one above the other (Qt::Vertical).
    void tile(Qt::Orientation direction);
    void childGone(ChildFrame* frame);
    QString text(int id) const { return commandText(id, context_.language); }

    ShellContext& context_;
    ViewHooks defaultHooks_;
    ViewManager views_;
    ProjectCommands projectCommands_;
    CommandTable commands_;
    QMdiArea* mdi_ = nullptr;
    QComboBox* zoom_ = nullptr;
    QTimer* blinkTimer_ = nullptr;
    std::map<int, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* beforeExit_ = nullptr;  // the separator above Exit
    QList<QAction*> recentActions_;
    std::map<ViewKind, QPointer<ChildFrame>> frames_;
    std::optional<PrintSettings> printSettings_;
    QPointer<QWidget> ladderKeyHelp_;
    bool blinkPhase_ = true;
    int shownOnlineImage_ = -1;
};

}  // namespace kravin::shell
