// Parts the editors' dialogs have in common: the width a title needs and the
// colour swatch.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace kravin::editors {

// The width a window needs so that the title bar shows its title whole (the
// icon and the buttons of the title bar included).
int titleBarWidth(const QString& title);

// A swatch that paints its whole area in one colour.
class ColorSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);
    QColor colour() const { return colour_; }
    void setColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_{255, 255, 255};
};

}  // namespace kravin::editors
