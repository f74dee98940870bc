#include "qvcfg_sim.h"

#include "pty_pair.h"

#include "config_data.h"  // the default body of the configuration image

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qvcfgsim {

namespace {

constexpr std::uint8_t kStx = 0x02, kEtx = 0x03, kEot = 0x04, kEnq = 0x05, kAck = 0x06, kNak = 0x15, kEtb = 0x17;
constexpr std::size_t kMaxData = 1024;
const std::string kNoise = "\x7f#\x01?";

struct ModelEntry {
    const char* name;
    int deviceCode;
    int headerCode;
    int major, minor;
};

constexpr ModelEntry kModels[] = {
    {"QV100", 10, 100, 3, 2},    {"QV110", 11, 110, 3, 2},    {"QV200", 20, 200, 3, 2},
    {"QV210", 21, 210, 3, 2},    {"QV200W", 40, 6200, 3, 2},  {"QV210W", 41, 6210, 3, 2},
    {"QV200B", 120, 1200, 2, 2}, {"QV200C", 170, 2200, 2, 2}, {"QV200E", 180, 4200, 2, 3},
    {"QV200D", 220, 3200, 3, 2},
};

const ModelEntry* FindModel(const std::string& name)
{
    for (const auto& m : kModels)
        if (name == m.name) return &m;
    return nullptr;
}

struct FaultNameEntry {
    Fault fault;
    const char* name;
};
constexpr FaultNameEntry kFaultNames[] = {
    {Fault::Nak, "nak"},
    {Fault::BadCrc, "bad-crc"},
    {Fault::NoReply, "no-reply"},
    {Fault::Slow, "slow"},
    {Fault::Noise, "noise"},
    {Fault::BadComplement, "bad-complement"},
    {Fault::Oversize, "oversize"},
    {Fault::WrongNumber, "wrong-number"},
    {Fault::WrongType, "wrong-type"},
    {Fault::NoEot, "no-eot"},
    {Fault::ShortStatus, "short-status"},
};

std::uint16_t Crc16(const std::uint8_t* p, std::size_t n)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= static_cast<std::uint16_t>(p[i] << 8);
        for (int b = 0; b < 8; ++b) crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

void Put16(Bytes& b, std::size_t off, int v)
{
    b[off] = static_cast<std::uint8_t>(v >> 8);
    b[off + 1] = static_cast<std::uint8_t>(v);
}

int Get16(const Bytes& b, std::size_t off) { return off + 2 <= b.size() ? (b[off] << 8 | b[off + 1]) : 0; }

int RateOf(speed_t s)
{
    switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

}  // namespace

const char* FaultName(Fault f)
{
    for (const auto& e : kFaultNames)
        if (e.fault == f) return e.name;
    return "?";
}

bool ParseFault(const std::string& name, Fault& out)
{
    for (const auto& e : kFaultNames) {
        if (name == e.name) {
            out = e.fault;
            return true;
        }
    }
    return false;
}

int DeviceCodeOf(const std::string& model)
{
    const ModelEntry* m = FindModel(model);
    return m ? m->deviceCode : -1;
}

Bytes InitialConfig(const std::string& model)
{
    const ModelEntry* m = FindModel(model);
    if (!m) return {};
    Bytes b = qvcfg::data::DefaultBody();
    qvcfg::PutU32(b, 0, qvcfg::kImageMagic);
    Put16(b, 4, 32);
    Put16(b, 6, m->headerCode);
    Put16(b, 8, m->major);
    Put16(b, 10, m->minor);
    Put16(b, 12, 2);   // LCD version 2.3
    Put16(b, 14, 30);
    // The controller's own network settings, unlike the defaults.
    b[122] = 7;
    Put16(b, 124, 1);
    const std::uint8_t address[] = {10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 0, 254};
    std::copy(std::begin(address), std::end(address), b.begin() + 132);
    Put16(b, 146, 60);
    b.resize(static_cast<std::size_t>(qvcfg::ImageSizeOf(m->major, m->minor)));
    return b;
}

Bytes SampleTrend(int samples, int newest)
{
    Bytes b(13034, 0);
    Put16(b, 212, 10);
    Put16(b, 214, newest);
    Put16(b, 216, samples);
    const int types[2][4] = {{1, 3, 5, 7}, {2, 4, 6, 0}};
    const char* units[4] = {"degC", "%", "%", "m3/h"};
    for (int loop = 0; loop < 2; ++loop) {
        const std::size_t rec = 12 + 100 * static_cast<std::size_t>(loop);
        const std::size_t blk = 218 + 3208 * static_cast<std::size_t>(loop);
        for (int c = 0; c < 4; ++c) {
            const std::size_t cc = static_cast<std::size_t>(c);
            std::memcpy(&b[rec + 9 * cc], units[c], std::strlen(units[c]));
            b[rec + 36 + cc] = 1;
            const std::string tag = "FIC-" + std::to_string(100 * (loop + 1) + c);
            std::memcpy(&b[rec + 40 + 11 * cc], tag.data(), tag.size());
            Put16(b, rec + 84 + 4 * cc, 0);
            Put16(b, rec + 86 + 4 * cc, 1000);
            Put16(b, blk + 2 * cc, types[loop][c]);
            for (int k = 0; k < 400; ++k)
                Put16(b, blk + 8 + 800 * cc + 2 * static_cast<std::size_t>(k),
                      static_cast<int>(5000 + 4000 * std::sin((k + 25 * c + 50 * loop) / 40.0)));
        }
    }
    // Stamps: the oldest sample at 2026-12-10 08:00:00, one every 10 s.
    const int count = std::clamp(samples, 0, 400);
    const int oldest = count == 0 ? 0 : ((newest - count + 1) % 400 + 400) % 400;
    for (int i = 0; i < 400; ++i) {
        const int k = (oldest + i) % 400;
        const int t = 8 * 3600 + 10 * i;
        const std::size_t o = 6634 + 16 * static_cast<std::size_t>(k);
        Put16(b, o, 2026);
        Put16(b, o + 2, 12);
        Put16(b, o + 6, 10);
        Put16(b, o + 8, t / 3600);
        Put16(b, o + 10, t / 60 % 60);
        Put16(b, o + 12, t % 60);
    }
    return b;
}

Server::Server(SimSettings settings) : settings_(std::move(settings))
{
    config_ = InitialConfig(settings_.model);
    trend_ = SampleTrend(settings_.trendSamples, settings_.trendNewest);
}

Server::~Server() { Stop(); }

bool Server::Start(std::string& error)
{
    auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        Stop();
        return false;
    };
    if (config_.empty()) {
        error = "unknown model " + settings_.model;
        return false;
    }
    const char* what = nullptr;
    if (!simpty::OpenPtyPair(B57600, master_, slave_, path_, what)) return fail(what);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) return fail("eventfd");
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void Server::Stop()
{
    stop_ = true;
    if (wake_ >= 0) {
        std::uint64_t one = 1;
        (void)!::write(wake_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&master_, &slave_, &wake_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void Server::InjectFault(Fault f, int count)
{
    std::lock_guard lock(mutex_);
    faults_[f] = count;
}

bool Server::Take(Fault f)
{
    std::lock_guard lock(mutex_);
    auto it = faults_.find(f);
    if (it == faults_.end() || it->second == 0) return false;
    if (it->second > 0) --it->second;
    Log(std::string("fault ") + FaultName(f));
    return true;
}

Bytes Server::Config() const
{
    std::lock_guard lock(mutex_);
    return config_;
}

void Server::SetConfig(Bytes image)
{
    std::lock_guard lock(mutex_);
    config_ = std::move(image);
}

Bytes Server::Trend() const
{
    std::lock_guard lock(mutex_);
    return trend_;
}

void Server::SetTrend(Bytes image)
{
    std::lock_guard lock(mutex_);
    trend_ = std::move(image);
}

int Server::Downloads() const
{
    std::lock_guard lock(mutex_);
    return downloads_;
}

int Server::StatusError() const
{
    std::lock_guard lock(mutex_);
    return statusError_;
}

void Server::Log(const std::string& text) const
{
    if (!settings_.verbose) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch()).count() % 100000;
    std::fprintf(stderr, "qvcfgsim %05lld: %s\n", static_cast<long long>(ms), text.c_str());
}

std::chrono::microseconds Server::ByteTime() const
{
    termios tio{};
    int rate = 0;
    if (slave_ >= 0 && ::tcgetattr(slave_, &tio) == 0) rate = RateOf(::cfgetospeed(&tio));
    if (!settings_.pace || rate == 0) return std::chrono::microseconds(0);
    return std::chrono::microseconds(10'000'000 / rate);
}

void Server::Sleep(std::chrono::microseconds d)
{
    if (d.count() <= 0) return;
    pollfd p{wake_, POLLIN, 0};
    timespec ts{static_cast<time_t>(d.count() / 1'000'000), static_cast<long>(d.count() % 1'000'000) * 1000};
    ::ppoll(&p, 1, &ts, nullptr);
}

// Waits until the bytes received so far would have arrived at the line rate.
void Server::WaitLine()
{
    const auto now = std::chrono::steady_clock::now();
    if (lineFree_ > now) Sleep(std::chrono::duration_cast<std::chrono::microseconds>(lineFree_ - now));
}

int Server::ReadByte(std::chrono::milliseconds timeout)
{
    if (pushback_ >= 0) {
        const int b = pushback_;
        pushback_ = -1;
        return b;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!stop_) {
        std::uint8_t b = 0;
        const ssize_t n = ::read(master_, &b, 1);
        if (n == 1) {
            ++bytesIn_;
            const auto now = std::chrono::steady_clock::now();
            lineFree_ = std::max(lineFree_, now) + ByteTime();
            return b;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -1;
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        ::poll(fds, 2, static_cast<int>(std::min<long>(left.count(), 200)));
    }
    return -1;
}

bool Server::ReadExact(std::uint8_t* dst, std::size_t n, std::chrono::milliseconds timeout)
{
    for (std::size_t i = 0; i < n; ++i) {
        const int b = ReadByte(timeout);
        if (b < 0) return false;
        dst[i] = static_cast<std::uint8_t>(b);
    }
    return true;
}

Server::Got Server::ReadBlockAfterStx(Block& out)
{
    std::uint8_t raw[kMaxData + 9];
    raw[0] = kStx;
    const auto t = std::chrono::milliseconds(1000);
    if (!ReadExact(raw + 1, 5, t)) return Got::Timeout;
    const std::size_t length = static_cast<std::size_t>(raw[4] << 8 | raw[5]);
    if (raw[2] != static_cast<std::uint8_t>(raw[1] ^ 0xFF) || length > kMaxData) return Got::Bad;
    if (!ReadExact(raw + 6, length + 3, t)) return Got::Timeout;
    const std::uint8_t end = raw[6 + length];
    const int crc = raw[7 + length] << 8 | raw[8 + length];
    if ((end != kEtx && end != kEtb) || crc != Crc16(raw, length + 7)) return Got::Bad;
    out.number = raw[1];
    out.type = raw[3];
    out.end = end;
    out.data.assign(raw + 6, raw + 6 + length);
    return Got::Ok;
}

void Server::Drain()
{
    while (ReadByte(std::chrono::milliseconds(50)) >= 0) {
    }
}

bool Server::Write(const std::uint8_t* p, std::size_t n)
{
    WaitLine();
    const auto byteTime = ByteTime();
    std::size_t done = 0;
    while (done < n && !stop_) {
        // At the line rate: a few bytes at a time.
        const std::size_t chunk = byteTime.count() ? std::min<std::size_t>(32, n - done) : n - done;
        const ssize_t w = ::write(master_, p + done, chunk);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            bytesOut_ += static_cast<std::uint64_t>(w);
            Sleep(byteTime * w);
        } else if (w < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{master_, POLLOUT, 0}, {wake_, POLLIN, 0}};
            ::poll(fds, 2, 100);
        } else if (!(w < 0 && errno == EINTR)) {
            return false;
        }
    }
    return done == n;
}

bool Server::WriteByte(std::uint8_t b) { return Write(&b, 1); }

bool Server::Answer(std::uint8_t b)
{
    if (Take(Fault::Slow)) Sleep(settings_.slowDelay);
    return WriteByte(b);
}

bool Server::WaitEnq()
{
    for (;;) {
        const int b = ReadByte(settings_.replyTimeout);
        if (b < 0) return false;
        if (b == kEnq) return true;
        if (b == kStx) {  // the host gave up and starts again
            pushback_ = b;
            return false;
        }
    }
}

bool Server::Respond(std::uint8_t type, const Bytes& payload)
{
    const std::size_t blocks = std::max<std::size_t>(1, (payload.size() + kMaxData - 1) / kMaxData);
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::size_t off = i * kMaxData;
        const std::size_t length = std::min(kMaxData, payload.size() - std::min(off, payload.size()));
        const bool last = i + 1 == blocks;
        bool acked = false;
        for (int attempt = 0; attempt < 5 && !acked && !stop_; ++attempt) {
            Bytes blk(length + 9);
            blk[0] = kStx;
            blk[1] = static_cast<std::uint8_t>(i);
            blk[3] = type;
            Put16(blk, 4, static_cast<int>(length));
            std::copy_n(payload.begin() + static_cast<std::ptrdiff_t>(off), length, blk.begin() + 6);
            blk[6 + length] = last ? kEtb : kEtx;
            if (Take(Fault::WrongNumber)) blk[1] = static_cast<std::uint8_t>(i + 7);
            blk[2] = static_cast<std::uint8_t>(blk[1] ^ 0xFF);
            if (Take(Fault::BadComplement)) blk[2] ^= 0x01;
            if (Take(Fault::Oversize)) Put16(blk, 4, 1025);
            if (Take(Fault::WrongType)) blk[3] = 'x';
            Put16(blk, 7 + length, Crc16(blk.data(), length + 7));
            if (Take(Fault::BadCrc)) blk[8 + length] ^= 0x5A;
            if (Take(Fault::Slow)) Sleep(settings_.slowDelay);
            if (Take(Fault::Noise)) Write(reinterpret_cast<const std::uint8_t*>(kNoise.data()), kNoise.size());
            if (!Write(blk.data(), blk.size())) return false;
            for (;;) {
                const int r = ReadByte(settings_.replyTimeout);
                if (r == kAck) {
                    acked = true;
                } else if (r == kStx) {  // the host gave up on this response
                    pushback_ = r;
                    return false;
                } else if (r != kNak && r >= 0) {
                    continue;  // a stray byte: keep waiting for the answer
                }
                break;  // NAK or silence: send the block again
            }
        }
        if (!acked) return false;
    }
    const int end = ReadByte(settings_.replyTimeout);
    if (end == kStx) pushback_ = end;  // the host went on without its EOT reaching us
    return end == kEot;
}

bool Server::ReceiveData(std::uint8_t type, Bytes& out)
{
    std::uint8_t expected = 1;
    for (int failures = 0; failures < 10 && !stop_;) {
        const int b = ReadByte(settings_.replyTimeout);
        if (b < 0) return false;
        if (b != kStx) continue;
        Block blk;
        const Got got = ReadBlockAfterStx(blk);
        if (got != Got::Ok) {
            ++failures;
            Drain();
            if (got == Got::Bad) Answer(kNak);
            continue;
        }
        if (Take(Fault::NoReply)) continue;
        if (Take(Fault::Nak)) {
            Answer(kNak);
            continue;
        }
        if (blk.number == static_cast<std::uint8_t>(expected - 1) && blk.type == type) {
            Answer(kAck);  // our ACK was lost: the block came again
            continue;
        }
        if (blk.number != expected || blk.type != type) {
            ++failures;
            Answer(kNak);
            continue;
        }
        out.insert(out.end(), blk.data.begin(), blk.data.end());
        Answer(kAck);
        ++expected;
        if (blk.end == kEtb) {
            if (!Take(Fault::NoEot)) WriteByte(kEot);
            return true;
        }
    }
    return false;
}

void Server::Accept(const Bytes& image)
{
    int error = 0;
    const int major = Get16(image, 8), minor = Get16(image, 10);
    std::lock_guard lock(mutex_);
    if (image.size() < 32 || !(image[0] == 0x49 && image[1] == 0x96 && image[2] == 0x02 && image[3] == 0xD2))
        error = 1;
    else if (Get16(image, 6) != Get16(config_, 6))
        error = 2;
    else if (image.size() != static_cast<std::size_t>(qvcfg::ImageSizeOf(major, minor)))
        error = 3;
    else
        error = settings_.deviceError;
    statusError_ = error;
    if (error == 0) {
        config_ = image;
        ++downloads_;
    }
    Log("download of " + std::to_string(image.size()) + " bytes, error " + std::to_string(error));
}

void Server::HandleCommand(const Block& cmd)
{
    const std::string data(cmd.data.begin(), cmd.data.end());
    Log(std::string("command ") + static_cast<char>(cmd.type) + " " + data);
    if (cmd.end == kEtb) {  // a command that is the whole message
        Answer(kAck);
        if (!Take(Fault::NoEot)) WriteByte(kEot);
        return;
    }
    Answer(kAck);
    if (cmd.type == 'P' && data == "CONFIG") {
        Bytes image;
        if (ReceiveData('p', image)) Accept(image);
        return;
    }
    if (!WaitEnq()) return;
    if (cmd.type == 'S') {
        Bytes status(16, 0);
        {
            std::lock_guard lock(mutex_);
            status[0] = static_cast<std::uint8_t>(settings_.deviceCode >= 0 ? settings_.deviceCode
                                                                              : DeviceCodeOf(settings_.model));
            status[2] = static_cast<std::uint8_t>(statusError_);
        }
        if (Take(Fault::ShortStatus)) status.resize(2);
        Respond('s', status);
    } else if (cmd.type == 'G' && data == "CONFIG") {
        Respond('g', Config());
    } else if (cmd.type == 'G' && data == "TREND") {
        Respond('g', Trend());
    } else {
        Respond('*', {});
    }
}

void Server::Run()
{
    while (!stop_) {
        const int b = ReadByte(std::chrono::milliseconds(500));
        if (b != kStx) continue;
        Block cmd;
        const Got got = ReadBlockAfterStx(cmd);
        if (got != Got::Ok) {
            Drain();
            if (got == Got::Bad) Answer(kNak);
            continue;
        }
        if (Take(Fault::NoReply)) continue;
        if (Take(Fault::Nak)) {
            Answer(kNak);
            continue;
        }
        if (cmd.number != 0) {
            Answer(kNak);
            continue;
        }
        HandleCommand(cmd);
    }
}

}  // namespace qvcfgsim
