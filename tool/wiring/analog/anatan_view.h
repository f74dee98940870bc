// The analog terminal connection view: the diagram of the current unit on a
// scrolling canvas. Events go to the editor; painting uses the drawing
// routines the print pages share.
#pragma once

#include "anatan_dialogs.h"
#include "anatan_draw.h"
#include "anatan_editor.h"
#include "settings.h"
#include "tan_view.h"

#include <functional>

class QScrollBar;
#include <memory>

namespace kravin::wiring {

struct AnaTanServices {
    model::UnitContext* unit = nullptr;
    model::Prompt* prompt = nullptr;
    model::CBlockUndo* undo = nullptr;
    model::LayerUndo* layerUndo = nullptr;
    model::UserSettings* settings = nullptr;  // AC_UNIT, AC_LKIND, AC_LCOL, ENABLE_GRID, BACK_COLOR
    res::Language language = res::Language::English;
    std::function<bool()> online;
    std::function<void()> setModified;
    std::function<void()> saveSettings;
    // The monitored value of (block, item) while the monitor runs.
    MonitorValueFn monitorValue;
    // Function Block Setting of the current group (see AnaTanHost::runBlockSetting).
    std::function<bool()> blockSetting;
    // Opens the help document of a block name (3 letters).
    std::function<void(const std::string& name)> itemHelp;
    // Told after every change, so the frame's commands are enabled anew.
    std::function<void()> changed;
    // The link table the tool keeps (null: none): a drop's checks read it and
    // placed terminal blocks write their kind into it.
    std::function<model::CommLinkTable*()> linkTable;
    // Builds the link table again after a terminal block's setting; step
    // advances the busy box.
    std::function<void(const std::function<void()>& step)> rebuildCommTable;
    // Reads blocks and step codes again after a sequential control group's
    // setting and repaints the sequential control block view.
    std::function<void()> reloadSequence;
};

class AnaTanView final : public TanView, public AnaTanHost {
    Q_OBJECT
public:
    explicit AnaTanView(AnaTanServices services, QWidget* parent = nullptr);
    ~AnaTanView() override;

    AnaTanEditor& editor() { return *editor_; }
    // Dialogs answered elsewhere (tests); null restores the real ones.
    void setDialogs(AnaTanDialogs* dialogs) { dialogs_ = dialogs ? dialogs : qtDialogs_.get(); }

    // Zoom box: 25..200 %.
    void SetZoom(int percent);
    // "M Anatan Redraw": repaint with the monitored values.
    void Redraw();
    void ResetOrigin();

    bool AddCommentAtCenter() override;
    bool ConfirmOpenJumps() override;

    // Frame commands.
    bool canUndo() const;
    bool canRedo() const;
    bool canDelete() const;
    void undoEdit();
    void redoEdit();
    void deleteSelection();
    void selectAll();
    void alignLeft();
    void alignCenter();
    void alignRight();
    // The palette's drop, in the viewport's coordinates.
    bool dropBlock(const QPoint& point, const std::string& code, const std::string& name);
    bool IsPointOnCanvas(const QPoint& point) const;

    // Renders what the viewport shows (tests, printing of the visible area).
    void render(QPainter& painter, const QSize& size);
    const AnaTanDrawStyle& drawStyle() const { return style_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // AnaTanHost
    bool online() const override;
    void beep() override;
    void setModified() override;
    model::Prompt& prompt() override { return *services_.prompt; }
    model::CBlockUndo* undo() override { return services_.undo; }
    model::LayerUndo* layerUndo() override { return services_.layerUndo; }
    std::optional<int> selectGroup(const std::string& code5) override;
    std::optional<std::string> jumpLabel() override { return dialogs_->jumpLabel(); }
    std::optional<LineFormatChoice> lineFormat(const LineFormatChoice& current) override
    {
        return dialogs_->lineFormat(current);
    }
    model::CommentDialog& commentDialog() override { return dialogs_->commentDialog(); }
    bool runBlockSetting() override { return services_.blockSetting && services_.blockSetting(); }
    model::CommLinkTable* linkTable() override { return services_.linkTable ? services_.linkTable() : nullptr; }
    void rebuildCommTable() override;
    void reloadSequence() override
    {
        if (services_.reloadSequence) services_.reloadSequence();
    }
    int lineKind() const override;
    std::int32_t lineColour() const override;
    void setLineFormat(int kind, std::int32_t colour) override;

    void syncEditor();
    // A scroll bar's action, moved to where the view's scroll codes put it.
    void scrollAction(QScrollBar* bar, int action);
    std::optional<std::string> helpName() const;
    void after(bool repaint);
    void drawOverlays(QPainter& painter);

    AnaTanServices services_;
    std::unique_ptr<AnaTanEditor> editor_;
    std::unique_ptr<QtAnaTanDialogs> qtDialogs_;
    AnaTanDialogs* dialogs_ = nullptr;
    AnaTanDrawStyle style_;
    bool showValues_ = false;
};

}  // namespace kravin::wiring
