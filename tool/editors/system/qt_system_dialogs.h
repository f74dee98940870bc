// The system commands' dialogs as windows.
#pragma once

#include "system_commands.h"

#include "string_table.h"

class QWidget;

namespace kravin::editors {

class QtSystemDialogs final : public SystemDialogs {
public:
    QtSystemDialogs(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                    model::Prompt& prompt, res::Language language)
        : masters_(masters), tables_(tables), prompt_(prompt), language_(language)
    {
    }
    void setParent(QWidget* parent) { parent_ = parent; }

    std::optional<ModelChoice> selectModel(int station, int card) override;
    std::optional<int> selectRnh6Type() override;
    std::optional<std::string> inputId(const std::string& current) override;
    std::optional<int> cardCount(const CardCountRange& range) override;
    std::optional<std::string> selectVersion(int station, int card) override;

private:
    const model::CardKindMasters& masters_;
    const model::SystemConfigTables& tables_;
    model::Prompt& prompt_;
    res::Language language_;
    QWidget* parent_ = nullptr;
};

}  // namespace kravin::editors
