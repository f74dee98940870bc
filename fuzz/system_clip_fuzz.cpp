// The readers of the system view's clipboard formats over damaged copies.
// A valid copy is built from the first bytes, then the rest of the input
// overwrites bytes of it (4-byte offset, 1 byte value) and the second byte
// cuts or extends it; whatever a reader accepts must write back to a copy it
// accepts again, with every index in range.
#include "system_clip_codec.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kravin::editors::sysclip;

namespace {

void check(const UnitImage& u, int minCard)
{
    if (u.station < 0 || u.station > 63 || u.card < minCard || u.card > 16 || u.kind < 0 || u.kind > 127 ||
        u.version < 0 || u.version > 31 || u.unitText.size() > kUnitTextMax)
        std::abort();
    for (std::size_t r = 0; r < kLineDataBytes / kLineBytes; ++r)
        if (get32(u.body.data() + kCodeBytes + kBlockDataBytes + kLineBytes * r + kLinePointsOffset) > kLinePointsMax)
            std::abort();
}

UnitImage unitFrom(const std::uint8_t* d, int card)
{
    UnitImage u;
    u.station = d[0] % 64;
    u.card = card;
    u.kind = d[1] % 128;
    u.version = d[2] % 32;
    u.unitText = std::string(d[3] % 6, 'A');
    return u;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6) return 0;
    const int pick = data[0] % 3;
    const int delta = static_cast<int>(data[1] % 9) - 4;
    std::string blob;
    if (pick == 0) {
        blob = EncodeCard(unitFrom(data + 2, 1 + data[5] % 16));
    } else if (pick == 1) {
        PairImage p;
        p.slots[0] = unitFrom(data + 2, 1);
        p.slots[1] = unitFrom(data + 2, 2);
        blob = EncodePair(p);
    } else {
        StationImage s;
        s.station = data[2] % 64;
        s.kind = data[3] % 128;
        for (int k = 0; k < (data[4] % 17); ++k) s.cards[static_cast<std::size_t>(k)] = unitFrom(data + 2, k + 1);
        blob = EncodeStation(s);
    }
    for (std::size_t i = 6; i + 5 <= size; i += 5) {
        const std::uint32_t at = data[i] | (data[i + 1] << 8) | (data[i + 2] << 16) | (std::uint32_t(data[i + 3]) << 24);
        blob[at % blob.size()] = static_cast<char>(data[i + 4]);
    }
    if (delta < 0)
        blob.resize(blob.size() - static_cast<std::size_t>(-delta));
    else
        blob.append(static_cast<std::size_t>(delta), '\n');

    if (pick == 0) {
        if (const auto u = DecodeCard(blob)) {
            check(*u, 1);
            const std::string again = EncodeCard(*u);
            if (!DecodeCard(again) || EncodeCard(*DecodeCard(again)) != again) std::abort();
        }
    } else if (pick == 1) {
        if (const auto p = DecodePair(blob)) {
            for (const UnitImage& u : p->slots) check(u, 1);
            if (!DecodePair(EncodePair(*p))) std::abort();
        }
    } else if (const auto s = DecodeStation(blob)) {
        if (s->station < 0 || s->station > 63 || s->kind < 0 || s->kind > 127) std::abort();
        for (const auto& e : s->cards)
            if (e) check(*e, e->kind == 0 ? 0 : 1);
        if (!DecodeStation(EncodeStation(*s))) std::abort();
    }
    return 0;
}
