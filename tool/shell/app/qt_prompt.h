// The prompt of the running tool: message boxes, file dialogs and the project
// dialog, in the tool's language.
#pragma once

#include "prompt.h"

#include <QString>

class QWidget;

namespace kravin::shell {

class QtPrompt final : public model::Prompt {
public:
    explicit QtPrompt(res::Language language) : language_(language) {}

    // The parent of the file and project dialogs, and of boxes asked for while no
    // window of the tool is active.
    void setParent(QWidget* parent) { parent_ = parent; }
    void setLanguage(res::Language language) { language_ = language; }
    res::Language language() const { return language_; }

    model::Answer message(int id, const model::MessageArgs& args, model::Buttons buttons, model::Icon icon) override;
    void text(const std::string& utf8, model::Icon icon) override;
    std::optional<std::string> chooseFile(const model::FileChoice& choice) override;
    bool projectDialog(model::ProjectDialogData& data) override;

    // "KRAV File (*.KRA)|*.KRA||" as a Qt name filter: "KRAV File (*.KRA)".
    static QString nameFilters(const std::string& filter);

private:
    // The parent of a message box shown now.
    QWidget* owner() const;

    res::Language language_;
    QWidget* parent_ = nullptr;
};

}  // namespace kravin::shell
