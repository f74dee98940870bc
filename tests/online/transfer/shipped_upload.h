// An upload set up on the shipped tables, as the tool sets it up at start-up.
#pragma once

#include "KRAVinA.h"
#include "upload_model.h"
#include "upload_run.h"

#include <cstring>

namespace kravin::online::test {

// The masters, the card type table of the shipped tables and their block definitions; the
// masters must outlive the setup.
inline void UseShippedTables(UploadSetup& s, const model::CardKindMasters& masters)
{
    s.masters = masters;
    for (int code = 0; code < 100; ++code) {
        char names[1024] = {};
        KRAVinA_Mast_FiledName_Get(code, names, KRAVIN_SAMPLE_TABLES "/");
        const std::string text(names, ::strnlen(names, sizeof names));
        for (std::size_t at = 0; at + 8 <= text.size(); at += 8)
            s.cardTypes[static_cast<std::size_t>(code)].push_back(text.substr(at, 8));
    }
    const model::CardKindMasters* m = &masters;
    s.describe = [m](const std::string& model, const std::string& version) {
        return DescribeUploadModel(*m, KRAVIN_SAMPLE_TABLES "/", model, version);
    };
}

}  // namespace kravin::online::test
