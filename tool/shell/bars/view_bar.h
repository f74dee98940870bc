// The button bar across the top of a view's frame: buttons that move between
// the editors of the current unit, and a group kept at the right edge that
// ends with Close. Each button has its action and, optionally, the rule that
// enables it.
#pragma once

#include <QWidget>

#include <functional>
#include <map>

class QHBoxLayout;
class QPushButton;

namespace kravin::shell {

class ViewBar : public QWidget {
    Q_OBJECT
public:
    explicit ViewBar(int templateId, QWidget* parent = nullptr);

    int templateId() const { return templateId_; }
    // A button in the row from the left; the rule runs at every refresh.
    QPushButton* addButton(int id, const QString& caption, std::function<void()> action,
                           std::function<bool()> enabled = {});
    // A button of the group at the right edge, 10 pixels apart, right of
    // those added before.
    QPushButton* addRightButton(int id, const QString& caption, std::function<void()> action,
                                std::function<bool()> enabled = {});
    // The last button of the right group, at the right edge.
    QPushButton* addCloseButton(int id, const QString& caption, std::function<void()> action);
    QPushButton* button(int id) const;
    // Runs a button's action as a click would (only when it is enabled and shown).
    bool click(int id);

public Q_SLOTS:
    // Enables each button by its rule.
    void refresh();

private:
    struct Entry {
        QPushButton* button = nullptr;
        std::function<void()> action;
        std::function<bool()> enabled;
    };
    QPushButton* make(int id, const QString& caption, std::function<void()> action, std::function<bool()> enabled);

    int templateId_;
    QHBoxLayout* row_ = nullptr;
    QHBoxLayout* right_ = nullptr;
    std::map<int, Entry> entries_;
};

}  // namespace kravin::shell
