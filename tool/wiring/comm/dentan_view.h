// The communication terminal connection view: every station and card of the
// project on one scrolling sheet. Events go to the editor; painting uses the
// drawing routines the print pages share.
#pragma once

#include "dentan_draw.h"
#include "dentan_editor.h"
#include "settings.h"
#include "string_table.h"
#include "tan_view.h"

#include <functional>
#include <memory>

namespace kravin::wiring::comm {

// Commands of the view's context menu.
namespace dencmd {
constexpr int ResetOrigin = 40237;
constexpr int PcSetting = 40239;
constexpr int LineFormat = 40429;
constexpr int DeleteLine = 40430;
constexpr int DeleteTerminal = 40431;
constexpr int RemoveDevice = 40458;
constexpr int Upload = 40459;
constexpr int NetUpload = 40460;
constexpr int Download = 40461;
constexpr int NetDownload = 40462;
constexpr int SelectLine = 40463;
constexpr int AddBreakpoint = 40464;
constexpr int DeleteBreakpoint = 40465;
constexpr int AddJump = 40475;
constexpr int DrawJunction = 40480;
constexpr int DeleteJunction = 40481;
constexpr int Redraw = 40602;  // "M Dentan Redraw"
}  // namespace dencmd

// What the view asks through dialogs; tests answer from a script.
class DenTanDialogs {
public:
    virtual ~DenTanDialogs() = default;
    virtual std::optional<DevicePlace> deviceLayout(const std::string& name, const std::string& version) = 0;
    virtual std::optional<std::string> jumpName() = 0;
    // Line format: (format, colour), nothing on Cancel.
    virtual std::optional<std::pair<int, std::uint32_t>> lineFormat(int format, std::uint32_t colour) = 0;
    // Function Block Setting over the current unit's loaded group; true for OK.
    virtual bool blockSetting() { return false; }
    // The block selection of a free terminal ("CDI 31"); nothing on Cancel.
    virtual std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices)
    {
        (void)choices;
        return std::nullopt;
    }
    // The comment dialog of the comment layer; none adds or edits nothing.
    virtual model::CommentDialog* commentDialog() { return nullptr; }
};

struct DenTanServices {
    model::UnitContext* unit = nullptr;
    model::Prompt* prompt = nullptr;
    model::CStationUndo* undo = nullptr;
    model::CBlockUndo* blockUndo = nullptr;
    editors::SystemCommands* system = nullptr;
    res::Language language = res::Language::English;
    std::function<bool()> online;
    std::function<void()> setModified;
    // DT_UNIT, DT_DX, DT_DY, DT_LKIND, DT_LCOL, BACK_COLOR, ENABLE_GRID; saved after a change.
    model::UserSettings* settings = nullptr;
    std::function<void()> saveSettings;
    // The transfer commands 40459..40462 on the current unit: built, and run.
    std::function<bool(int id)> transferBuilt;
    std::function<void(int id)> runTransfer;
    std::function<void(const model::CommLinkTable&)> tableRebuilt;
    // Live values while the monitor runs.
    CommValueFn values;
    // Told after every change, so the frame's commands are enabled anew.
    std::function<void()> changed;
    // A double click on a box: the function block list of the current unit.
    std::function<void()> openBlockList;
    // Print in the Function Block Setting dialog; unset leaves it disabled.
    std::function<void(QWidget* parent)> printBlockSetting;
};

class DenTanView final : public TanView, public DenTanHost {
    Q_OBJECT
public:
    explicit DenTanView(DenTanServices services, QWidget* parent = nullptr);
    ~DenTanView() override;

    DenTanEditor& editor() { return *editor_; }
    // Dialogs answered elsewhere (tests); null restores the real ones.
    void setDialogs(DenTanDialogs* dialogs);

    void SetZoom(int percent);
    // "M Dentan Redraw": repaint with the monitored values.
    void Redraw();
    // The project's units changed outside the view: its table and marks follow.
    void followProject();
    bool ConfirmOpenJumps() override;

    bool canUndo() const;
    bool canRedo() const;
    void undoEdit();
    void redoEdit();
    // Edit/Delete: comments, figures, boxes, the connection and the jump label selected.
    bool canDelete() const;
    void deleteSelection();
    void selectAll();
    // 0 left, 1 centre, 2 right.
    void align(int how);
    bool AddCommentAtCenter() override;
    void runCommand(int id, const QPoint& at);
    bool isCommandEnabled(int id, const QPoint& at) const;

    // Palette drops, in the viewport's coordinates.
    bool canDropBlock(const QPoint& point, const std::string& block) const;
    bool dropBlock(const QPoint& point, const std::string& block);
    bool dropDeviceAt(const QPoint& point, const std::string& name, const std::string& version);
    bool isCellInCanvas(const QPoint& point) const;
    // Marks the free terminal a dragged block would go to (none: the mark goes).
    void markDropTerminal(const QPoint& point, const std::string& block);
    TerminalRef dropMark() const { return dropMark_; }

    // The grid cell of a viewport point (fractions kept).
    QPointF cellOf(const QPoint& point) const;
    // Renders what the viewport shows (tests, benchmarks).
    void render(QPainter& painter, const QSize& size);
    DenTanDrawStyle& drawStyle() { return style_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // DenTanHost
    bool online() const override;
    void setModified() override;
    void tableRebuilt(const model::CommLinkTable& table) override;
    std::optional<DevicePlace> deviceLayout(const std::string& name, const std::string& version) override;
    bool runBlockSetting() override { return dialogs_->blockSetting(); }
    std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices) override
    {
        return dialogs_->chooseFunction(choices);
    }
    void message(int id) override;
    // The box under a viewport point and its model name.
    std::string modelAt(const QPoint& at, UnitRef* box) const;
    void applySettings();

    void after();
    // The rubber band's end follows a point, horizontal or vertical from the last point.
    void trackTo(const QPoint& point);
    void drawOverlays(QPainter& painter);

    DenTanServices services_;
    std::unique_ptr<DenTanDialogs> qtDialogs_;
    DenTanDialogs* dialogs_ = nullptr;
    std::unique_ptr<DenTanEditor> editor_;
    DenTanDrawStyle style_;
    QPoint rubber_;  // grid cell of the rubber band's end
    bool dragging_ = false;
    QPoint dragStart_, dragDelta_;  // grid cells of a box, comment or figure drag
    int pointDrag_ = -1;            // break point being dragged
    bool banding_ = false;          // rubber-band selection
    bool resizing_ = false;         // a comment's resize
    QPoint bandStart_, bandEnd_;    // grid cells
    bool showValues_ = false;
    TerminalRef dropMark_;  // terminal under a dragged block
};

}  // namespace kravin::wiring::comm
