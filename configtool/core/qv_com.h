// Controller commands: read the configuration image, write one, read the short-trend
// memory. Each operation opens the port, runs its exchanges and closes it again.
#pragma once

#include "bytes.h"
#include "transfer.h"

#include <memory>
#include <string>

namespace qvcfg {

inline constexpr int kBaudRate = 57600;

// Model index of a device code of the status answer; 0 for unknown codes.
int DeviceCodeToModel(int deviceCode);

class QVCom {
public:
    explicit QVCom(std::unique_ptr<CTransfer> transfer = nullptr);
    virtual ~QVCom();
    QVCom(const QVCom&) = delete;
    QVCom& operator=(const QVCom&) = delete;

    // 0, -1 the port could not be opened, -2 the exchange failed.
    virtual int UploadConfig(Bytes& image);
    // 0, -1, -2 (also for a device code outside the table), or -4 when the controller
    // reports an error for the configuration it received (its code in deviceError).
    virtual int DownloadConfig(const Bytes& image, int model, int byteCount, int* deviceError = nullptr);
    // 0, -1, -2, or -5 when the controller keeps no short trend.
    virtual int UploadTrend(Bytes& image, int& model);

    void SetPort(const std::string& device) { port_ = device; }
    const std::string& Port() const { return port_; }
    int BaudRate() const { return baud_; }
    CTransfer& Transfer() { return *transfer_; }

private:
    // The status answer: false when the exchange fails or the answer is shorter than 3 bytes.
    bool Status(std::uint8_t (&status)[16]);

    std::string port_;
    int baud_ = kBaudRate;
    std::unique_ptr<CTransfer> transfer_;
};

}  // namespace qvcfg
