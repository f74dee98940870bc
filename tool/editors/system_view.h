// The system configuration view: 64 stations by the station column and 16 card
// columns, painted from the configuration tables, with selection, double-click
// actions, the context menu and zoom.
#pragma once

#include "font_faces.h"
#include "string_table.h"
#include "system_view_logic.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>
#include <unordered_map>

class QMimeData;
class QPainter;

namespace kravin::editors {

class BusyDialog;

// Colours and fonts of the view (the shared drawing set feeds these).
struct SystemViewStyle {
    QColor background{255, 255, 255};
    QColor text{0, 0, 0};
    QColor occupied{192, 192, 192};
    QColor empty{255, 255, 255};
    QColor selected{0, 255, 0};
    QColor raisedLight{255, 255, 255};
    QColor raisedDark{127, 127, 127};
    QColor sunkenLight{192, 192, 192};
    QColor sunkenDark{127, 127, 127};
    QString fontFamily = res::latinFontFamily();
    int cellFontHeight = 15;  // unzoomed pixels
    int minFontHeight = 6;
    int labelFontHeight = 12;
};

// Paints the configuration; keeps the fitted fonts and converted texts between paints.
class SystemPainter {
public:
    struct Input {
        const model::CardKindMasters* masters = nullptr;
        const model::SystemConfigTables* tables = nullptr;
        Cell selected;
        double zoom = 1.0;
        const DisplayNameTable* displayNames = nullptr;
    };

    explicit SystemPainter(SystemViewStyle style = {}) : style_(std::move(style)) {}
    const SystemViewStyle& style() const { return style_; }
    void setStyle(SystemViewStyle style);

    // Paints the cells and labels that meet exposed (zoomed content pixels; the
    // painter's origin is the content origin). fill paints the background first.
    void paint(QPainter& painter, const Input& in, const QRect& exposed, bool fill);

private:
    // The two lines of a cell laid out once per zoom.
    struct Prepared {
        int fontHeight = 0;
        QStaticText name, version;
        int nameWidth = 0, versionWidth = 0;
    };
    const Prepared& prepared(const CellText& text, double zoom);
    QFont cellFont(int pixelHeight) const;
    int fittedHeight(const QString& text, double zoom);

    SystemViewStyle style_;
    std::unordered_map<std::string, Prepared> prepared_;
    QHash<QString, int> fitted_;
    double preparedZoom_ = 0;
};

// What the view reads from and hands to the rest of the tool.
struct SystemViewContext {
    const model::CardKindMasters* masters = nullptr;
    model::SystemConfigTables* tables = nullptr;
    UnitSelection* selection = nullptr;
    // The view slot's state; the view keeps one of its own when none is given.
    std::atomic<int>* slotState = nullptr;
    std::function<bool()> online;
    std::function<bool()> registryMonitorActive;
    std::function<bool()> workRecordHasCard;
    std::function<bool()> canUndo;
    std::function<bool()> canRedo;
    // The communication terminal view is open, its table is rebuilt under the
    // busy box, and the view is repainted.
    std::function<bool()> commViewOpen;
    std::function<void(BusyDialog&)> buildCommTable;
    std::function<void()> invalidateCommView;
    // Whether a command of the menus has its work built; entries without it are disabled.
    std::function<bool(int)> commandBuilt;
    DisplayNameTable displayNames;
    res::Language language = res::Language::English;
    SystemViewStyle style;
};

// The system formats present in clipboard data.
unsigned systemClipboardFormats(const QMimeData* data);

class SystemView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit SystemView(SystemViewContext context, QWidget* parent = nullptr);
    ~SystemView() override;

    // Zoom as a percentage (10..1000; other values count as 100).
    void SetZoom(int percent);
    int zoomPercent() const { return zoomPercent_; }
    double zoom() const { return zoom_; }
    int ToZoomed(int value) const { return toZoomed(value, zoom_); }
    IntPoint FromZoomed(IntPoint point) const { return fromZoomed(point, zoom_); }

    // Palette operations; points in viewport coordinates.
    bool HitTestCell(const QPoint& point, int& station, int& card);
    Cell HitTestHighlight(const QPoint& point, const QColor& colour);
    bool IsLeftOfCardArea(const QPoint& point) const;
    bool IsInCardArea(const QPoint& point) const;

    // Rebuilds the communication display data when that view is open.
    void RebuildDisplayData();

    // Asks for a repaint by the slot protocol (fill: with background).
    void requestRedraw(bool fill = false);
    // Command 40600: the whole view is repainted.
    void systemRedraw();

    // The context menu's commands for a viewport point; selects the hit cell.
    std::vector<int> prepareContextMenu(const QPoint& point);
    // The same commands without the separators, each with its enabled state.
    std::vector<std::pair<int, bool>> contextMenuEntries(const QPoint& point);
    bool commandBuilt(int command) const { return !ctx_.commandBuilt || ctx_.commandBuilt(command); }
    // Update rule of an Edit command for the current unit.
    bool isEditEnabled(int command) const;
    // Clears the remembered selection (the opener does it before the view opens).
    void resetSelection() { clicks_.reset(); }

    int slotState() const { return slot_->load(); }
    Cell cellAt(const QPoint& point) const;
    QPoint scrollPosition() const;

Q_SIGNALS:
    // A command of the context menu or a double-click ("Change device").
    void commandRequested(int command);
    // A double-click on a card that has a block list.
    void openBlockListRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    bool isOnline() const { return ctx_.online && ctx_.online(); }
    void updateScrollBars();
    unsigned clipboardFormats() const;

    SystemViewContext ctx_;
    std::atomic<int> ownSlot_{SlotOpen};
    std::atomic<int>* slot_;
    double zoom_ = 1.0;
    int zoomPercent_ = 100;
    ClickTracker clicks_;
    SystemPainter painter_;
    struct Highlight {
        Cell cell;
        QColor colour;
    };
    std::optional<Highlight> highlight_;
};

}  // namespace kravin::editors
