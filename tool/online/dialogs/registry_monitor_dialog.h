// "Registry Monitor": up to 100 items of one unit and their live values. Modeless, made
// hidden at start-up and shown by View/Registry Monitor; thin over registry_rows.h.
#pragma once

#include "online_commands.h"
#include "registry_rows.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace kravin::online {

// What the dialog needs of the shell.
class RegistryMonitorHost {
public:
    virtual ~RegistryMonitorHost() = default;
    virtual OnlineState& state() = 0;
    virtual bool projectOpen() const = 0;
    // Loads the target unit's blocks and resolves the rows' terminals.
    virtual void applyMonitorTarget() = 0;
    // The project's unit at station and card (-1 the station itself).
    virtual MonitorSubject unitAt(int station, int card) const = 0;
    // The current unit (card -1 the station itself, station -1 none).
    virtual MonitorSubject currentUnit() const = 0;
    virtual bool analogOrLadderActive() const = 0;
    // The shell's monitor start for the target unit; true when monitoring.
    virtual bool startMonitor(const MonitorSubject& target) = 0;
    virtual void stopMonitor() = 0;
    // The dialog was shown or closed.
    virtual void shownChanged(bool shown) = 0;
    virtual void beep() = 0;
};

class RegistryMonitorDialog : public QDialog {
    Q_OBJECT
public:
    RegistryMonitorDialog(RegistryMonitorHost& host, res::Language language, QWidget* parent = nullptr);
    ~RegistryMonitorDialog() override;

    // View/Registry Monitor.
    void showMonitor();
    // 1098: start or stop monitoring.
    void startStop();
    // "M Mon Redraw": the 20 rows again from the monitor's values.
    void showRows();
    // "M Online Stop" while monitoring: back to edit mode.
    void monitorEnded();
    bool monitoring() const;
    int topRow() const { return top_; }
    void scroll(ScrollAction action, int thumb = 0);

    QLineEdit* ggnnEdit(int i) const { return ggnn_[static_cast<std::size_t>(i)]; }
    QLineEdit* ggiiEdit(int i) const { return ggii_[static_cast<std::size_t>(i)]; }
    QLabel* dataLabel(int i) const { return data_[static_cast<std::size_t>(i)]; }
    QLabel* rowLabel(int i) const { return labels_[static_cast<std::size_t>(i)]; }
    QCheckBox* onBox(int i) const { return on_[static_cast<std::size_t>(i)]; }
    QComboBox* stationCombo() const { return station_; }
    QComboBox* cardCombo() const { return card_; }
    QPushButton* startStopButton() const { return startStop_; }
    QPushButton* endButton() const { return end_; }
    QLabel* statusLabel() const { return status_; }
    QScrollBar* scrollBar() const { return scrollBar_; }

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateModeControls();
    void filter(QLineEdit* edit, const QString& text);
    void commit(QLineEdit* edit);
    void toggle(int i);
    void setAll(bool on);
    void targetChanged();
    void closeMonitor(bool stop);
    int editRow(const QLineEdit* edit, RowField* field) const;

    RegistryMonitorHost& host_;
    res::Language language_;
    int top_ = 0;
    QString remembered_;
    std::array<QLabel*, kRegistryVisibleRows> labels_{};
    std::array<QLineEdit*, kRegistryVisibleRows> ggnn_{};
    std::array<QLineEdit*, kRegistryVisibleRows> ggii_{};
    std::array<QLabel*, kRegistryVisibleRows> data_{};
    std::array<QCheckBox*, kRegistryVisibleRows> on_{};
    QComboBox* station_ = nullptr;
    QComboBox* card_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* startStop_ = nullptr;
    QPushButton* setAllOn_ = nullptr;
    QPushButton* setAllOff_ = nullptr;
    QPushButton* end_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    bool filling_ = false;
};

}  // namespace kravin::online
