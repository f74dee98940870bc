#include "unit_files.h"

#include "KRAVinA.h"

#include <algorithm>
#include <cstdio>

namespace kravin::model {

namespace {

template <class Array>
bool allZero(const Array& a)
{
    return std::all_of(a.begin(), a.end(), [](auto v) { return v == 0; });
}

std::string unitFile(int station, int card, const char* prefix)
{
    char name[32];
    const int lib = libraryCard(card);
    if (lib < 0)
        std::snprintf(name, sizeof name, "STN%02d/%sX.KRAB", station, prefix);
    else
        std::snprintf(name, sizeof name, "STN%02d/%s%X.KRAB", station, prefix, static_cast<unsigned>(lib));
    return name;
}

}  // namespace

bool BlockImage::empty() const
{
    if (x != 0 || y != 0) return false;
    for (const auto& i : items)
        if (!allZero(i)) return false;
    for (const auto& t : terms)
        if (!allZero(t)) return false;
    return true;
}

bool AconImage::empty() const
{
    return kind == 0 && value == 0 && colour == 0 && allZero(text) && allZero(px) && allZero(py);
}

BlockImage readBlock(int block)
{
    BlockImage b;
    KRAVinA_Data_XY_Get(block, &b.x, &b.y);
    for (int i = 0; i < kBlockItems; ++i) KRAVinA_Data_Item_Get(block, i, b.items[static_cast<std::size_t>(i)].data());
    for (int t = 0; t < kBlockTerms; ++t) KRAVinA_Data_Term_Get(block, t, b.terms[static_cast<std::size_t>(t)].data());
    return b;
}

void putBlock(int block, const BlockImage& b)
{
    KRAVinA_Data_XY_Set(block, b.x, b.y);
    for (int i = 0; i < kBlockItems; ++i) KRAVinA_Data_Item_Set(block, i, b.items[static_cast<std::size_t>(i)].data());
    for (int t = 0; t < kBlockTerms; ++t) KRAVinA_Data_Term_Set(block, t, b.terms[static_cast<std::size_t>(t)].data());
}

bool loadUnit(int station, int card, const std::string& folder, UnitHead& head)
{
    head.fill(0);
    return KRAVinA_Data_Get(station, libraryCard(card), head.data(), folder.c_str()) != -2;
}

bool writeUnit(int station, int card, const UnitHead& head, const std::string& folder)
{
    return KRAVinA_Data_Write(station, libraryCard(card), head.data(), folder.c_str()) == 0;
}

AconImage readAcon(int station, int card, int c, int d, const std::string& folder)
{
    AconImage a;
    KRAVinA_Acon_Get(station, libraryCard(card), c, d, &a.kind, &a.value, &a.colour, a.text.data(), folder.c_str());
    for (int p = 0; p < kLinePoints; ++p)
        KRAVinA_Acon_Pnt_Get(c, d, p, &a.px[static_cast<std::size_t>(p)], &a.py[static_cast<std::size_t>(p)]);
    return a;
}

bool putAcon(int station, int card, int c, int d, const AconImage& a, const std::string& folder)
{
    AconImage scratch;
    // Loads the unit's file into the cache unless it is there already.
    KRAVinA_Acon_Get(station, libraryCard(card), c, d, &scratch.kind, &scratch.value, &scratch.colour,
                     scratch.text.data(), folder.c_str());
    for (int p = 0; p < kLinePoints; ++p)
        KRAVinA_Acon_Pnt_Set(c, d, p, a.px[static_cast<std::size_t>(p)], a.py[static_cast<std::size_t>(p)]);
    return KRAVinA_Acon_Set(station, libraryCard(card), c, d, a.kind, a.value, a.colour, a.text.data()) == 0;
}

DconImage readDcon(int station, int card, int terminal, const std::string& folder)
{
    DconImage r;
    KRAVinA_Dcon_Get(station, libraryCard(card), terminal, &r.pointCount, &r.value, &r.colour, &r.lineKind,
                     r.text.data(), folder.c_str());
    for (int p = 0; p < kLinePoints; ++p)
        KRAVinA_Dcon_Pnt_Get(terminal, p, &r.px[static_cast<std::size_t>(p)], &r.py[static_cast<std::size_t>(p)]);
    return r;
}

bool writeDcon(int station, int card, int terminal, const DconImage& r, const std::string& folder)
{
    DconImage scratch;
    KRAVinA_Dcon_Get(station, libraryCard(card), terminal, &scratch.pointCount, &scratch.value, &scratch.colour,
                     &scratch.lineKind, scratch.text.data(), folder.c_str());
    for (int p = 0; p < kLinePoints; ++p)
        KRAVinA_Dcon_Pnt_Set(terminal, p, r.px[static_cast<std::size_t>(p)], r.py[static_cast<std::size_t>(p)]);
    return KRAVinA_Dcon_Write(station, libraryCard(card), terminal, r.pointCount, r.value, r.colour, r.lineKind,
                              r.text.data(), folder.c_str()) == 0;
}

std::string unitDataPath(int station, int card)
{
    char name[32];
    const int lib = libraryCard(card);
    if (lib < 0)
        std::snprintf(name, sizeof name, "STN%02d/STNINF.KRAB", station);
    else
        std::snprintf(name, sizeof name, "STN%02d/CARD%X.KRAB", station, static_cast<unsigned>(lib));
    return name;
}

std::string aconPath(int station, int card) { return unitFile(station, card, "AC"); }
std::string dconPath(int station, int card) { return unitFile(station, card, "DC"); }

}  // namespace kravin::model
