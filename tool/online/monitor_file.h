// The monitor-target file MON.KRAB: the registry monitor's unit and its 100 rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace kravin::online {

constexpr std::size_t kMonitorFileSize = 808;
constexpr int kMonitorRows = 100;
constexpr std::size_t kMonitorRowSize = 8;
constexpr std::size_t kMonitorRowsOffset = 8;
constexpr const char* kMonitorFileName = "MON.KRAB";
constexpr std::uint8_t kRowOn = 0xFF;
constexpr std::uint8_t kRowOff = 0x00;

// One row (8 bytes, little-endian): int16 GGNN, int16 resolved item, int16 GGII, uint8 ON, spare.
struct MonitorTargetRow {
    std::int16_t ggnn = -1;          // block × 100 + terminal, -1 empty
    std::int16_t resolvedItem = -1;  // item of that terminal, -1 none
    std::int16_t ggii = -1;          // group × 100 + item, -1 empty
    std::uint8_t on = kRowOn;        // 255 monitored, 0 not
    std::uint8_t spare = 0xFF;

    bool monitored() const { return on != kRowOff; }
    friend bool operator==(const MonitorTargetRow&, const MonitorTargetRow&) = default;
};

// The whole file image: station (0..63) and card (0..15) of the target unit, 4 spare bytes, rows.
struct MonitorTargets {
    std::int16_t station = 0;
    std::int16_t card = 0;
    std::array<std::uint8_t, 4> spare{0xFF, 0xFF, 0xFF, 0xFF};
    std::array<MonitorTargetRow, kMonitorRows> rows{};

    friend bool operator==(const MonitorTargets&, const MonitorTargets&) = default;
};

using MonitorFileBytes = std::array<std::uint8_t, kMonitorFileSize>;

// The image of a new file: every byte 0xFF, then station and card 0.
MonitorTargets FreshMonitorTargets();

MonitorFileBytes EncodeMonitorTargets(const MonitorTargets& targets);

// Takes a file's bytes apart. Nothing, with the reason in `why`, when the size is not 808
// bytes or a field holds a value no tool writes (unit out of range, a row number out of
// range, an ON byte other than 0 or 255).
std::optional<MonitorTargets> DecodeMonitorTargets(std::span<const std::uint8_t> bytes, std::string* why = nullptr);

enum class MonitorFileResult {
    Loaded,    // the file was read
    Created,   // there was none; a new one was written
    Replaced,  // it was short or corrupt; a new one was written in its place
    Written,   // the image was saved
    Failed,    // it couldn't be read, created or written; the image is unchanged
};

struct MonitorFileOutcome {
    MonitorFileResult result = MonitorFileResult::Failed;
    std::string message;  // what went wrong (Replaced, Failed)
};

// Reads the file into `image`, creating or replacing it as the result says. The folder is
// created when missing. On Failed the image keeps its content.
MonitorFileOutcome ReadMonitorFile(const std::filesystem::path& path, MonitorTargets& image);

// Writes the 808 bytes through a temporary file renamed over the old one.
bool WriteMonitorFile(const std::filesystem::path& path, const MonitorTargets& image, std::string* error = nullptr);

}  // namespace kravin::online
