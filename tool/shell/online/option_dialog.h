// Operation/Option: port allocation, online destination, background colour, grid and
// the communication time-out. Thin over option_form.h.
#pragma once

#include "option_form.h"
#include "prompt.h"
#include "string_table.h"

#include <QDialog>

#include <array>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;

namespace kravin::shell {

class OptionDialog : public QDialog {
    Q_OBJECT
public:
    // The found ports join the remembered ones; settings change only on a successful OK.
    OptionDialog(model::UserSettings& settings, const model::CardKindMasters& masters,
                 const std::vector<FoundPort>& found, model::Prompt& prompt, res::Language language,
                 QWidget* parent = nullptr);

    QComboBox* portCombo(int row) const { return ports_[static_cast<std::size_t>(row)]; }
    QComboBox* deviceCombo(int row) const { return devices_[static_cast<std::size_t>(row)]; }
    QComboBox* speedCombo(int row) const { return speeds_[static_cast<std::size_t>(row)]; }
    QLineEdit* timeoutEdit() const { return timeout_; }
    QButtonGroup* onlineGroup() const { return online_; }
    QButtonGroup* gridGroup() const { return grid_; }
    OptionForm form() const;

    void accept() override;

private:
    void chooseColour();
    void showColour();

    model::UserSettings& settings_;
    model::Prompt& prompt_;
    std::array<QComboBox*, model::kPortRows> ports_{};
    std::array<QComboBox*, model::kPortRows> devices_{};
    std::array<QComboBox*, model::kPortRows> speeds_{};
    QButtonGroup* online_ = nullptr;
    QButtonGroup* grid_ = nullptr;
    QLineEdit* timeout_ = nullptr;
    QLabel* sample_ = nullptr;
    int colour_ = 0xFFFFFF;
    std::vector<model::PortListEntry> portList_;
    OptionForm stored_;
};

}  // namespace kravin::shell
