// The configuration store: one object per controller model, the current image, where
// it came from, and the header checks that decide whether an image is accepted.
#pragma once

#include "bytes.h"
#include "config_data.h"

#include <array>
#include <memory>
#include <string>

namespace qvcfg {

// Model indices (index 8 and 10 are not used).
inline constexpr int kModelCount = 12;
// "QV100", ... by model index; "" for an index without a model.
const char* ModelName(int index);
// Header model code of an index, 0 for none; index of a model code, -1 for none.
int ModelCodeOf(int index);
int ModelIndexOfCode(int code);

struct ImageHeader {
    int model = 0;
    int major = 0, minor = 0;
    int lcdMajor = 0, lcdMinor = 0;
};

class ConfigDB {
public:
    enum State { kNoData = 0, kFromFile = 1, kFromDevice = 2 };

    ConfigDB();
    virtual ~ConfigDB();
    ConfigDB(const ConfigDB&) = delete;
    ConfigDB& operator=(const ConfigDB&) = delete;

    // 0, or -2 (empty image, wrong magic, length not that of its version) or -1 (unknown
    // model or a format version the model does not accept). A refused image changes nothing.
    virtual int LoadFromFile(const Bytes& image, const std::string& path);
    virtual int LoadFromDevice(const Bytes& image);
    // Merges the held image into the controller's image in place, whatever the models of
    // the two (the controller keeps its header and communication settings). 0, -1, -2 as above.
    virtual int PrepareDownload(Bytes& deviceImage, const Bytes& heldImage);
    virtual int ExportCsv(std::string& text) const;
    virtual int GetImage(Bytes& out) const;

    int GetState() const { return state_; }
    std::string GetPath() const { return path_; }
    int GetModel() const { return model_; }
    void GetLcdVersion(int& major, int& minor) const
    {
        major = lcdMajor_;
        minor = lcdMinor_;
    }
    // Bytes that a .cfg file or a download of this image carries: 1024 or 2048.
    int ExpectedSizeOf(const Bytes& image) const;

    static int ParseHeader(const Bytes& image, bool inMemory, ImageHeader& out);

private:
    int ParseAndLoad(const Bytes& image);
    data::ConfigData& ObjectFor(int index) const;

    std::array<std::unique_ptr<data::ConfigData>, 10> objects_;
    int model_ = 0;
    data::ConfigData* current_ = nullptr;
    int state_ = kNoData;
    std::string path_;
    int lcdMajor_ = 0, lcdMinor_ = 0;
};

}  // namespace qvcfg
