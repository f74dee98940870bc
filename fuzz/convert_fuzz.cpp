// The input is one file of an old-format project, chosen by its first byte: the header
// "KRAVin.KRA", an analog connection file or a communication connection file. The
// conversion must succeed and write files of the current sizes.
#include "KRAVinA.h"
#include "fuzz_support.h"

#include <filesystem>

using namespace kravin::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KRAVinA_Proj_Set_Version("ORVANTEK KRAV3 Version 1.121.0108");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const kravin::test::TempDir scratch;
    const struct {
        const char *oldName, *newName;
        std::uintmax_t size;
    } kinds[] = {
        {"KRAVin.KRA", "KRAVin.KRAB", KRAVINA_HEADER_SIZE},
        {"STN05/acX.kra", "STN05/acX.KRAB", 1480000},
        {"STN05/DCf.KRA", "STN05/DCf.KRAB", 2496},
    };
    if (size == 0) return 0;
    const auto& kind = kinds[data[0] % std::size(kinds)];

    // Only this input's old file is left, and no new file of an earlier input: the
    // files are removed by name, which spares walking and rebuilding both folders.
    const std::string oldDir = scratch / "old", newDir = scratch / "new";
    for (const auto& k : kinds) {
        if (&k != &kind) std::filesystem::remove(oldDir + "/" + k.oldName);
        std::filesystem::remove(newDir + "/" + k.newName);
    }
    writeInput(oldDir + "/" + kind.oldName, data + 1, size - 1);

    require(KRAVinA_Proj_Convert((oldDir + "/KRAVin.KRA").c_str(), newDir.c_str()) == 0);
    require(fileSize(newDir + "/" + kind.newName) == kind.size);
    require(fileSize(newDir + "/KRAVin.KRAB") == KRAVINA_HEADER_SIZE);
    return 0;
}
