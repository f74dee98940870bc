// The junction dots of one wiring diagram: 100 slots in one layer file, the
// twin of the comment layer without dialog and resize.
#pragma once

#include "layer_common.h"

#include <string>

namespace kravin::model {

// One dot as stored in the layer file (24 bytes, little-endian).
struct FigureRecord {
    std::int32_t slot = 0;
    std::int32_t x = 0;  // centre, cells
    std::int32_t y = 0;
    std::int32_t colour = 0;  // fill, COLORREF
    std::int32_t diameter = 0;  // cells; new dots get 1
    std::int32_t inUse = 0;
    friend bool operator==(const FigureRecord&, const FigureRecord&) = default;
};
static_assert(sizeof(FigureRecord) == 24);

constexpr std::size_t kFigureBlockBytes = 2400;

// A slot's whole contents as the undo stores keep them.
struct FigureSlot {
    int slot = 0;
    FigureRecord record;
};
constexpr int kMsgFiguresFull = 8130;  // "Cannot register any more junction points."

class CFigureMap : public LayerBlock<FigureRecord, KRAVinA_Tenbyou_Read, KRAVinA_Tenbyou_Write> {
public:
    CFigureMap(LayerEnv env, std::string folder, std::string fileName);
    static CFigureMap CopyConstruct(const unsigned char* block, LayerEnv env, std::string folder,
                                    std::string fileName);

    // The first used slot within diameter / 2 cells of (x, y) both ways.
    std::optional<int> HitTest(int x, int y) const;
    int SelectAt(int x, int y, bool add);

    void SetDragPoint(int x, int y) { dragCurrent_ = {x, y}; }
    void SetDragDelta(int dx, int dy)
    {
        dragCurrent_ = {dragStart_.x + dx, dragStart_.y + dy};
        dragMoving_ = true;
    }

    // A new dot of diameter 1; a full layer is refused with message 8130.
    bool AddFigure(int x, int y, std::int32_t colour);
    bool AddRecord(FigureRecord record);
    bool DeleteAt(int slot);
    bool SetPos(int slot, int x, int y, int diameter);
    bool RestoreSlot(int slot, const FigureRecord& record);

    void MoveSelected();
    void DeleteSelected();
    void AlignLeft();
    void AlignCenter(int width);
    void AlignRight(int width);

    // Largest X and Y over all 100 records, free ones included.
    Point GetExtent() const;

private:
    CFigureMap(LayerEnv env, std::string folder, std::string fileName, const unsigned char* block);
    void note(int kind, int slot, const FigureRecord& rec) const;
    void alignTo(int (*place)(int width), int width);
};

// "AC_TENBYOU" + station + card + ".KRAB" of a unit; the communication view's is "DC_TENBYOU.KRAB".
std::string figureFileName(int station, int card);
inline constexpr const char* kCommFigureFile = "DC_TENBYOU.KRAB";

}  // namespace kravin::model
