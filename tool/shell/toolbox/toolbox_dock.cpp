#include "toolbox_dock.h"

#include <algorithm>

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>

namespace kravin::shell {

namespace {

constexpr int kTile = 46;
constexpr int kDragAlpha = 100;

// The picture a palette drags, w x h: a navy face in a black frame.
QImage dragBitmap(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(QColor(0, 0, 128));
    QPainter p(&image);
    p.setPen(Qt::black);
    p.drawRect(0, 0, w - 1, h - 1);
    return image;
}

QString categoryCaption(const PaletteCategory& c, res::Language language)
{
    if (c.bitmap > 0)
        if (const char* text = res::lookup(c.bitmap, language)) return QString::fromUtf8(text);
    return QString::fromStdString(c.caption);
}

}  // namespace

QMimeData* paletteMime(const PaletteItem& item)
{
    auto* mime = new QMimeData;
    // The name may hold line breaks: it goes last.
    mime->setData(QString::fromLatin1(kPaletteMime),
                  QByteArray::fromStdString(item.code + "\n" + std::to_string(item.id) + "\n" + item.name));
    return mime;
}

bool readPaletteMime(const QMimeData* mime, PaletteItem& item)
{
    if (!mime || !mime->hasFormat(QString::fromLatin1(kPaletteMime))) return false;
    const QByteArray data = mime->data(QString::fromLatin1(kPaletteMime));
    const int first = data.indexOf('\n');
    const int second = first < 0 ? -1 : data.indexOf('\n', first + 1);
    if (second < 0) return false;
    bool ok = false;
    const int id = data.mid(first + 1, second - first - 1).toInt(&ok);
    if (!ok) return false;
    item.code = data.left(first).toStdString();
    item.id = id;
    item.name = data.mid(second + 1).toStdString();
    return true;
}

QIcon paletteTile(const PaletteItem& item)
{
    QPixmap pm(kTile, kTile);
    pm.fill(QColor(0, 255, 0));
    QPainter p(&pm);
    QFont f = p.font();
    int size = 15;
    const QString name = QString::fromStdString(ModuleDisplayName(item.name));
    f.setPixelSize(size);
    // The widest line decides; the font stops shrinking at 6 pixels.
    const auto widest = [&name](const QFont& font) {
        int w = 0;
        for (const QString& line : name.split(QLatin1Char('\n'))) w = std::max(w, QFontMetrics(font).horizontalAdvance(line));
        return w;
    };
    while (size > 6 && widest(f) >= 45) f.setPixelSize(--size);
    p.setFont(f);
    p.setPen(Qt::black);
    if (item.code.empty()) {
        p.drawText(QRect(0, 0, kTile, kTile), Qt::AlignCenter, name);
    } else {
        p.drawText(QRect(0, 5, kTile, 18), Qt::AlignCenter, name);
        p.drawText(QRect(0, 23, kTile, 18), Qt::AlignCenter, QString::fromStdString(item.code));
    }
    return QIcon(pm);
}

ToolBoxList::ToolBoxList(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("toolboxList"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(kTile, kTile));
    setGridSize(QSize(54, 54));
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

PaletteDragPicture paletteDragPicture(const PaletteDropTarget* target, const QPixmap& tile)
{
    const int w = target ? target->dragImageWidth() : 0, h = target ? target->dragImageHeight() : 0;
    if (w <= 0 || h <= 0) return {tile, QPoint(tile.width() / 2, tile.height() / 2)};
    QImage image = dragBitmap(w, h);
    // White shows through; every other pixel is kept at alpha 100 of 255.
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = (line[x] & 0xffffffu) == 0xffffffu ? qRgba(0, 0, 0, 0)
                                                          : qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), kDragAlpha);
    }
    return {QPixmap::fromImage(image), QPoint(target->dragHotSpotX(), target->dragHotSpotY())};
}

void ToolBoxList::startDrag(Qt::DropActions)
{
    const int row = currentRow();
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    // While online the palettes refuse to start a drag.
    if (target && !target->dragAllowed()) {
        setCursor(Qt::ForbiddenCursor);
        return;
    }
    unsetCursor();
    auto* drag = new QDrag(this);
    drag->setMimeData(paletteMime(items[static_cast<std::size_t>(row)]));
    const PaletteDragPicture picture = paletteDragPicture(target, item(row)->icon().pixmap(kTile, kTile));
    drag->setPixmap(picture.image);
    drag->setHotSpot(picture.hotSpot);
    drag->exec(Qt::CopyAction);
}

// The toolbox is a resizable bar whose docked size stays when it floats.
ToolBoxDock::ToolBoxDock(const QString& title, QWidget* parent)
    : ResizableDialogBar(nullptr, title, 0, false, parent)
{
    setObjectName(QStringLiteral("toolbox"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* body = new QWidget(this);
    layout_ = new QVBoxLayout(body);
    layout_->setContentsMargins(3, 0, 3, 0);
    layout_->setSpacing(2);
    list_ = new ToolBoxList(body);
    list_->setFixedWidth(128);
    setContent(body);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* tile) {
        const int row = tile ? list_->row(tile) : -1;
        if (!onItemHelp) return;
        onItemHelp(row >= 0 && row < static_cast<int>(list_->items.size()) ? &list_->items[static_cast<std::size_t>(row)]
                                                                          : nullptr);
    });
}

CategoryButton::CategoryButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void CategoryButton::setOpen(bool open)
{
    if (open_ == open) return;
    open_ = open;
    update();
}

void CategoryButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton face;
    face.initFrom(this);
    face.rect = rect();
    if (isDown()) face.state |= QStyle::State_Sunken;
    else face.state |= QStyle::State_Raised;
    p.drawControl(QStyle::CE_PushButtonBevel, face);
    const int shift = isDown() ? 1 : 0;
    // The caption left of the arrow, made smaller until it fits.
    const QRect text = rect().adjusted(4 + shift, shift, -24 + shift, shift);
    QFont f = font();
    int size = 13;
    f.setPixelSize(size);
    while (size > 7 && QFontMetrics(f).horizontalAdvance(this->text()) > text.width()) f.setPixelSize(--size);
    p.setFont(f);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, this->text());
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = QRect(width() - 22 + shift, height() / 2 - 8 + shift, 16, 16);
    p.drawPrimitive(open_ ? QStyle::PE_IndicatorArrowDown : QStyle::PE_IndicatorArrowRight, arrow);
}

CategoryButton* ToolBoxDock::categoryButton(int index) const
{
    return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[static_cast<std::size_t>(index)]
                                                                    : nullptr;
}

void ToolBoxDock::setLanguage(res::Language language)
{
    language_ = language;
    for (std::size_t i = 0; i < buttons_.size() && i < categories_.size(); ++i)
        buttons_[i]->setText(categoryCaption(categories_[i], language_));
}

void ToolBoxDock::setCategories(std::vector<PaletteCategory> categories, int open)
{
    categories_ = std::move(categories);
    for (CategoryButton* b : buttons_) b->deleteLater();
    buttons_.clear();
    for (std::size_t i = 0; i < categories_.size(); ++i) {
        auto* b = new CategoryButton(widget());
        b->setObjectName(QStringLiteral("category%1").arg(3001 + static_cast<int>(i)));
        b->setText(categoryCaption(categories_[i], language_));
        b->setFixedSize(128, 30);
        connect(b, &QAbstractButton::clicked, this, [this, i] { openCategory(static_cast<int>(i)); });
        buttons_.push_back(b);
    }
    openCategory(std::clamp(open, 0, std::max(0, static_cast<int>(categories_.size()) - 1)));
}

void ToolBoxDock::openCategory(int index)
{
    open_ = index;
    while (layout_->count() > 0) delete layout_->takeAt(0);  // the layout items, not their widgets
    // Buttons down to the open one, the list, the rest packed at the bottom.
    for (int i = 0; i <= index && i < static_cast<int>(buttons_.size()); ++i)
        layout_->addWidget(buttons_[static_cast<std::size_t>(i)]);
    layout_->addWidget(list_, 1);
    for (int i = index + 1; i < static_cast<int>(buttons_.size()); ++i)
        layout_->addWidget(buttons_[static_cast<std::size_t>(i)]);
    for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setOpen(static_cast<int>(i) == index);
    fill();
}

void ToolBoxDock::fill()
{
    list_->clear();
    list_->items.clear();
    if (open_ < 0 || open_ >= static_cast<int>(categories_.size())) return;
    for (const PaletteItem& item : categories_[static_cast<std::size_t>(open_)].items) {
        auto* row = new QListWidgetItem(paletteTile(item), QString(), list_);
        row->setToolTip(QString::fromStdString(ModuleDisplayName(item.name) + " " + item.code));
        list_->items.push_back(item);
    }
}

PaletteDropFilter::PaletteDropFilter(QWidget* widget, PaletteDropTarget* target) : QObject(widget), target_(target)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool PaletteDropFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        // A drag enters at the view's edge, mostly over no target: it is taken
        // on whenever the view could take the item, else Qt sends no moves.
        auto* e = static_cast<QDragEnterEvent*>(event);
        PaletteItem item;
        if (readPaletteMime(e->mimeData(), item) && target_->takes(item)) e->acceptProposedAction();
        else e->ignore();
        return true;
    }
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        PaletteItem item;
        const QPoint p = e->position().toPoint();
        if (readPaletteMime(e->mimeData(), item) && target_->takes(item) && target_->accepts(p.x(), p.y(), item)) {
            e->acceptProposedAction();
        } else {
            target_->dragLeave();
            e->ignore();
        }
        return true;
    }
    case QEvent::DragLeave: target_->dragLeave(); return true;
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        PaletteItem item;
        const QPoint p = e->position().toPoint();
        const bool taken = readPaletteMime(e->mimeData(), item) && target_->takes(item) &&
                           target_->accepts(p.x(), p.y(), item);
        target_->dragLeave();
        if (taken) {
            e->acceptProposedAction();
            target_->drop(p.x(), p.y(), item);
        }
        return true;
    }
    default: return QObject::eventFilter(watched, event);
    }
}

}  // namespace kravin::shell
