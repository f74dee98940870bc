// The texts of QVCFG: its string table and the messages of the operation codes.
#pragma once

#include <string>

namespace qvcfg {

inline constexpr const char* kVersionText = "1.92.01";

// The text of a string-table id; "" for an unknown id.
std::string Text(int id);

// Second lines of the failure boxes; "" for a code without a text.
std::string GetReadErrorText(int code);
std::string GetWriteErrorText(int code, int deviceError);
std::string TrendReadErrorText(int code);
std::string TrendWriteErrorText(int code);

// The .cfg and .csv file names offered for a model index ("" for none).
std::string DefaultCfgName(int model);
std::string DefaultCsvName(int model);

}  // namespace qvcfg
