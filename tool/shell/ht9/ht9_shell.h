// The HT-9 simulation in the running tool: the connection chosen before the view opens
// (serial: the connection device row; bus: the current unit), the link taken for it and
// given back when it closes, and "Network HT-9" (40419).
#pragma once

#include "online_services.h"

#include "ht9_view.h"

#include <memory>
#include <string>

class QWidget;

namespace kravin::shell {

class OnlineShell;

namespace ht9cmd {
constexpr int NetworkHt9 = 40419;
}

class Ht9Shell {
public:
    Ht9Shell(const OnlineServices& services, OnlineShell& online);
    ~Ht9Shell();

    // Before the view is made: the connection is chosen and the link taken; false = none.
    bool prepare();
    // The view over the prepared connection.
    QWidget* makeView();
    // "Network HT-9": the view in bus mode, or the open one brought to the top.
    void openNetwork();
    // The open view, or null.
    online::ht9::Ht9View* view() const;

private:
    // Serial: the port the view opens on and its device kind, kept as the HT-9's own;
    // false = none.
    bool choosePort();

    OnlineServices s_;
    OnlineShell& online_;
    bool network_ = false;  // the next opening is the network one
    online::ht9::Ht9Mode mode_ = online::ht9::Ht9Mode::Serial;
    std::string port_;
    online::ht9::Ht9Target target_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kravin::shell
