// Select Connection Device: which of the allocated ports, by its connected device, to use.
#pragma once

#include "settings.h"
#include "string_table.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QPushButton;

namespace kravin::online {

class ConnectDeviceDialog : public QDialog {
    Q_OBJECT
public:
    // Offers the rows (0..5) of the allocation that name a port; rows empty: every row
    // with a port.
    ConnectDeviceDialog(const model::UserSettings& settings, const std::vector<int>& rows, res::Language language,
                        QWidget* parent = nullptr);
    QComboBox* combo() const { return combo_; }
    QPushButton* okButton() const { return ok_; }
    // The chosen row after OK, -1 otherwise.
    int row() const { return row_; }
    void accept() override;

private:
    QComboBox* combo_;
    QPushButton* ok_;
    int row_ = -1;
};

}  // namespace kravin::online
