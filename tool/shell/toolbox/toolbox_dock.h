// The toolbox of an editing view: a dock with one button per category and
// the open category's items as tiles. A tile dragged onto the view is
// dropped through the view's PaletteDropTarget.
#pragma once

#include "palette_codes.h"
#include "palette_drop.h"

#include "bars/resizable_dialog_bar.h"
#include "string_table.h"

#include <QDockWidget>
#include <QAbstractButton>
#include <QListWidget>
#include <QPixmap>
#include <QPoint>

#include <functional>
#include <vector>

class QMimeData;
class QVBoxLayout;

namespace kravin::shell {

// The header button of a category: its caption with an arrow at the right,
// down while the category is open, right while it is closed.
class CategoryButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CategoryButton(QWidget* parent = nullptr);
    bool isOpen() const { return open_; }
    void setOpen(bool open);
    QSize sizeHint() const override { return {128, 30}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool open_ = false;
};

// MIME type of a dragged palette item: "name\ncode\nid" in UTF-8 (the name may hold line breaks).
inline constexpr const char* kPaletteMime = "application/x-kravin-palette-item";
QMimeData* paletteMime(const PaletteItem& item);
bool readPaletteMime(const QMimeData* mime, PaletteItem& item);
// What a drag shows and the point of it held under the pointer.
struct PaletteDragPicture {
    QPixmap image;
    QPoint hotSpot;
};
// The drag bitmap half transparent at the target's size and hot spot; the
// tile itself, held at its centre, for a target that gives no size.
PaletteDragPicture paletteDragPicture(const PaletteDropTarget* target, const QPixmap& tile);

// The tile list: icon mode, drags start only while the target allows them.
class ToolBoxList : public QListWidget {
    Q_OBJECT
public:
    explicit ToolBoxList(QWidget* parent = nullptr);
    const PaletteDropTarget* target = nullptr;
    std::vector<PaletteItem> items;

protected:
    void startDrag(Qt::DropActions actions) override;
};

class ToolBoxDock : public ResizableDialogBar {
    Q_OBJECT
public:
    ToolBoxDock(const QString& title, QWidget* parent = nullptr);

    void setCategories(std::vector<PaletteCategory> categories, int open = 0);
    void setTarget(PaletteDropTarget* target) { list_->target = target; }
    int openCategory() const { return open_; }
    void openCategory(int index);
    const std::vector<PaletteCategory>& categories() const { return categories_; }
    ToolBoxList* list() const { return list_; }
    CategoryButton* categoryButton(int index) const;
    // The language of the category captions.
    void setLanguage(res::Language language);
    // A double click on a tile (its help); the item, or nothing off the tiles.
    std::function<void(const PaletteItem*)> onItemHelp;

private:
    void fill();

    std::vector<PaletteCategory> categories_;
    std::vector<CategoryButton*> buttons_;
    res::Language language_ = res::Language::English;
    QVBoxLayout* layout_;
    ToolBoxList* list_;
    int open_ = 0;
};

// Takes drops of palette items on a widget and hands them to the target.
class PaletteDropFilter : public QObject {
    Q_OBJECT
public:
    PaletteDropFilter(QWidget* widget, PaletteDropTarget* target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PaletteDropTarget* target_;
};

// The tile picture of an item: its name above its code on green.
QIcon paletteTile(const PaletteItem& item);

}  // namespace kravin::shell
