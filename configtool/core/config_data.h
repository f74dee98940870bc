// The configuration image of one QV controller and the class family that holds it,
// one class per controller model.
#pragma once

#include "bytes.h"

#include <cstdint>
#include <string>

namespace qvcfg {

inline constexpr std::uint32_t kImageMagic = 0x499602D2;
inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kSmallImageSize = 1024;
inline constexpr std::size_t kImageSize = 2048;

// Header fields.
inline constexpr std::size_t kOffMagic = 0;
inline constexpr std::size_t kOffHeaderSize = 4;
inline constexpr std::size_t kOffModelCode = 6;
inline constexpr std::size_t kOffFormatMajor = 8;
inline constexpr std::size_t kOffFormatMinor = 10;
inline constexpr std::size_t kOffLcdMajor = 12;
inline constexpr std::size_t kOffLcdMinorTimesTen = 14;

// Image bytes of a format version: 1024 for 1.x, 2.0 and 2.1, 2048 for the others.
int ImageSizeOf(int major, int minor);

// Format version tests.
inline bool AtLeast(int major, int minor, int wantMajor, int wantMinor)
{
    return major > wantMajor || (major == wantMajor && minor >= wantMinor);
}

namespace data {

class ConfigData {
public:
    virtual ~ConfigData();
    ConfigData(const ConfigData&) = delete;
    ConfigData& operator=(const ConfigData&) = delete;

    // Replaces the held image by the source brought into the current layout.
    // 0, or -1 for a format version that is not handled (the defaults are then held
    // with the source's header and common settings).
    virtual int Load(const Bytes& source);
    // Appends the model's CSV text.
    virtual int ExportCsv(std::string& text) const = 0;
    // The whole held image (2048 bytes).
    virtual int GetImage(Bytes& out) const;
    virtual int ExpectedSize(int major, int minor) const;
    virtual int CurrentSize() const;
    // Merges the source settings into a target image read from a controller; the
    // target keeps its header and its communication settings.
    virtual int ConvertForDevice(Bytes& target, const Bytes& source, int sourceModel) const;

    std::uint16_t ModelCode() const { return modelCode_; }
    const Bytes& Image() const { return image_; }

protected:
    explicit ConfigData(std::uint16_t modelCode);

    Bytes image_;

private:
    std::uint16_t modelCode_;
};

// The 2048-byte default body (its header all zero).
Bytes DefaultBody();

class ConfigDataQv100 : public ConfigData {
public:
    ConfigDataQv100();
    int ExportCsv(std::string& text) const override;

protected:
    ConfigDataQv100(std::uint16_t code, const char* title);
    const char* title_;
};

class ConfigDataQv110 : public ConfigDataQv100 {
public:
    ConfigDataQv110();
};

class ConfigDataQv200 : public ConfigData {
public:
    ConfigDataQv200();
    int ExportCsv(std::string& text) const override;

protected:
    ConfigDataQv200(std::uint16_t code, const char* title);
    const char* title_;
};

class ConfigDataQv210 : public ConfigDataQv200 {
public:
    ConfigDataQv210();
};

class ConfigDataQv200D : public ConfigData {
public:
    ConfigDataQv200D();
    int ExportCsv(std::string& text) const override;
};

class ConfigDataQv200W : public ConfigData {
public:
    ConfigDataQv200W();
    int ExportCsv(std::string& text) const override;

protected:
    ConfigDataQv200W(std::uint16_t code, const char* title);
    const char* title_;
};

class ConfigDataQv210W : public ConfigDataQv200W {
public:
    ConfigDataQv210W();
};

class ConfigDataQv200B : public ConfigData {
public:
    ConfigDataQv200B();
    int ExportCsv(std::string& text) const override;
};

class ConfigDataQv200E : public ConfigData {
public:
    ConfigDataQv200E();
    int ExportCsv(std::string& text) const override;
};

class ConfigDataQv200C : public ConfigData {
public:
    ConfigDataQv200C();
    int ExportCsv(std::string& text) const override;
};

}  // namespace data
}  // namespace qvcfg
