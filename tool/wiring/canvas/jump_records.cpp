#include "jump_records.h"

#include "text_codec.h"

#include <algorithm>
#include <cstring>

namespace kravin::wiring {

namespace {

void put32(unsigned char* p, std::int32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

std::array<unsigned char, 44> CJumpRecord::ToRecord() const
{
    std::array<unsigned char, 44> out{};
    std::memcpy(out.data(), name.data(), std::min<std::size_t>(name.size(), 15));
    put32(out.data() + 16, block);
    put32(out.data() + 20, item);
    put32(out.data() + 24, terminal);
    put32(out.data() + 28, side);
    put32(out.data() + 32, format);
    put32(out.data() + 36, colour);
    return out;
}

model::LinkRecord CJumpRecord::toLink(bool inUse) const
{
    model::LinkRecord r;
    std::memcpy(r.name, name.data(), std::min<std::size_t>(name.size(), 15));
    r.value[0] = block;
    r.value[1] = item;
    r.value[2] = terminal;
    r.value[3] = side;
    r.value[4] = format;
    r.value[5] = colour;
    r.inUse = inUse ? 1 : 0;
    return r;
}

CJumpRecord CJumpRecord::fromLink(const model::LinkRecord& link)
{
    CJumpRecord r;
    r.name.assign(link.name, ::strnlen(link.name, sizeof link.name));
    r.block = link.value[0];
    r.item = link.value[1];
    r.terminal = link.value[2];
    r.side = link.value[3];
    r.format = link.value[4];
    r.colour = link.value[5];
    return r;
}

void AddOrRemove(JumpList& list, const CJumpRecord& record)
{
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const CJumpRecord& r) { return CJumpRecord::IsEqual(r, record); });
    if (it != list.end())
        list.erase(it);
    else
        list.push_back(record);
}

bool RemoveEqual(JumpList& list, const CJumpRecord& record)
{
    return std::erase_if(list, [&](const CJumpRecord& r) { return CJumpRecord::IsEqual(r, record); }) > 0;
}

const CJumpRecord* FindByName(const JumpList& list, const std::string& name)
{
    for (const CJumpRecord& r : list)
        if (r.name == name) return &r;
    return nullptr;
}

int CountJumpsAtTerminal(const JumpList& list, const CJumpRecord& record)
{
    int n = 0;
    for (const CJumpRecord& r : list) {
        if (CJumpRecord::IsEqual(r, record)) break;
        if (r.item == record.item && r.block == record.block) ++n;
    }
    return n;
}

GridPoint JumpMarkPlace(const CJumpRecord& r, int bx, int by)
{
    return {bx + 3 * r.terminal + 2, r.side == 1 ? by - 6 : by + 8};
}

std::string OpenJumpNames(const JumpList& open)
{
    std::string text;
    for (const CJumpRecord& r : open) text += r.name + ", ";
    return text;
}

std::string TrimJumpLabel(const std::string& cp932) { return model::trimDbcs(cp932, kJumpLabelBytes); }

}  // namespace kravin::wiring
