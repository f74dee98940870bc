// Drives the modal dialogs and popup menus a command opens: each step waits
// (polling every 10 ms) for the modal widget of its object name (or, for
// kPopup, the open popup menu), then acts on it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <type_traits>

namespace kravin::test {

// Answers the next modal dialog of type D on the GUI thread with act.
template <class D = QDialog>
void answerNextDialog(std::type_identity_t<std::function<void(D*)>> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d) return;
        timer->stop();
        timer->deleteLater();
        act(d);
    });
    timer->start();
}

// Types text into the next modal dialog's line edit and presses OK.
inline void answerDialog(const QString& text)
{
    QTimer::singleShot(0, [text] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        auto* edit = w->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setText(text);
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("IDOK"));
        ASSERT_NE(ok, nullptr);
        ok->click();
    });
}

class ModalScript {
public:
    static constexpr const char* kPopup = "<popup>";

    ModalScript()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    ~ModalScript() { timer_.stop(); }

    void then(std::string name, std::function<void(QWidget*)> act) { steps_.push_back({std::move(name), std::move(act)}); }
    bool done() const { return steps_.empty(); }
    std::string pending() const { return steps_.empty() ? std::string() : steps_.front().name; }

private:
    struct Step {
        std::string name;
        std::function<void(QWidget*)> act;
    };
    void poll()
    {
        if (steps_.empty()) return;
        const bool popup = steps_.front().name == kPopup;
        QWidget* w = popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        if (!w || (!popup && w->objectName().toStdString() != steps_.front().name)) return;
        auto act = std::move(steps_.front().act);
        steps_.pop_front();
        // Acted on from a timer of its own, so the polls go on while a step waits in a dialog.
        QTimer::singleShot(0, w, [act = std::move(act), w] { act(w); });
    }

    QTimer timer_;
    std::deque<Step> steps_;
};

}  // namespace kravin::test
