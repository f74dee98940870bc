// The input is a project's header file "KRAVin.KRAB": select it in both layouts, read every
// record, write it and select it again; the records must come back unchanged.
#include "KRAVinA.h"
#include "fuzz_support.h"

#include <cstring>

using namespace kravin::fuzz;

namespace {

struct Records {
    char head[32 + 32 + 160];
    char sys[KRAVINA_STATIONS * (KRAVINA_CARDS + 1)][8 + 5 + 4 + 32];
    int xy[KRAVINA_STATIONS * (KRAVINA_CARDS + 1)][2];
};

void readAll(Records& r)
{
    require(KRAVinA_Proj_Get_Head(r.head, r.head + 32, r.head + 64) == 0);
    int n = 0;
    for (int station = 0; station < KRAVINA_STATIONS; ++station) {
        for (int card = -1; card < KRAVINA_CARDS; ++card, ++n) {
            char* s = r.sys[n];
            require(KRAVinA_Proj_Get_Sys(station, card, s, s + 8, s + 13, s + 17, &r.xy[n][0],
                                         &r.xy[n][1]) == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KRAVinA_Proj_Set_Version("ORVANTEK KRAV3 Version 1.121.0108");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const kravin::test::TempDir folder;
    static Records before, after;
    const std::string dir = folder.str();
    writeInput(folder / "KRAVin.KRAB", data, size);

    require(KRAVinA_Proj_Select_KRAV2(dir.c_str()) == 1);
    readAll(before);

    require(KRAVinA_Proj_Select(dir.c_str()) == 1);
    const int newer = KRAVinA_Prj_Newer_Version();
    require(newer == 0 || newer == 1);
    readAll(before);
    require(KRAVinA_Proj_Write(dir.c_str()) == 0);
    require(fileSize(folder / "KRAVin.KRAB") == KRAVINA_HEADER_SIZE);

    require(KRAVinA_Proj_Select(dir.c_str()) == 1);
    require(KRAVinA_Prj_Newer_Version() == 0);
    readAll(after);
    require(std::memcmp(&before, &after, sizeof before) == 0);
    return 0;
}
