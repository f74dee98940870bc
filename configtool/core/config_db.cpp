#include "config_db.h"

namespace qvcfg {

namespace {

struct ModelEntry {
    int index;
    const char* name;
    int code;
};

constexpr ModelEntry kModels[] = {
    {0, "QV100", 100},   {1, "QV200", 200},   {2, "QV110", 110},   {3, "QV210", 210},    {4, "QV200B", 1200},
    {5, "QV200C", 2200}, {6, "QV200D", 3200}, {7, "QV200E", 4200}, {9, "QV200W", 6200}, {11, "QV210W", 6210},
};

struct Version {
    int major, minor;
};

bool Accepts(int index, int major, int minor)
{
    auto in = [&](std::initializer_list<Version> list) {
        for (const auto& v : list)
            if (v.major == major && v.minor == minor) return true;
        return false;
    };
    switch (index) {
    case 0:
    case 2:
    case 3: return in({{1, 1}, {3, 0}, {3, 1}, {3, 2}});
    case 1: return in({{1, 0}, {1, 1}, {3, 0}, {3, 1}, {3, 2}});
    case 4: return in({{2, 0}, {2, 1}, {2, 2}});
    case 5: return in({{2, 2}});
    case 6:
    case 9:
    case 11: return in({{3, 2}});
    case 7: return in({{2, 3}});
    default: return false;
    }
}

}  // namespace

const char* ModelName(int index)
{
    for (const auto& m : kModels)
        if (m.index == index) return m.name;
    return "";
}

int ModelCodeOf(int index)
{
    for (const auto& m : kModels)
        if (m.index == index) return m.code;
    return 0;
}

int ModelIndexOfCode(int code)
{
    for (const auto& m : kModels)
        if (m.code == code) return m.index;
    return -1;
}

ConfigDB::ConfigDB()
{
    objects_[0] = std::make_unique<data::ConfigDataQv100>();
    objects_[1] = std::make_unique<data::ConfigDataQv110>();
    objects_[2] = std::make_unique<data::ConfigDataQv200>();
    objects_[3] = std::make_unique<data::ConfigDataQv210>();
    objects_[4] = std::make_unique<data::ConfigDataQv200B>();
    objects_[5] = std::make_unique<data::ConfigDataQv200D>();
    objects_[6] = std::make_unique<data::ConfigDataQv200C>();
    objects_[7] = std::make_unique<data::ConfigDataQv200E>();
    objects_[8] = std::make_unique<data::ConfigDataQv200W>();
    objects_[9] = std::make_unique<data::ConfigDataQv210W>();
}

ConfigDB::~ConfigDB() = default;

data::ConfigData& ConfigDB::ObjectFor(int index) const
{
    const int code = ModelCodeOf(index);
    for (const auto& o : objects_)
        if (o->ModelCode() == code) return *o;
    return *objects_[0];
}

int ConfigDB::ParseHeader(const Bytes& image, bool inMemory, ImageHeader& out)
{
    if (image.empty() || image.size() < kHeaderSize) return -2;
    if (GetU32(image, kOffMagic) != kImageMagic) return -2;
    const int index = ModelIndexOfCode(GetU16(image, kOffModelCode));
    if (index < 0) return -1;
    const int major = GetU16(image, kOffFormatMajor), minor = GetU16(image, kOffFormatMinor);
    const std::size_t required = inMemory ? kImageSize : static_cast<std::size_t>(ImageSizeOf(major, minor));
    if (image.size() != required) return -2;
    if (index >= kModelCount || !Accepts(index, major, minor)) return -1;
    out.model = index;
    out.major = major;
    out.minor = minor;
    if (major == 1 && minor == 0) {
        out.lcdMajor = 1;
        out.lcdMinor = 0;
    } else {
        out.lcdMajor = GetU16(image, kOffLcdMajor);
        out.lcdMinor = GetU16(image, kOffLcdMinorTimesTen) / 10;
    }
    return 0;
}

int ConfigDB::ParseAndLoad(const Bytes& image)
{
    ImageHeader h;
    if (const int rc = ParseHeader(image, false, h); rc < 0) return rc;
    model_ = h.model;
    lcdMajor_ = h.lcdMajor;
    lcdMinor_ = h.lcdMinor;
    current_ = &ObjectFor(h.model);
    current_->Load(image);
    return 0;
}

int ConfigDB::LoadFromFile(const Bytes& image, const std::string& path)
{
    if (const int rc = ParseAndLoad(image); rc < 0) return rc;
    path_ = path;
    state_ = kFromFile;
    return 0;
}

int ConfigDB::LoadFromDevice(const Bytes& image)
{
    if (const int rc = ParseAndLoad(image); rc < 0) return rc;
    state_ = kFromDevice;
    return 0;
}

int ConfigDB::PrepareDownload(Bytes& deviceImage, const Bytes& heldImage)
{
    ImageHeader device, held;
    if (const int rc = ParseHeader(deviceImage, false, device); rc < 0) return rc;
    if (const int rc = ParseHeader(heldImage, true, held); rc < 0) return rc;
    ObjectFor(device.model).ConvertForDevice(deviceImage, heldImage, held.model);
    return 0;
}

int ConfigDB::ExportCsv(std::string& text) const
{
    if (state_ == kNoData || !current_) return -1;
    return current_->ExportCsv(text);
}

int ConfigDB::GetImage(Bytes& out) const
{
    if (state_ == kNoData || !current_) return -1;
    return current_->GetImage(out);
}

int ConfigDB::ExpectedSizeOf(const Bytes& image) const
{
    return ImageSizeOf(GetU16(image, kOffFormatMajor), GetU16(image, kOffFormatMinor));
}

}  // namespace qvcfg
