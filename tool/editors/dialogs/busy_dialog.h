// The busy box shown while the communication connection display data is rebuilt.
#pragma once

#include "string_table.h"

#include <QDialog>

class QProgressBar;

namespace kravin::editors {

class BusyDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kId = 157;
    static constexpr int kSteps = 33;

    BusyDialog(QWidget* parent, res::Language language);
    // Advances the bar by one step (every second station and once at the end).
    void step();
    int value() const;

private:
    QProgressBar* bar_;
};

}  // namespace kravin::editors
