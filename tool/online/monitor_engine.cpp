#include "monitor_engine.h"

#include "serial_frame.h"
#include "serial_link.h"
#include "vuken.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kravin::online {

namespace {

constexpr int kGroupReplyLength = 4;   // "COK" CR
constexpr int kValueReplyLength = 21;  // "D" value CR
constexpr int kFirstLadderItem = 3;
constexpr int kSecondLadderItem = 6;

// The model name without its blank or NUL padding.
std::string_view ModelName(const std::string& model)
{
    std::string_view m(model);
    const auto end = m.find_last_not_of(std::string_view(" \0", 2));
    return end == std::string_view::npos ? std::string_view() : m.substr(0, end + 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsCok(const char* reply, int length) { return length == kGroupReplyLength && std::memcmp(reply, "COK", 3) == 0; }

bool IsValueReply(const char* reply, int length) { return length > 0 && reply[0] == 'D'; }

std::string TwoDigits(char prefix, int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%c%02d\r", prefix, std::clamp(n, 0, 99));
    return text;
}

std::string WithoutDots(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '.') out.push_back(c);
    return out;
}

std::int16_t ToInt16(int v)
{
    return static_cast<std::int16_t>(
        std::clamp(v, static_cast<int>(std::numeric_limits<std::int16_t>::min()),
                   static_cast<int>(std::numeric_limits<std::int16_t>::max())));
}

// Serial value reply (D, optional tag and colon, value) with its dots removed, as a number.
int SerialReplyValue(const std::string& reply)
{
    const std::string digits = WithoutDots(reply);
    return ParseReplyNumber(digits.data(), static_cast<int>(digits.size()));
}

}  // namespace

int LeadingInteger(std::string_view text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p == end || *p < '0' || *p > '9') return 0;
    long long value = 0;
    auto [next, ec] = std::from_chars(p, end, value);
    (void)next;
    if (ec == std::errc::result_out_of_range || value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

int ParseMonitorValue(std::string_view text) { return LeadingInteger(WithoutDots(text)); }

RegistryDestination ResolveRegistryRow(const MonitorTargetRow& row, bool projectOpen, const MonitorUnitInfo& target)
{
    RegistryDestination d;
    if (projectOpen && row.ggnn != -1 && row.resolvedItem != -1) {
        d.group = row.ggnn / 100;
        d.item = row.resolvedItem;
    } else {
        if (row.ggii < 0) {
            d.messageId = kMsgNoDestination;
            return d;
        }
        d.group = row.ggii / 100;
        d.item = row.ggii % 100;
    }
    if (d.group > kMaxRegistryGroup) {
        d.messageId = kMsgOutOfRange;
    } else if (projectOpen && (!target.exists || d.group < 0 || d.group >= kMonitorBlocks ||
                               !target.blocks.test(static_cast<std::size_t>(d.group)))) {
        d.messageId = kMsgNoDestination;
    } else if (d.group < 0 || d.item < 0 || d.item > 99) {
        d.messageId = kMsgNoDestination;
    }
    return d;
}

std::optional<std::string> UnitSelectValue(const MonitorUnitInfo& unit, bool registry)
{
    const std::string_view model = ModelName(unit.model);
    if (StartsWith(model, "KMQ")) return std::string("0");
    char digit[4];
    if (StartsWith(model, "V8RTU")) {
        std::snprintf(digit, sizeof digit, "%X", static_cast<unsigned>(unit.card) & 0xFu);
        return std::string(digit);
    }
    if (StartsWith(model, "QV200W") || StartsWith(model, "QV210W")) {
        const std::string_view text(unit.recordText.c_str());  // up to its first NUL
        if (registry) return std::string(text == "\x01" ? "1" : "0");
        const unsigned char first = unit.recordText.empty() ? 0 : static_cast<unsigned char>(unit.recordText[0]);
        std::snprintf(digit, sizeof digit, "%X", first);
        return std::string(1, digit[0]);
    }
    return std::nullopt;
}

OnlineState::OnlineState(std::shared_ptr<MonitorContext> context, std::shared_ptr<SerialLink> link)
    : context_(std::move(context)), link_(std::move(link))
{
    results_.analog = std::make_shared<const AnalogValues>(analog_);
    results_.comm = std::make_shared<const CommValues>(comm_);
    results_.registry = std::make_shared<const RegistryValues>(registry_);
    results_.ladder = std::make_shared<const LadderValues>(ladder_);
}

void OnlineState::SetNotices(MonitorNotices* notices)
{
    std::lock_guard lock(noticesMutex_);
    notices_ = notices;
}

template <class F>
void OnlineState::Notify(F&& f)
{
    std::lock_guard lock(noticesMutex_);
    if (notices_) f(*notices_);
}

void OnlineState::Wake()
{
    { std::lock_guard lock(waitMutex_); }
    wake_.notify_all();
}

void OnlineState::SetWaits(const Waits& waits)
{
    std::lock_guard lock(waitsMutex_);
    waits_ = waits;
}

bool OnlineState::Running() const { return MonitorActive.load() == 1 && MonitorThreadAlive.load() == 1; }

bool OnlineState::Pause(std::chrono::milliseconds d)
{
    if (d.count() <= 0) return Running();
    std::unique_lock lock(waitMutex_);
    wake_.wait_for(lock, d, [this] { return !Running(); });
    return Running();
}

void OnlineState::WaitAfterRun()
{
    std::chrono::milliseconds d;
    {
        std::lock_guard lock(waitsMutex_);
        d = waits_.afterRun;
    }
    std::unique_lock lock(waitMutex_);
    wake_.wait_for(lock, d, [this] { return MonitorThreadAlive.load() != 1 || MonitorActive.load() == 1; });
}

int OnlineState::StartMonitor(const MonitorStart& start)
{
    OnlineDestination = static_cast<int>(start.link);
    if (start.link == OnlineLink::Bus) {
        // A bus not ready yet is no failure: the cycles wait for it.
        kilnbus_cycle();
    } else if (!link_ || link_->OpenComPort(start.baudIndex, start.portName) != 0) {
        return -1;
    }
    MonitorActive = 1;
    OnlineLinkOpen = 1;
    LadderMonitorState = 1;
    Wake();
    return 0;
}

void OnlineState::StopMonitorThreadFlags()
{
    MonitorActive = 0;
    LadderMonitorState = 0;
    Wake();
}

void OnlineState::RequestWorkerStop()
{
    MonitorActive = 0;
    MonitorThreadAlive = 0;
    Wake();
}

void OnlineState::CloseLink()
{
    if (OnlineDestination.load() == static_cast<int>(OnlineLink::Bus))
        kilnbus_close();
    else if (link_)
        link_->CloseComPort();
}

void OnlineState::OnOnlineStop()
{
    if (MonitorActive.load() == 1) return;  // a new run uses the link
    if (OnlineDestination.load() == static_cast<int>(OnlineLink::Bus)) {
        kilnbus_close();
    } else if (link_ && link_->isOpen() && !(context_ && context_->Views().ht9Open)) {
        link_->CloseComPort();
    }
    OnlineLinkOpen = 0;
}

void OnlineState::MonitorThreadProc()
{
    while (MonitorThreadAlive.load() == 1) {
        while (Running()) {
            MonitorCycleRan = 1;
            std::chrono::milliseconds cycle;
            {
                std::lock_guard lock(waitsMutex_);
                cycle = Fast() ? waits_.cycleFast : waits_.cycleSlow;
            }
            if (!Pause(cycle)) break;
            if (OnlineDestination.load() == static_cast<int>(OnlineLink::Bus)) {
                BusMonitorCycle();
            } else if (SerialMonitorCycle() == -1) {
                MonitorActive = 0;
                Notify([](MonitorNotices& n) { n.CommunicationError(kMsgPuCommError); });
            }
        }
        if (MonitorThreadAlive.load() != 1) break;
        WaitAfterRun();
        // The run has ended: tell the shell once, unless a new run has begun meanwhile.
        if (MonitorCycleRan.load() == 1 && MonitorThreadAlive.load() == 1 && MonitorActive.load() != 1) {
            MonitorCycleRan = 0;
            Notify([](MonitorNotices& n) { n.OnlineStop(); });
        }
    }
    if (OnlineLinkOpen.load() == 1) {
        CloseLink();
        OnlineLinkOpen = 0;
    }
    MonitorCycleRan = 0;
}

// ---------------------------------------------------------------- serial

int OnlineState::Exchange(std::string_view command, char* reply, int maxLength, const MonitorUnitInfo* framedFor)
{
    if (!link_ || !Running()) return -1;
    std::chrono::milliseconds wait;
    {
        std::lock_guard lock(waitsMutex_);
        wait = Fast() ? waits_.afterCommandFast : waits_.afterCommandSlow;
    }
    std::memset(reply, 0, static_cast<std::size_t>(maxLength));
    if (!framedFor) {
        if (!link_->ComWrite(command.data(), static_cast<int>(command.size()))) return -1;
        if (!Pause(wait)) return -1;
        return link_->ComReadLine(reply, maxLength);
    }
    const std::string address = FrameAddress(framedFor->unitId);
    const std::string frame = BuildFrame(address, command);
    if (frame.empty() || !link_->ComWrite(frame.data(), static_cast<int>(frame.size()))) return -1;
    if (!Pause(wait)) return -1;
    char line[kMaxFrameLength] = {};
    const int maxLine = std::min(maxLength + static_cast<int>(kFrameOverhead), static_cast<int>(kMaxFrameLength));
    const int n = link_->ComReadLine(line, maxLine);
    if (n < 0) return -1;
    const ParsedFrame parsed = ParseFrame({line, static_cast<std::size_t>(n)}, address, address);
    if (parsed.status != FrameStatus::Ok) return 0;
    const std::string text = parsed.text + kCr;
    std::memcpy(reply, text.data(), std::min(text.size(), static_cast<std::size_t>(maxLength)));
    return static_cast<int>(text.size());
}

bool OnlineState::SelectUnit(const MonitorUnitInfo& unit, bool registry)
{
    const std::optional<std::string> value = UnitSelectValue(unit, registry);
    if (!value) return true;
    char reply[kValueReplyLength + 1];
    if (!IsCok(reply, Exchange("G00\r", reply, kGroupReplyLength, nullptr))) return false;
    if (!IsValueReply(reply, Exchange("I00\r", reply, kValueReplyLength, nullptr))) return false;
    const std::string write = "D" + *value + "\r";
    return IsValueReply(reply, Exchange(write, reply, kValueReplyLength, nullptr));
}

OnlineState::ReadStatus OnlineState::SerialSelectGroup(int group, const MonitorUnitInfo& unit)
{
    char reply[kGroupReplyLength + 1];
    const int n = Exchange(TwoDigits('G', group), reply, kGroupReplyLength, unit.irCard ? &unit : nullptr);
    if (n < 0) return ReadStatus::Failed;
    return IsCok(reply, n) ? ReadStatus::Value : ReadStatus::Skipped;
}

OnlineState::ReadStatus OnlineState::SerialReadSelected(int item, const MonitorUnitInfo& unit, std::string& reply)
{
    char buffer[kValueReplyLength + 1];
    const int n = Exchange(TwoDigits('I', item), buffer, kValueReplyLength, unit.irCard ? &unit : nullptr);
    if (n < 0) return ReadStatus::Failed;
    if (!IsValueReply(buffer, n)) return ReadStatus::NotValue;
    reply.assign(buffer, static_cast<std::size_t>(n));
    std::chrono::milliseconds wait;
    {
        std::lock_guard lock(waitsMutex_);
        wait = Fast() ? waits_.afterValueFast : waits_.afterValueSlow;
    }
    Pause(wait);
    return ReadStatus::Value;
}

OnlineState::ReadStatus OnlineState::SerialReadItem(int group, int item, const MonitorUnitInfo& unit, std::string& reply)
{
    const ReadStatus g = SerialSelectGroup(group, unit);
    if (g != ReadStatus::Value) return g == ReadStatus::Failed ? ReadStatus::Failed : ReadStatus::Skipped;
    return SerialReadSelected(item, unit, reply);
}

int OnlineState::SerialAnalogSection(const AnalogMonitorPlan& plan, const MonitorUnitInfo& unit)
{
    if (!SelectUnit(unit, false)) return Running() ? -1 : 0;
    AdoptAnalogPlan(plan);
    const int first = StartsWith(ModelName(unit.model), "V8RTU") ? 0 : 1;
    std::string reply;
    for (int block = first; block < kMonitorBlocks; ++block) {
        const AnalogMonitorPlan::Row& row = plan.rows[static_cast<std::size_t>(block)];
        if (row.blockFlag == kNotMonitored) continue;
        if (!Running()) return 0;
        const ReadStatus g = SerialSelectGroup(block, unit);
        if (g == ReadStatus::Failed) return Running() ? -1 : 0;
        if (g != ReadStatus::Value) continue;
        for (int item = 0; item < kMonitorItems; ++item) {
            if (row.itemFlags[static_cast<std::size_t>(item)] == kNotMonitored) continue;
            const int redirect = row.redirect[static_cast<std::size_t>(item)];
            const ReadStatus s = redirect < 0 ? SerialReadSelected(item, unit, reply)
                                              : SerialReadItem(redirect / 100, redirect % 100, unit, reply);
            if (s == ReadStatus::Failed) return Running() ? -1 : 0;
            if (s == ReadStatus::Value) {
                analog_.values[static_cast<std::size_t>(block)][static_cast<std::size_t>(item)] = SerialReplyValue(reply);
                analog_.held[static_cast<std::size_t>(block)][static_cast<std::size_t>(item)] = true;
            }
            if (redirect >= 0) {
                // back to the block's group
                const ReadStatus back = SerialSelectGroup(block, unit);
                if (back == ReadStatus::Failed) return Running() ? -1 : 0;
                if (back != ReadStatus::Value) break;
            }
        }
    }
    PublishAnalog();
    Notify([](MonitorNotices& n) { n.AnatanRedraw(); });
    return 0;
}

template <class Read>
int OnlineState::WalkRegistryRows(const MonitorTargets& targets, const MonitorUnitInfo& unit, bool projectOpen,
                                  Read&& read)
{
    for (int r = 0; r < kMonitorRows; ++r) {
        const MonitorTargetRow& row = targets.rows[static_cast<std::size_t>(r)];
        if (!row.monitored()) continue;
        const RegistryDestination d = ResolveRegistryRow(row, projectOpen, unit);
        if (d.messageId != 0) {
            SetRowMessage(r, d.messageId);
            continue;
        }
        if (read(r, d) < 0) return -1;
    }
    return 0;
}

int OnlineState::SerialRegistrySection(bool projectOpen)
{
    const MonitorTargets targets = Targets();
    const MonitorUnitInfo unit = context_->UnitAt(targets.station, targets.card);
    if (!SelectUnit(unit, true)) return Running() ? -1 : 0;
    std::string reply;
    const int result = WalkRegistryRows(targets, unit, projectOpen, [&](int r, const RegistryDestination& d) {
        if (!Running()) return -1;
        const ReadStatus s = SerialReadItem(d.group, d.item, unit, reply);
        if (s == ReadStatus::Failed) return -1;
        if (s == ReadStatus::NotValue) SetRowMessage(r, kMsgNoDestination);
        if (s == ReadStatus::Value) {
            char field[kRowTextSize];
            StoreReplyField(reply.data(), static_cast<int>(reply.size()), field, sizeof field);
            registry_.rows[static_cast<std::size_t>(r)] = {0, field};
        }
        return 0;
    });
    return result < 0 && Running() ? -1 : 0;
}

bool OnlineState::PrepareLadder()
{
    int started = 1;
    if (LadderMonitorState.compare_exchange_strong(started, 2)) {
        ladderPlan_ = context_->StartUnitMonitor();
        // Published at once: the values of an earlier ladder don't stand for this one's.
        ladder_ = LadderValues();
        PublishLadder();
    }
    return LadderMonitorState.load() == 2;
}

int OnlineState::SerialLadderSection()
{
    if (PrepareLadder() && ladderPlan_.valid) {
        const MonitorUnitInfo& unit = ladderPlan_.unit;
        if (!SelectUnit(unit, false)) return Running() ? -1 : 0;
        if (SerialSelectGroup(ladderPlan_.group, unit) != ReadStatus::Value) return Running() ? -1 : 0;
        std::string reply;
        for (int item : {kFirstLadderItem, kSecondLadderItem}) {
            const ReadStatus s = SerialReadSelected(item, unit, reply);
            if (s == ReadStatus::Failed) return Running() ? -1 : 0;
            const std::int16_t v = s == ReadStatus::Value ? ToInt16(ParseReplyNumber(reply.data(), static_cast<int>(reply.size()))) : -1;
            (item == kFirstLadderItem ? ladder_.item3 : ladder_.item6) = v;
        }
        auto readAddress = [&](std::int16_t address, std::int16_t& value) {
            if (address < 0) return 0;
            const ReadStatus s = SerialReadItem(address / 100, address % 100, unit, reply);
            if (s == ReadStatus::Failed) return -1;
            if (s == ReadStatus::Value) value = ToInt16(ParseReplyNumber(reply.data(), static_cast<int>(reply.size())));
            return 0;
        };
        for (int r = 0; r < kLadderRows; ++r) {
            for (int c = 0; c < kLadderCells; ++c) {
                const auto rr = static_cast<std::size_t>(r), cc = static_cast<std::size_t>(c);
                if (readAddress(ladderPlan_.contacts[rr][cc], ladder_.contacts[rr][cc]) < 0) return Running() ? -1 : 0;
            }
            const auto rr = static_cast<std::size_t>(r);
            if (readAddress(ladderPlan_.coils[rr], ladder_.coils[rr]) < 0) return Running() ? -1 : 0;
        }
    }
    PublishLadder();
    Notify([](MonitorNotices& n) { n.LadderRedraw(); });
    return 0;
}

int OnlineState::SerialMonitorCycle()
{
    if (!context_) return -1;
    const MonitorViews views = context_->Views();
    if (views.analogOpen) {
        if (auto plan = context_->AnalogPlan()) {
            if (SerialAnalogSection(*plan, context_->CurrentUnit()) < 0) return -1;
        }
    }
    if (RegMonitorOn.load() == 1 && Running()) {
        if (SerialRegistrySection(context_->ProjectOpen()) < 0) return -1;
        PublishRegistry(views.framesClosing);
    }
    if (views.ladderOpen && Running()) {
        if (SerialLadderSection() < 0) return -1;
    }
    return 0;
}

// ---------------------------------------------------------------- bus

std::optional<std::string> OnlineState::BusRead(int address, int group, int item)
{
    BusItemRequest request{group, item, nullptr};
    char* reply = nullptr;
    const int result = rw_dcs_items(VUKEN_OP_MONITOR_READ, address, &request, &reply);
    if (result != 0 || !reply || !*reply) return std::nullopt;
    return std::string(reply);
}

void OnlineState::BusCommSection(const CommMonitorPlan& plan)
{
    for (int station = 0; station < kMonitorStations; ++station) {
        for (int slot = 1; slot <= 16; ++slot) {
            const auto& s = plan.slots[static_cast<std::size_t>(station)][static_cast<std::size_t>(slot)];
            if (!s.used) continue;
            auto& out = comm_.slots[static_cast<std::size_t>(station)][static_cast<std::size_t>(slot)];
            for (int t = 0; t < kMonitorTerminals; ++t) {
                auto& value = out[static_cast<std::size_t>(t)];
                const int kind = s.kinds[static_cast<std::size_t>(t)];
                if (kind == 1 || kind == 2) {
                    const unsigned v = get_dx_cycdata(PackMonitorAddress(station, slot - 1, t, 0), 32);
                    value.first = static_cast<std::int16_t>(v & 0xFFFFu);
                    value.second = static_cast<std::int16_t>(v >> 16);
                    value.held = true;
                } else if (kind == 3 || kind == 4) {
                    value.first = get_ax_cycdata(PackMonitorAddress(station, slot - 1, t, 0));
                    value.second = get_ax_cycdata(PackMonitorAddress(station, slot - 1, t, 1));
                    value.held = true;
                }
            }
        }
    }
}

void OnlineState::BusAnalogSection(const AnalogMonitorPlan& plan, const MonitorUnitInfo& unit)
{
    AdoptAnalogPlan(plan);
    const int address = BusItemAddress(unit.station, unit.card);
    const int first = StartsWith(ModelName(unit.model), "V8RTU") ? 0 : 1;
    for (int block = first; block < kMonitorBlocks; ++block) {
        const AnalogMonitorPlan::Row& row = plan.rows[static_cast<std::size_t>(block)];
        if (row.blockFlag == kNotMonitored) continue;
        for (int item = 0; item < kMonitorItems; ++item) {
            if (row.itemFlags[static_cast<std::size_t>(item)] == kNotMonitored) continue;
            const int redirect = row.redirect[static_cast<std::size_t>(item)];
            const int group = redirect < 0 ? block : redirect / 100;
            const int read = redirect < 0 ? item : redirect % 100;
            if (auto reply = BusRead(address, group, read)) {
                analog_.values[static_cast<std::size_t>(block)][static_cast<std::size_t>(item)] = ParseMonitorValue(*reply);
                analog_.held[static_cast<std::size_t>(block)][static_cast<std::size_t>(item)] = true;
            }
        }
    }
}

void OnlineState::BusRegistrySection(bool projectOpen)
{
    const MonitorTargets targets = Targets();
    const MonitorUnitInfo unit = context_->UnitAt(targets.station, targets.card);
    const int address = BusItemAddress(targets.station, targets.card);
    WalkRegistryRows(targets, unit, projectOpen, [&](int r, const RegistryDestination& d) {
        if (auto reply = BusRead(address, d.group, d.item))
            registry_.rows[static_cast<std::size_t>(r)] = {0, reply->substr(0, kRowTextSize - 1)};
        else
            SetRowMessage(r, kMsgNoDestination);
        return 0;
    });
}

void OnlineState::BusLadderSection()
{
    if (PrepareLadder() && ladderPlan_.valid) {
        const int address = BusItemAddress(ladderPlan_.unit.station, ladderPlan_.unit.card);
        for (int item : {kFirstLadderItem, kSecondLadderItem}) {
            const auto reply = BusRead(address, ladderPlan_.group, item);
            (item == kFirstLadderItem ? ladder_.item3 : ladder_.item6) = reply ? ToInt16(LeadingInteger(*reply)) : -1;
        }
        auto readAddress = [&](std::int16_t a, std::int16_t& value) {
            if (a < 0) return;
            if (auto reply = BusRead(address, a / 100, a % 100)) value = ToInt16(LeadingInteger(*reply));
        };
        for (std::size_t r = 0; r < kLadderRows; ++r) {
            for (std::size_t c = 0; c < kLadderCells; ++c) readAddress(ladderPlan_.contacts[r][c], ladder_.contacts[r][c]);
            readAddress(ladderPlan_.coils[r], ladder_.coils[r]);
        }
    }
    PublishLadder();
    Notify([](MonitorNotices& n) { n.LadderRedraw(); });
}

void OnlineState::BusMonitorCycle()
{
    if (!context_) return;
    const MonitorViews views = context_->Views();
    if (get_kilnbus_status() != VUKEN_STATUS_READY) {
        if (RegMonitorOn.load() == 1) {
            const MonitorTargets targets = Targets();
            for (int r = 0; r < kMonitorRows; ++r)
                if (targets.rows[static_cast<std::size_t>(r)].monitored()) SetRowMessage(r, kMsgNoDestination);
            PublishRegistry(views.framesClosing);
        }
        if (views.ladderOpen) Notify([](MonitorNotices& n) { n.LadderRedraw(); });
        return;
    }
    if (auto plan = context_->CommPlan()) BusCommSection(*plan);
    PublishComm();
    if (views.commOpen) Notify([](MonitorNotices& n) { n.DentanRedraw(); });
    if (!Running()) return;

    if (views.analogOpen) {
        if (auto plan = context_->AnalogPlan()) {
            BusAnalogSection(*plan, context_->CurrentUnit());
            PublishAnalog();
            Notify([](MonitorNotices& n) { n.AnatanRedraw(); });
        }
    }
    if (!Running()) return;
    if (RegMonitorOn.load() == 1) {
        BusRegistrySection(context_->ProjectOpen());
        PublishRegistry(views.framesClosing);
    }
    if (!Running()) return;
    if (views.ladderOpen) BusLadderSection();
}

// ---------------------------------------------------------------- results

void OnlineState::AdoptAnalogPlan(const AnalogMonitorPlan& plan)
{
    if (plan.station == analog_.station && plan.card == analog_.card) return;
    analog_ = AnalogValues();
    analog_.station = plan.station;
    analog_.card = plan.card;
}

void OnlineState::SetRowMessage(int row, int messageId)
{
    registry_.rows[static_cast<std::size_t>(row)] = {
        messageId, messageId == kMsgOutOfRange ? kTextOutOfRange : kTextNoDestination};
}

void OnlineState::PublishAnalog()
{
    auto copy = std::make_shared<const AnalogValues>(analog_);
    std::lock_guard lock(resultsMutex_);
    results_.analog = std::move(copy);
}

void OnlineState::PublishComm()
{
    auto copy = std::make_shared<const CommValues>(comm_);
    std::lock_guard lock(resultsMutex_);
    results_.comm = std::move(copy);
}

void OnlineState::PublishRegistry(bool framesClosing)
{
    auto copy = std::make_shared<const RegistryValues>(registry_);
    {
        std::lock_guard lock(resultsMutex_);
        results_.registry = std::move(copy);
    }
    if (!framesClosing) Notify([](MonitorNotices& n) { n.MonRedraw(); });
}

void OnlineState::PublishLadder()
{
    auto copy = std::make_shared<const LadderValues>(ladder_);
    std::lock_guard lock(resultsMutex_);
    results_.ladder = std::move(copy);
}

MonitorResults OnlineState::Results() const
{
    std::lock_guard lock(resultsMutex_);
    return results_;
}

// ---------------------------------------------------------------- monitor-target file

MonitorTargets OnlineState::Targets() const
{
    std::lock_guard lock(targetsMutex_);
    return targets_;
}

void OnlineState::SetTargets(const MonitorTargets& targets)
{
    std::lock_guard lock(targetsMutex_);
    targets_ = targets;
}

void OnlineState::SetAppDataFallback(std::string folder)
{
    std::lock_guard lock(targetsMutex_);
    appDataFallback_ = std::move(folder);
}

std::filesystem::path OnlineState::MonitorFilePath() const
{
    std::string dir = context_ ? context_->GetAppDataDir() : std::string();
    if (dir.empty()) {
        std::lock_guard lock(targetsMutex_);
        dir = appDataFallback_;
    }
    if (dir.empty()) return {};
    return std::filesystem::path(dir) / kMonitorFileName;
}

MonitorFileOutcome OnlineState::LastMonitorFileOutcome() const
{
    std::lock_guard lock(targetsMutex_);
    return fileOutcome_;
}

namespace {
MonitorFileOutcome NoFolder()
{
    return {MonitorFileResult::Failed, "no application-data folder"};
}
}  // namespace

int OnlineState::LoadMonitorFile()
{
    MonitorTargets image = Targets();
    const std::filesystem::path path = MonitorFilePath();
    const MonitorFileOutcome outcome = path.empty() ? NoFolder() : ReadMonitorFile(path, image);
    {
        std::lock_guard lock(targetsMutex_);
        fileOutcome_ = outcome;
        if (outcome.result != MonitorFileResult::Failed) targets_ = image;
    }
    if (outcome.result == MonitorFileResult::Failed) return 0;
    ApplyMonitorTarget();
    return 1;
}

int OnlineState::SaveMonitorFile()
{
    const std::filesystem::path path = MonitorFilePath();
    MonitorFileOutcome outcome = NoFolder();
    std::string error;
    const bool ok = !path.empty() && WriteMonitorFile(path, Targets(), &error);
    if (!path.empty()) outcome = {ok ? MonitorFileResult::Written : MonitorFileResult::Failed, error};
    std::lock_guard lock(targetsMutex_);
    fileOutcome_ = outcome;
    return ok ? 1 : 0;
}

void OnlineState::ApplyMonitorTarget()
{
    if (!context_) return;
    MonitorTargets image = Targets();
    context_->ApplyMonitorTarget(image);
    SetTargets(image);
}

}  // namespace kravin::online
