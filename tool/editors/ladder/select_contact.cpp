#include "select_contact.h"

#include "text_codec.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace kravin::ladder {

std::vector<ContactGroup> BuildContactGroups(model::UnitContext& unit)
{
    std::vector<ContactGroup> groups;
    const int savedGroup = unit.g_curGroup;
    std::array<char, model::kUnitHeadSize> head;
    if (unit.ReadUnitImage(head) != 0) return groups;
    for (int block = 1; block < model::kGroups; ++block) {
        if (unit.g_unitBlocks[static_cast<std::size_t>(block)][0] == 0) continue;
        unit.g_curGroup = block;
        if (unit.LoadBlockItemList() != 0 || unit.itemCount == 0) continue;
        std::string name;
        unit.GetBlockName(unit.model(), unit.version(), unit.blockId(block), name);
        char label[64];
        std::snprintf(label, sizeof label, "G%02d ", block);
        ContactGroup g{block, label + name, {}};
        for (int t = 0; t < model::kTerminals; ++t) {
            const model::TerminalDefinition& def = unit.terminalDefinitions[static_cast<std::size_t>(t)];
            if (def.type[0] != 'D') continue;
            std::string text(
                model::fieldView(unit.blockItemData.terminals[static_cast<std::size_t>(t)].data(), model::kTermBytes));
            if (text.empty()) text = std::string(model::fieldView(def.name));
            std::snprintf(label, sizeof label, "%02d ", t);
            g.contacts.push_back({t, label + text});
        }
        groups.push_back(std::move(g));
    }
    // The caller's group and its tables as they were.
    unit.g_curGroup = savedGroup;
    if (savedGroup >= 0 && savedGroup < model::kGroups && !unit.blockId(savedGroup).empty()) unit.LoadBlockItemList();
    return groups;
}

ContactChoice PreselectContact(const std::vector<ContactGroup>& groups, int block, int terminal)
{
    ContactChoice c;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g].block != block) continue;
        c.group = static_cast<int>(g);
        for (std::size_t k = 0; k < groups[g].contacts.size(); ++k)
            if (groups[g].contacts[k].terminal == terminal) c.contact = static_cast<int>(k);
        break;
    }
    return c;
}

SelectContactDialog::SelectContactDialog(std::vector<ContactGroup> groups, int block, int terminal, res::Language l,
                                         QWidget* parent)
    : QDialog(parent), data_(std::move(groups)), groups_(new QListWidget(this)), contacts_(new QListWidget(this))
{
    setObjectName(QStringLiteral("IDD_161"));
    setWindowTitle(QString::fromUtf8(l == res::Language::Japanese ? "接点選択" : "Select Contact"));
    groups_->setObjectName(QStringLiteral("1003"));
    contacts_->setObjectName(QStringLiteral("1004"));
    for (const ContactGroup& g : data_) groups_->addItem(model::cp932ToQString(g.label));
    const ContactChoice c = PreselectContact(data_, block, terminal);
    if (!data_.empty()) {
        groups_->setCurrentRow(c.group);
        fillContacts(c.group, c.contact);
    }
    connect(groups_, &QListWidget::currentRowChanged, this, [this](int row) { fillContacts(row, 0); });
    connect(contacts_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    auto* lists = new QHBoxLayout;
    lists->addWidget(groups_);
    lists->addWidget(contacts_);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8(l == res::Language::Japanese ? "キャンセル" : "Cancel"), this);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(buttons);
}

void SelectContactDialog::fillContacts(int group, int select)
{
    contacts_->clear();
    if (group < 0 || group >= static_cast<int>(data_.size())) return;
    for (const ContactEntry& e : data_[static_cast<std::size_t>(group)].contacts)
        contacts_->addItem(model::cp932ToQString(e.label));
    if (contacts_->count() > 0) contacts_->setCurrentRow(std::min(select, contacts_->count() - 1));
}

void SelectContactDialog::accept()
{
    const int g = groups_->currentRow();
    if (g >= 0 && g < static_cast<int>(data_.size())) {
        block_ = data_[static_cast<std::size_t>(g)].block;
        const int k = contacts_->currentRow();
        const auto& contacts = data_[static_cast<std::size_t>(g)].contacts;
        terminal_ =
            k >= 0 && k < static_cast<int>(contacts.size()) ? contacts[static_cast<std::size_t>(k)].terminal : 0;
    }
    QDialog::accept();
}

}  // namespace kravin::ladder
