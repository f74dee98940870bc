#include "undo_stores.h"

namespace kravin::shell {

class UndoStores::BlockHost final : public model::BlockUndoHost {
public:
    BlockHost(model::UnitContext& unit, std::function<model::UndoView*()> view, std::function<void()> modified)
        : unit_(unit), view_(std::move(view)), modified_(std::move(modified))
    {
    }
    int station() const override { return unit_.g_curStation; }
    int card() const override { return unit_.g_curCard; }
    std::string workFolder() const override { return unit_.workFolder; }
    int currentGroup() const override { return unit_.g_curGroup; }
    bool specialGroupMode() const override { return unit_.g_specialGroupMode != 0; }
    void setCurrentGroup(int group, bool special) override
    {
        unit_.g_curGroup = group;
        unit_.g_specialGroupMode = special ? 1 : 0;
    }
    model::BlockCode blockCode(int block) const override
    {
        return block >= 0 && block < model::kGroups ? unit_.g_unitBlocks[static_cast<std::size_t>(block)]
                                                    : model::BlockCode{};
    }
    void setBlockCode(int block, const model::BlockCode& code) override
    {
        if (block >= 0 && block < model::kGroups) unit_.g_unitBlocks[static_cast<std::size_t>(block)] = code;
    }
    model::UndoView* activeView() override { return view_ ? view_() : nullptr; }
    void setModified() override
    {
        if (modified_) modified_();
    }

private:
    model::UnitContext& unit_;
    std::function<model::UndoView*()> view_;
    std::function<void()> modified_;
};

class UndoStores::StationHost final : public model::StationUndoHost {
public:
    StationHost(model::UnitContext& unit, std::function<model::UndoView*()> view, std::function<void()> modified)
        : unit_(unit), view_(std::move(view)), modified_(std::move(modified))
    {
    }
    std::string workFolder() const override { return unit_.workFolder; }
    model::SystemConfigTables& tables() override { return unit_.tables; }
    const model::CardKindMasters& masters() const override { return unit_.masters; }
    int currentStation() const override { return unit_.g_curStation; }
    int currentCard() const override { return unit_.g_curCard; }
    int currentGroup() const override { return unit_.g_curGroup; }
    void selectUnit(int station, int card) override
    {
        unit_.g_curStation = station;
        unit_.g_curCard = card;
        unit_.SelectCurrentUnit();
        unit_.LoadUnitBlocks(1);
    }
    model::UndoView* activeView() override { return view_ ? view_() : nullptr; }
    void setModified() override
    {
        if (modified_) modified_();
    }

private:
    model::UnitContext& unit_;
    std::function<model::UndoView*()> view_;
    std::function<void()> modified_;
};

UndoStores::UndoStores(model::UnitContext& unit, std::function<model::UndoView*()> activeView,
                       std::function<void()> setModified)
    : blockHost_(std::make_unique<BlockHost>(unit, activeView, setModified)),
      stationHost_(std::make_unique<StationHost>(unit, activeView, setModified)),
      block_(std::make_unique<model::CBlockUndo>(*blockHost_)),
      station_(std::make_unique<model::CStationUndo>(*stationHost_)),
      router_(std::make_unique<model::LayerUndoRouter>(*block_, *station_, activeView))
{
}

UndoStores::~UndoStores() = default;

}  // namespace kravin::shell
