// Captions of the shell's menus and views in English and Japanese.
#pragma once

#include "view_manager.h"

#include "string_table.h"

#include <QString>

namespace kravin::shell {

using UiLanguage = res::Language;

// The menu text of a command id (with its & mnemonic); empty for an unknown id.
QString commandText(int id, UiLanguage language);
// The menu titles: "File", "Edit", "View", "Operation", "Window", "Help".
QString menuTitle(int index, UiLanguage language);
// The window text of a view kind.
QString viewTitle(ViewKind kind, UiLanguage language);

}  // namespace kravin::shell
