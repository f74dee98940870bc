// The HT-9 simulation view: the unit's face with its two-line display and keys. Key
// presses (buttons or keyboard) go to the unit's logic; its requests run one at a time on
// a worker thread with a time-out, pauses on a timer, so the window never blocks.
#pragma once

#include "ht9_exchanger.h"
#include "ht9_unit.h"
#include "job_queue.h"
#include "string_table.h"

#include <QWidget>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QThread;
class QTimer;

namespace kravin::online::ht9 {

struct Ht9ViewContext {
    Ht9Mode mode = Ht9Mode::Serial;
    int portKind = 0;          // "HT9_BAU"
    std::string portName;      // serial: the chosen row's port; empty: none
    Ht9Target target;
    SerialLink* serial = nullptr;  // the tool's link; outlives the view
    BusApi bus;
    // How long a request may take before it counts as failed.
    std::chrono::milliseconds requestBound{12000};
    res::Language language = res::Language::English;
    // Before kinds 2 and 6 are used: the programming-unit ID is there (asked when it is
    // not 4 characters); false keeps the old kind.
    std::function<bool(int kind)> prepareKind;
    // The kind was changed ("HT9_BAU").
    std::function<void(int kind)> kindChosen;
    std::function<void(int id, const std::vector<std::string>& args)> message;
    // The serial port was opened or closed.
    std::function<void(bool open)> portOpenChanged;
    // END: the frame goes.
    std::function<void()> endPressed;
    // The view is gone and its link closed.
    std::function<void()> closed;
};

class Ht9View : public QWidget {
    Q_OBJECT
public:
    explicit Ht9View(Ht9ViewContext context, QWidget* parent = nullptr);
    ~Ht9View() override;

    const Ht9Unit& unit() const { return unit_; }
    // The button of a key (null for none).
    QAbstractButton* button(int id) const;
    // A command sent to the view's frame: a key id (READ from the network download).
    Q_INVOKABLE bool runCommand(int id);
    // A key as its button gives it.
    void press(int id);
    // An exchange is running.
    bool busy() const { return unit_.busy(); }
    bool portOpen() const;
    // Draws the face into an image (tests).
    QImage render();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The character a key types on the unit (0 for none): the keypad as it is, letters
    // as the layout names them, other keys as a JIS keyboard types them.
    static char typedChar(const QKeyEvent& event, bool shiftHeld);
    void makeButtons();
    QAbstractButton* addKey(int id, const QString& caption, const QRect& rect, bool checkable = false);
    void run(std::optional<Ht9Request> request);
    void performed(int sequence, const Ht9Reply& reply);
    void timedOut();
    void settle();
    void refreshKeys();
    void openPort();
    void closePort();
    void changeKind(int kind);
    void paintFace(QPainter& p);

    Ht9ViewContext context_;
    Ht9Unit unit_;
    std::shared_ptr<Ht9Exchanger> exchanger_;
    // Requests to the worker and replies back, handed over under a lock.
    std::shared_ptr<JobQueue> toWorker_, toView_;
    QThread* thread_ = nullptr;
    QObject* worker_ = nullptr;  // lives in thread_
    QTimer* timeout_ = nullptr;
    int sequence_ = 0;
    bool waiting_ = false;
    bool opened_ = false;
    bool shiftPressed_ = false;
    std::map<int, QAbstractButton*> keys_;
};

}  // namespace kravin::online::ht9
