#include "messages.h"

#include "config_db.h"

#include <cstdio>

namespace qvcfg {

namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kStrings[] = {
    {129, "Parameter Files(*.cfg)|*.cfg||"},
    {130, "No data"},
    {131, "Uploaded from device"},
    {133, "Failed to read"},
    {134, "Failed to write"},
    {135, "Failed to open file"},
    {136, "Failed to read file"},
    {137, "Illegal data (Error code: %02d)"},
    {138, "Internal error"},
    {139, "Failed to initialize COM port"},
    {140, "Failed to communicate"},
    {141, "Failed to write file"},
    {142, "Incompatible data"},
    {143, "Device error (Error code: %02d)"},
    {144, "Illegal data"},
    {145, "Unsupported device"},
    {146, "Reading completed"},
    {147, "Writing completed"},
    {148, "Overwrite?"},
    {150, "Device Model : "},
    {151, "LCD Ver. : "},
};

std::string Formatted(int id, int value)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, Text(id).c_str(), value);
    return buf;
}

}  // namespace

std::string Text(int id)
{
    for (const auto& e : kStrings)
        if (e.id == id) return e.text;
    return {};
}

std::string GetReadErrorText(int code)
{
    switch (code) {
    case -1: return Text(135);
    case -2: return Text(136);
    case -3: return Formatted(137, 1);
    case -4: return Formatted(137, 2);
    case -5: return Text(138);
    case -6: return Text(139);
    case -7: return Text(140);
    default: return {};
    }
}

std::string GetWriteErrorText(int code, int deviceError)
{
    switch (code) {
    case -1: return Text(135);
    case -2: return Text(141);
    case -3: return Text(138);
    case -4: return Text(139);
    case -5: return Text(140);
    case -7: return Formatted(143, deviceError);
    case -8: return Formatted(137, 1);
    case -9: return Formatted(137, 2);
    default: return {};
    }
}

std::string TrendReadErrorText(int code)
{
    switch (code) {
    case -1: return Text(139);
    case -2: return Text(140);
    case -3: return Text(145);
    case -4: return Text(144);
    default: return {};
    }
}

std::string TrendWriteErrorText(int code)
{
    switch (code) {
    case -1: return Text(135);
    case -2: return Text(141);
    case -3: return Text(144);
    default: return {};
    }
}

std::string DefaultCfgName(int model)
{
    const std::string name = ModelName(model);
    return name.empty() ? name : name + ".cfg";
}

std::string DefaultCsvName(int model)
{
    const std::string name = ModelName(model);
    return name.empty() ? name : name + ".csv";
}

}  // namespace qvcfg
