// Drawing of the comment and figure layers on any paint device (view, print
// page, image). Kept apart from the layer models so the model stays QtCore only.
#pragma once

#include <Qt>

class QPainter;

namespace kravin::model {

class CCommentMap;
class CFigureMap;

// Modes 1, 4 and 5 also draw the outline of a drag or resize in progress.
// Cells become pixels as cell * scale - offset.
void DrawComments(QPainter& painter, const CCommentMap& layer, int mode, double scale, int offsetX, int offsetY);
void DrawFigures(QPainter& painter, const CFigureMap& layer, int mode, double scale, int offsetX, int offsetY);

// The mouse cursor over resize handle 1..8.
Qt::CursorShape ResizeCursor(int handle);

}  // namespace kravin::model
