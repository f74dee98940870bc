// The block definitions of a model version, read from the master tables for the upload.
// Reads the project file library: call it on the GUI thread only.
#pragma once

#include "upload_run.h"

namespace kravin::online {

// Valid blocks of every group and the item lines of each of their definitions. A version
// whose definition of a block is missing falls back to the kind's other versions.
std::optional<UploadModelInfo> DescribeUploadModel(const model::CardKindMasters& masters, const std::string& tableFolder,
                                                   const std::string& model, const std::string& version);

}  // namespace kravin::online
