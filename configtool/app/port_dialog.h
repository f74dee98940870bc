// The "Port setting" dialog: one drop-down list of the serial ports; OK stores the
// chosen device path in the command object.
#pragma once

#include "port_list.h"

#include <QDialog>

class QComboBox;
class QSettings;

namespace qvcfg {

class QVCom;

class CComDlg : public QDialog {
    Q_OBJECT
public:
    CComDlg(QVCom* com, const QSettings& settings, QWidget* parent = nullptr);

    void accept() override;
    const std::vector<PortEntry>& Ports() const { return ports_; }

private:
    void FillPortList(const QSettings& settings);

    QVCom* com_;
    QComboBox* list_;
    std::vector<PortEntry> ports_;
};

}  // namespace qvcfg
