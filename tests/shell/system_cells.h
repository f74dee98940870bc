// A slot of the system configuration view as the user finds it on screen; a
// double click on an empty one places the device the Model Selection dialog gives.
#pragma once

#include "system_view.h"
#include "system_view_logic.h"

#include <QPoint>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

namespace kravin::test {

inline QPoint systemCellCentre(editors::SystemView& view, int station, int card)
{
    const editors::IntRect r = editors::cellRect({station, card}, view.zoom());
    const QPoint s = view.scrollPosition();
    return {r.x + r.width / 2 - s.x(), r.y + r.height / 2 - s.y()};
}

// Scrolled into sight first, as the user would.
inline void doubleClickSystemCell(editors::SystemView& view, int station, int card)
{
    const QPoint at = systemCellCentre(view, station, card);
    if (!view.viewport()->rect().contains(at)) {
        const editors::IntRect r = editors::cellRect({station, card}, view.zoom());
        view.verticalScrollBar()->setValue(r.y);
        view.horizontalScrollBar()->setValue(std::max(0, r.x + r.width - view.viewport()->width()));
    }
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, systemCellCentre(view, station, card));
}

}  // namespace kravin::test
