// Select Contact: the current unit's blocks with their digital terminals, for
// picking the contact of a ladder element.
#pragma once

#include "current_unit.h"
#include "string_table.h"

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;

namespace kravin::ladder {

struct ContactEntry {
    int terminal = 0;
    std::string label;  // "%02d name", CP932
};

struct ContactGroup {
    int block = 0;
    std::string label;  // "G%02d name", CP932
    std::vector<ContactEntry> contacts;
};

// Blocks 1..99 of the current unit whose definition has items, each with its
// terminals of a type beginning with "D". The current group is left as it was.
std::vector<ContactGroup> BuildContactGroups(model::UnitContext& unit);

struct ContactChoice {
    int group = 0;    // index into the groups
    int contact = 0;  // index into the group's contacts
};
// The group of block and in it the contact of terminal; 0 where none matches.
ContactChoice PreselectContact(const std::vector<ContactGroup>& groups, int block, int terminal);

class SelectContactDialog : public QDialog {
    Q_OBJECT
public:
    SelectContactDialog(std::vector<ContactGroup> groups, int block, int terminal, res::Language language,
                        QWidget* parent = nullptr);
    QListWidget* groupList() const { return groups_; }
    QListWidget* contactList() const { return contacts_; }
    // After OK: the chosen block and terminal.
    int block() const { return block_; }
    int terminal() const { return terminal_; }
    void accept() override;

private:
    void fillContacts(int group, int select);

    std::vector<ContactGroup> data_;
    QListWidget* groups_;
    QListWidget* contacts_;
    int block_ = 0, terminal_ = 0;
};

}  // namespace kravin::ladder
