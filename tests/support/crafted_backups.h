// .BKC files crafted from the members of a card backup: each is one way a file
// from elsewhere can be damaged or forged. None may reach a project.
#pragma once

#include "bkc_format.h"
#include "lzw.h"

#include <cstring>
#include <string>
#include <vector>

namespace kravin::test {

struct CraftedBackup {
    std::string what;
    std::vector<unsigned char> bytes;
};

// A card backup of the given members, packed as a backup writes them (header
// sizes as given, or the members' own sizes).
inline std::vector<unsigned char> packBackup(const kravinb::BkcHeader& base,
                                             const std::vector<std::vector<unsigned char>>& members,
                                             const std::vector<std::uint32_t>& declared = {})
{
    kravinb::BkcHeader h = base;
    h.member = {};
    std::vector<unsigned char> body;
    for (std::size_t k = 0; k < members.size(); ++k) {
        const std::size_t at = body.size();
        kravinb::LzwEncodeMember(members[k], body);
        const auto size = k < declared.size() ? declared[k] : static_cast<std::uint32_t>(members[k].size());
        h.member[k] = {size, static_cast<std::uint32_t>(kravinb::kHeaderSize + at),
                       static_cast<std::uint32_t>(body.size() - at)};
    }
    const kravinb::HeaderBytes head = kravinb::EncodeHeader(h);
    std::vector<unsigned char> file(head.begin(), head.end());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The crafted files for a card backup (header base, card >= 0) of unit and analog.
inline std::vector<CraftedBackup> craftedBackups(const kravinb::BkcHeader& base, const std::vector<unsigned char>& unit,
                                                 const std::vector<unsigned char>& analog)
{
    std::vector<CraftedBackup> out;
    const auto with = [&](std::vector<unsigned char> u, std::vector<unsigned char> a) {
        return std::vector<std::vector<unsigned char>>{std::move(u), std::move(a)};
    };
    const std::vector<unsigned char> good = packBackup(base, with(unit, analog));

    out.push_back({"member 0 declared empty", packBackup(base, with({}, analog))});
    std::vector<unsigned char> shorter(unit.begin(), unit.end() - 1), longer = unit;
    longer.push_back(0);
    out.push_back({"member 0 one byte smaller than a unit file", packBackup(base, with(shorter, analog))});
    out.push_back({"member 0 one byte larger than a unit file", packBackup(base, with(longer, analog))});
    std::vector<unsigned char> huge = unit;
    huge.resize(64u << 20, 0);
    out.push_back({"member 0 of 64 MB in a small file", packBackup(base, with(huge, analog))});
    huge = {};
    std::vector<unsigned char> shortAnalog(analog.begin(), analog.end() - 148);
    out.push_back({"analog member one record short", packBackup(base, with(unit, shortAnalog))});
    out.push_back({"declared size one less than decoded", packBackup(base, with(unit, analog), {std::uint32_t(unit.size() - 1)})});
    out.push_back({"declared size one more than decoded", packBackup(base, with(unit, analog), {std::uint32_t(unit.size() + 1)})});
    std::vector<unsigned char> flipped = good;
    flipped[kravinb::kHeaderSize] ^= 0x01;  // the first code: "10SYS" instead of "00SYS"
    out.push_back({"first compressed byte flipped", flipped});
    std::vector<unsigned char> badHead = unit;
    std::memcpy(badHead.data() + 5 * 7, "\x01\x02xyz", 5);
    out.push_back({"unit file with a bad head", packBackup(base, with(badHead, analog))});
    std::vector<unsigned char> noSystem = unit;
    std::memset(noSystem.data(), 0, 5);
    out.push_back({"unit file without its system block", packBackup(base, with(noSystem, analog))});
    return out;
}

}  // namespace kravin::test
