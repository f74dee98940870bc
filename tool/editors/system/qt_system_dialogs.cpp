#include "qt_system_dialogs.h"

#include "shared_dialogs.h"
#include "small_dialogs.h"

namespace kravin::editors {

std::optional<SystemDialogs::ModelChoice> QtSystemDialogs::selectModel(int station, int card)
{
    ModelSelectDialog d(masters_, tables_, station, card, language_, parent_);
    if (d.exec() != QDialog::Accepted || d.model().empty()) return std::nullopt;
    return ModelChoice{d.model(), d.version()};
}

std::optional<int> QtSystemDialogs::selectRnh6Type()
{
    ListSelectDialog d(ListSelectDialog::Kind::CardType, {}, 0, language_, parent_);
    if (d.exec() != QDialog::Accepted || d.index() < 0) return std::nullopt;
    return d.index();
}

std::optional<std::string> QtSystemDialogs::inputId(const std::string& current)
{
    DialogExchange& ex = dialogExchange();
    IdInputDialog d(ex, prompt_, language_, current, parent_);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return std::string(ex.unitIdBuffer.data(), ::strnlen(ex.unitIdBuffer.data(), ex.unitIdBuffer.size()));
}

std::optional<int> QtSystemDialogs::cardCount(const CardCountRange& range)
{
    CardCountDialog d(range, prompt_, language_, parent_);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.count();
}

std::optional<std::string> QtSystemDialogs::selectVersion(int station, int card)
{
    SelectVersionDialog d(masters_, tables_, station, card, language_, parent_);
    if (d.exec() != QDialog::Accepted || d.version().empty()) return std::nullopt;
    return d.version();
}

}  // namespace kravin::editors
