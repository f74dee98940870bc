// Name tables shared by the configuration and trend CSV exports.
#pragma once

namespace qvcfg {

// "1 sec" .. "60 min" for the storing intervals the controllers offer; "" for others.
const char* StoringIntervalName(int seconds);
// Trend channel or data type name: "None", "PV1", "SP1"/"SV1", ... ; "" for unknown codes.
// `alternate` picks the SV/OP names.
const char* TrendChannelName(int code, bool alternate);

}  // namespace qvcfg
