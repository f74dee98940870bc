#include "view_bar.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace kravin::shell {

ViewBar::ViewBar(int templateId, QWidget* parent) : QWidget(parent), templateId_(templateId)
{
    setObjectName(QStringLiteral("viewBar%1").arg(templateId));
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(10, 4, 10, 4);
    row_->setSpacing(6);
    row_->addStretch(1);
    right_ = new QHBoxLayout;
    right_->setSpacing(10);
    row_->addLayout(right_);
}

QPushButton* ViewBar::make(int id, const QString& caption, std::function<void()> action,
                           std::function<bool()> enabled)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("button%1").arg(id));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QPushButton::clicked, this, [this, id] { click(id); });
    entries_[id] = {b, std::move(action), std::move(enabled)};
    return b;
}

QPushButton* ViewBar::addButton(int id, const QString& caption, std::function<void()> action,
                                std::function<bool()> enabled)
{
    QPushButton* b = make(id, caption, std::move(action), std::move(enabled));
    // Before the stretch and the right group.
    row_->insertWidget(row_->count() - 2, b);
    return b;
}

QPushButton* ViewBar::addRightButton(int id, const QString& caption, std::function<void()> action,
                                     std::function<bool()> enabled)
{
    QPushButton* b = make(id, caption, std::move(action), std::move(enabled));
    right_->addWidget(b);
    return b;
}

QPushButton* ViewBar::addCloseButton(int id, const QString& caption, std::function<void()> action)
{
    return addRightButton(id, caption, std::move(action));
}

QPushButton* ViewBar::button(int id) const
{
    const auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.button;
}

bool ViewBar::click(int id)
{
    refresh();
    const auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.button->isEnabled() || it->second.button->isHidden()) return false;
    // The action may destroy the frame and this bar with it.
    const std::function<void()> action = it->second.action;
    if (action) action();
    return true;
}

void ViewBar::refresh()
{
    for (auto& [id, e] : entries_)
        if (e.enabled) e.button->setEnabled(e.enabled());
}

}  // namespace kravin::shell
