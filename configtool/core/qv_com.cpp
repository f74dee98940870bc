#include "qv_com.h"

#include <algorithm>
#include <vector>

namespace qvcfg {

namespace {

struct Device {
    int code;
    int model;
    bool trend;
};

constexpr Device kDevices[] = {
    {10, 0, false}, {11, 2, false}, {20, 1, true},  {21, 3, true},   {40, 9, true},
    {41, 11, true}, {120, 4, true}, {170, 5, true}, {180, 7, true}, {220, 6, true},
};

const Device* FindDevice(int code)
{
    for (const auto& d : kDevices)
        if (d.code == code) return &d;
    return nullptr;
}

const std::uint8_t kConfig[] = {'C', 'O', 'N', 'F', 'I', 'G'};
const std::uint8_t kTrend[] = {'T', 'R', 'E', 'N', 'D'};

// Closes the port when an operation ends, whatever its outcome.
struct PortGuard {
    CTransfer& t;
    ~PortGuard() { t.Close(); }
};

}  // namespace

int DeviceCodeToModel(int deviceCode)
{
    const Device* d = FindDevice(deviceCode);
    return d ? d->model : 0;
}

QVCom::QVCom(std::unique_ptr<CTransfer> transfer)
    : transfer_(transfer ? std::move(transfer) : std::make_unique<CTransfer>())
{
}

QVCom::~QVCom() = default;

bool QVCom::Status(std::uint8_t (&status)[16])
{
    std::size_t got = 0;
    if (!transfer_->Request('S', nullptr, 0, 's', status, sizeof status, got)) return false;
    return got >= 3;
}

int QVCom::UploadConfig(Bytes& image)
{
    if (!transfer_->Open(port_, baud_)) return -1;
    PortGuard guard{*transfer_};
    std::vector<std::uint8_t> buffer(8192);
    std::size_t got = 0;
    if (!transfer_->Request('G', kConfig, sizeof kConfig, 'g', buffer.data(), buffer.size(), got)) return -2;
    image.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    return 0;
}

int QVCom::DownloadConfig(const Bytes& image, int, int byteCount, int* deviceError)
{
    if (!transfer_->Open(port_, baud_)) return -1;
    PortGuard guard{*transfer_};
    std::uint8_t status[16] = {};
    if (!Status(status)) return -2;
    if (!FindDevice(status[0])) return -2;
    const std::size_t count = std::min(image.size(), static_cast<std::size_t>(std::max(byteCount, 0)));
    if (!transfer_->Send('P', kConfig, sizeof kConfig, 'p', image.data(), count)) return -2;
    std::uint8_t after[16] = {};
    if (!Status(after)) return -2;
    if (after[2] != 0) {
        if (deviceError) *deviceError = after[2];
        return -4;
    }
    return 0;
}

int QVCom::UploadTrend(Bytes& image, int& model)
{
    if (!transfer_->Open(port_, baud_)) return -1;
    PortGuard guard{*transfer_};
    std::uint8_t status[16] = {};
    if (!Status(status)) return -2;
    const Device* d = FindDevice(status[0]);
    if (!d || !d->trend) return -5;
    model = d->model;
    std::vector<std::uint8_t> buffer(102400);
    std::size_t got = 0;
    if (!transfer_->Request('G', kTrend, sizeof kTrend, 'g', buffer.data(), buffer.size(), got)) return -2;
    image.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    return 0;
}

}  // namespace qvcfg
