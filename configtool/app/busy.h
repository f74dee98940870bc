// Runs a serial operation in a worker thread while a modal busy dialog shows.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace qvcfg {

// The operation's result. The dialog cannot be closed by the user; it ends when the
// operation returns (every exchange has bounded waits).
int RunBusy(QWidget* parent, const QString& text, const std::function<int()>& operation);

}  // namespace qvcfg
