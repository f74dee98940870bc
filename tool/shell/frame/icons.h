// Toolbar and window icons, drawn with QPainter at 16 x 16 (and 32 x 32).
#pragma once

#include <QIcon>

namespace kravin::shell {

// The toolbar icon of a command id; a null icon for ids without one.
QIcon commandIcon(int id);

enum class OnlineImage { OnA, OnB, Off };
QIcon onlineIcon(OnlineImage image);

QIcon applicationIcon();

}  // namespace kravin::shell
