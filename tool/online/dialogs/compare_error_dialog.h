// "Compare Error" (192): the card, group and item of a difference with the device's and
// the project's value; Skip (1) or Abort (2).
#pragma once

#include "string_table.h"
#include "transfer_core.h"

#include <QDialog>

class QLineEdit;

namespace kravin::online {

class CompareErrorDialog : public QDialog {
    Q_OBJECT
public:
    CompareErrorDialog(const CompareDifference& difference, res::Language language, QWidget* parent = nullptr);
    // 0 card, 1 group, 2 item, 3 device data, 4 project data.
    QLineEdit* field(int i) const { return fields_[i]; }

private:
    QLineEdit* fields_[5] = {};
};

}  // namespace kravin::online
