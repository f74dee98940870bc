// The readers of the system view's clipboard formats over damaged copies.
// A valid copy is built from the first six bytes, then the rest of the input
// overwrites bytes of it (4-byte offset, 1 byte value) and the second byte
// cuts or extends it; whatever a reader accepts must write back to a copy it
// accepts again, with every index in range.
#include "system_clip_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>
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

// A valid copy is megabytes (a unit's body alone is 1.8 MB): it is built once for each
// set of leading bytes and kept, and only its damaged copy is made for every input.
const std::string& validCopy(const std::uint8_t* data)
{
    static std::map<std::array<std::uint8_t, 6>, std::string> made;
    static std::deque<std::array<std::uint8_t, 6>> order;
    std::array<std::uint8_t, 6> key;
    std::copy(data, data + 6, key.begin());
    key[1] = 0;  // the cut or extension is applied to the copy
    if (const auto it = made.find(key); it != made.end()) return it->second;
    if (order.size() == 16) {
        made.erase(order.front());
        order.pop_front();
    }
    const int pick = data[0] % 3;
    std::string blob;
    if (pick == 0) {
        blob = EncodeCard(unitFrom(data + 2, 1 + data[5] % 16));
    } else if (pick == 1) {
        PairImage p;
        p.slots[0] = unitFrom(data + 2, 1);
        p.slots[1] = unitFrom(data + 2, 2);
        blob = EncodePair(p);
    } else {
        // Up to two cards, in any two of the sixteen places: every place reads alike.
        StationImage s;
        s.station = data[2] % 64;
        s.kind = data[3] % 128;
        const int count = data[4] % 3;
        for (int k = 0; k < count; ++k) {
            const int place = k == 0 ? data[5] % 16 : data[5] / 16;
            s.cards[static_cast<std::size_t>(place)] = unitFrom(data + 2, place + 1);
        }
        blob = EncodeStation(s);
    }
    order.push_back(key);
    return made.emplace(key, std::move(blob)).first->second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6) return 0;
    const int pick = data[0] % 3;
    const int delta = static_cast<int>(data[1] % 9) - 4;
    static std::string blob;
    blob.assign(validCopy(data));
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
            const auto back = DecodeCard(again);
            if (!back || EncodeCard(*back) != again) std::abort();
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
