#include "upload_run.h"

#include "monitor_engine.h"
#include "serial_link.h"
#include "services.h"
#include "compare_run.h"
#include "current_unit.h"
#include "transfer_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kravin::online {

namespace {

constexpr int kGroupReply = 4;
constexpr int kItemReply = 32;
constexpr int kPlainTries = 4;
constexpr int kFramedTries = 6;
constexpr int kGroup0Repeats = 3;
constexpr int kBusNotReadyTicks = 25;
constexpr std::size_t kStoredMax = 19;

std::string command(char letter, int n)
{
    char t[16];
    std::snprintf(t, sizeof t, "%c%02d\r", letter, n);
    return t;
}

bool startsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

std::string padded(std::string name)
{
    name.resize(8, ' ');
    return name;
}

std::string trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// The value of a reply: after its first ':' (from place 1 on), else after the leading "D".
std::string replyValue(const std::string& reply)
{
    const auto colon = reply.find(':', 1);
    if (colon != std::string::npos) return reply.substr(colon + 1);
    return reply.size() > 1 ? reply.substr(1) : std::string();
}

struct SpecialCode {
    int code;
    const char* missing;
    const char* present;
};
constexpr SpecialCode kSpecialCodes[] = {
    {24, "TQNH2   ", "TQGH2   "}, {26, "TQNU8   ", "TQGU8   "}, {27, "TQNB9   ", "TQGB9   "},
    {28, "TQNB2   ", "TQGB2   "}, {29, "TQNW2   ", "TQGW2   "}, {14, "", "TQGV2   "},
    {31, "TQNK9   ", "TQGK9   "}, {32, "TQNP8   ", "TQGP8   "}, {33, "TQNP3   ", "TQGP3   "},
};

const char* const kDisplayNames[][2] = {
    {"63WZ    ", "63WZ-11 "}, {"63WJ1   ", "63WJ-1  "}, {"63WJ2   ", "63WJ-2  "}, {"63WJ3   ", "63WJ-3  "},
    {"63WB1   ", "63WB-1  "}, {"63WB3   ", "63WB-3  "}, {"63WY1   ", "63WY-1  "}, {"TQNZ4   ", "TQN-Z4  "},
    {"TQNZ7   ", "TQN-Z7  "}, {"TQNU8   ", "TQN-U8  "}, {"TQNB9   ", "TQN-B9  "}, {"TQNK9   ", "TQN-K9  "},
    {"TQNP8   ", "TQN-P8  "}, {"TQNP3   ", "TQN-P3  "}, {"TQNH2   ", "TQN-H2  "}, {"TQGH2   ", "TQG-H2  "},
    {"TQGZ4   ", "TQG-Z4  "}, {"TQGZ7   ", "TQG-Z7  "}, {"TQGU8   ", "TQG-U8  "}, {"TQGB9   ", "TQG-B9  "},
    {"TQNB2   ", "TQN-B2  "}, {"TQNW2   ", "TQN-W2  "}, {"TQGB2   ", "TQG-B2  "}, {"TQGW2   ", "TQG-W2  "},
    {"TQGV2   ", "TQG-V2  "}, {"TQGK9   ", "TQG-K9  "}, {"TQGP8   ", "TQG-P8  "}, {"TQGP3   ", "TQG-P3  "},
    {"NK-1    ", "TQNK-1  "}, {"NK-2    ", "TQNK-2  "}, {"NK-3    ", "TQNK-3  "}, {"TQNV2   ", "TQN-V2  "},
    {"TQNK6   ", "TQN-K6  "},
};

// The decimal integer of a value: optional blanks, sign, digits; nothing else.
std::optional<long long> integerValue(const std::string& v)
{
    const std::string t = trimmed(v);
    long long n = 0;
    const char* b = t.data();
    if (!t.empty() && t[0] == '+') ++b;
    const auto r = std::from_chars(b, t.data() + t.size(), n);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || b == t.data() + t.size()) return std::nullopt;
    return n;
}

std::optional<double> floatValue(const std::string& v)
{
    const std::string t = trimmed(v);
    double d = 0;
    const char* b = t.data();
    if (!t.empty() && t[0] == '+') ++b;
    const auto r = std::from_chars(b, t.data() + t.size(), d);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || b == t.data() + t.size() || !std::isfinite(d))
        return std::nullopt;
    return d;
}

}  // namespace

// ---- Conversion ----

std::string UploadDisplayName(const std::string& cardName)
{
    const std::string name = padded(cardName);
    for (const auto& pair : kDisplayNames)
        if (name == pair[0]) return pair[1];
    return name;
}

std::string SpecialCardName(int code, bool group98)
{
    for (const SpecialCode& s : kSpecialCodes)
        if (s.code == code) return group98 ? s.present : s.missing;
    return {};
}

int UploadTqrcPorts(const UploadStaging& staging)
{
    int ports = 0;
    for (int item = 11; item <= 79 && ports < 5; item += 17, ++ports) {
        const auto it = staging.items.find({1, item});
        if (it == staging.items.end() || it->second.empty() || it->second[0] == '0') break;
    }
    return ports;
}

int NextUploadItem(const std::array<UploadItemDef, 100>& def, int group, int item)
{
    for (int i = std::max(item + 1, 0); i < 100; ++i) {
        const std::string& t = def[static_cast<std::size_t>(i)].type;
        if ((group == 0 && i == 97) || IsDeviceControlItem(group, i)) continue;
        if (!t.empty() && !startsWith(t, "FA_") && !startsWith(t, "NON")) return i;
    }
    return -1;
}

std::optional<std::string> ConvertUploadValue(const std::string& reply, int group, int item, const UploadItemDef& def,
                                              std::string* error)
{
    auto refuse = [&](const char* why) -> std::optional<std::string> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (group >= 81 && group <= 92 && item >= 11) {
        if (reply.size() < 7) return refuse("a step of fewer than six characters");
        const std::string step = reply.substr(1, 6);
        return step[0] == '*' ? std::string("******") : step;
    }
    const std::string v = replyValue(reply);
    const std::string& type = def.type;
    // An item the device holds empty stays empty, whatever its type.
    if (trimmed(v).empty()) return std::string();
    if (startsWith(type, "FLAG")) {
        // The quoted choices at the start of the name: "c:TEXT,c:TEXT".
        std::string choices;
        if (!def.name.empty() && def.name[0] == '"') {
            const auto close = def.name.find('"', 1);
            choices = def.name.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        }
        const std::string value = trimmed(v);
        if (choices.empty()) {
            // Without choices the item holds one character of its range ("0;1"), as written.
            if (def.range.empty()) return value.substr(0, kStoredMax);
            std::size_t start = 0;
            while (value.size() == 1 && start < def.range.size()) {
                const auto semi = def.range.find(';', start);
                if (def.range[start] == value[0]) return value;
                if (semi == std::string::npos) break;
                start = semi + 1;
            }
            return refuse("a value outside the item's range");
        }
        std::size_t start = 0;
        while (start <= choices.size()) {
            const auto comma = choices.find(',', start);
            const std::string entry = choices.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (entry.size() >= 2 && entry[1] == ':' && (entry.substr(2) == value || value == entry.substr(0, 1)))
                return entry.substr(0, 1);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return refuse("a choice the item does not have");
    }
    if (startsWith(type, "INT") || startsWith(type, "FACTORIAL")) {
        const bool intType = startsWith(type, "FACTORIAL") || (type.size() >= 4 && type[3] >= '1' && type[3] <= '8');
        if (intType) {
            const std::optional<long long> n = integerValue(v);
            if (!n) return refuse("no integer");
            return std::to_string(*n);
        }
    }
    if (startsWith(type, "FLOAT") || startsWith(type, "FA_FLOAT")) {
        const char digit = type.back();
        if (digit >= '1' && digit <= '4') {
            const std::optional<double> d = floatValue(v);
            if (!d) return refuse("no number");
            char out[64];
            const auto r = std::to_chars(out, out + sizeof out, *d, std::chars_format::fixed, digit - '0');
            if (r.ec != std::errc() || r.ptr - out > 16) return refuse("a number wider than 16 characters");
            return std::string(out, r.ptr);
        }
    }
    if (group == 0 && item == 97) return trimmed(v).substr(0, kStoredMax);
    return v.substr(0, kStoredMax);
}

// ---- The run ----

UploadRun::UploadRun(SerialLink* link, BusApi bus, UploadSetup setup, TransferQuestions& questions,
                     TransferTiming timing)
    : link_(link), bus_(bus), setup_(std::move(setup)), context_(questions, std::move(timing))
{
    if (link_) io_.emplace(*link_, context_);
}

void UploadRun::Fail(int messageId, std::string detail)
{
    failed_ = true;
    context_.result().Set(TransferOutcome::Failed, messageId, std::move(detail));
}

bool UploadRun::Stopped()
{
    if (!context_.stopRequested()) return false;
    // Stop itself tells nothing: the dialog is back at Start.
    context_.result().Set(TransferOutcome::Stopped);
    return true;
}

bool UploadRun::Open()
{
    if (setup_.bus) {
        if (!bus_.cycle || !bus_.status || !bus_.items) {
            Fail(kMsgBusNotReadyTransfer);
            return false;
        }
        bus_.cycle();
        return true;
    }
    if (!io_) {
        Fail(kMsgUploadCommError);
        return false;
    }
    return Reopen(setup_.baudIndex);
}

bool UploadRun::Reopen(int baudIndex)
{
    if (link_->OpenComPort(baudIndex, setup_.portName) != 0) {
        Fail(9291, setup_.portName);
        return false;
    }
    baudIndex_ = baudIndex;
    io_->setFramed(setup_.irCard, setup_.unitId, setup_.programmingUnitId);
    return true;
}

bool UploadRun::FindSpeed()
{
    const int tries = io_->framed() ? kFramedTries : kPlainTries;
    for (const int baudIndex : setup_.probeBauds) {
        if (!Reopen(baudIndex)) return false;
        progress_.group = 0;
        for (int t = 0; t < tries; ++t) {
            if (context_.stopRequested()) return false;
            std::string reply;
            if (io_->Exchange(command('G', 0), kGroupReply, reply) && startsWith(reply, "COK")) return true;
        }
    }
    Fail(kMsgUploadCommError);
    return false;
}

void UploadRun::Close()
{
    if (setup_.bus) {
        if (bus_.close) bus_.close();
    } else if (link_) {
        link_->CloseComPort();
    }
}

UploadRun::Reply UploadRun::Exchange(const std::string& cmd, int maxLength, std::string& reply)
{
    const int tries = io_->framed() ? kFramedTries : kPlainTries;
    for (int t = 0; t < tries; ++t) {
        if (context_.stopRequested()) return Reply::None;
        if (io_->Exchange(cmd, maxLength, reply)) return startsWith(reply, "CNG") ? Reply::Cng : Reply::Ok;
    }
    Fail(kMsgUploadCommError);
    return Reply::None;
}

UploadRun::Reply UploadRun::Group(int group)
{
    progress_.group = group;
    if (!setup_.bus) {
        std::string reply;
        const Reply r = Exchange(command('G', group), kGroupReply, reply);
        return r == Reply::Ok && !startsWith(reply, "COK") ? Reply::Cng : r;
    }
    busGroup_ = group;
    progress_.sent = command('G', group).substr(0, 3);
    progress_.received = "COK";
    if (context_.progress) context_.progress(progress_);
    return Reply::Ok;
}

UploadRun::Reply UploadRun::Item(int item, std::string& reply)
{
    progress_.item = item;
    if (!setup_.bus) {
        io_->progress().group = progress_.group;
        io_->progress().card = card_ - 1;
        return Exchange(command('I', item), kItemReply, reply);
    }
    for (int tick = 0; bus_.status() != VUKEN_STATUS_READY; ++tick) {
        if (tick >= kBusNotReadyTicks || context_.stopRequested()) {
            if (!context_.stopRequested()) Fail(kMsgBusNotReadyTransfer);
            return Reply::None;
        }
        context_.Wait(context_.timing().busTick);
    }
    BusItemRequest request{busGroup_, item, nullptr};
    char* text = nullptr;
    const int result = bus_.items(VUKEN_OP_READ, BusItemAddress(setup_.station, card_ - 1), &request, &text);
    context_.Wait(context_.timing().busUploadRead);
    progress_.sent = command('I', item).substr(0, 3);
    const bool ok = result == 0 && text && text[0] != '\0';
    reply = ok ? "D" + std::string(text) : std::string("CNG");
    progress_.received = reply;
    if (context_.progress) context_.progress(progress_);
    return ok ? Reply::Ok : Reply::Cng;
}

bool UploadRun::Data(const std::string& text)
{
    if (!setup_.bus) {
        std::string reply;
        return Exchange("D" + text + "\r", kItemReply, reply) == Reply::Ok;
    }
    std::string data = text;
    BusItemRequest request{busGroup_, progress_.item, data.data()};
    const bool ok = bus_.items(VUKEN_OP_WRITE, BusItemAddress(setup_.station, card_ - 1), &request, nullptr) == 0;
    context_.Wait(context_.timing().busUploadRead);
    return ok;
}

bool UploadRun::SelectBank(int bank)
{
    // G00, I00, then the bank: "D0"/"D2" serially, "0"/"1" on the bus.
    for (int t = 0;; ++t) {
        const Reply g = Group(0);
        if (g == Reply::None) return false;
        std::string reply;
        const Reply i = g == Reply::Ok ? Item(0, reply) : Reply::Cng;
        if (i == Reply::None) return false;
        if (i == Reply::Ok) break;
        if (t >= kGroup0Repeats) {
            Fail(kMsgUploadCommError);
            return false;
        }
    }
    const std::string value = setup_.bus ? (bank == 2 ? "1" : "0") : std::to_string(bank);
    if (!Data(value)) {
        if (!failed_) Fail(kMsgUploadCommError);
        return false;
    }
    return true;
}

bool UploadRun::SelectOnLink(char digit, milliseconds itemWait)
{
    // Plain G00, I00 and the digit as data, whatever the unit's framing.
    const TransferTiming& t = context_.timing();
    std::string reply;
    if (!io_->Exchange("G00\r", kItemReply, reply, t.afterCommand, false, true) || !startsWith(reply, "COK")) {
        if (!context_.stopRequested()) Fail(kMsgUploadCommError);
        return false;
    }
    io_->Exchange("I00\r", kItemReply, reply, itemWait, false, true);
    io_->Exchange(std::string{'D', digit, '\r'}, kItemReply, reply, t.afterCommand, false, true);
    return true;
}

bool UploadRun::SelectSubUnit(int subUnit)
{
    // On the bus each unit answers at its own address.
    return setup_.bus || SelectOnLink(subUnit ? '1' : '0', context_.timing().selectWait);
}

bool UploadRun::SelectV8rtuCard(int card)
{
    card_ = card;
    progress_.card = card - 1;
    if (context_.progress) context_.progress(progress_);
    if (setup_.bus) {
        char data[16];
        std::snprintf(data, sizeof data, "%d", card - 1);
        BusItemRequest request{0, 0, data};
        const bool ok = bus_.items(VUKEN_OP_WRITE, BusItemAddress(setup_.station, card - 1), &request, nullptr) != -1;
        context_.Wait(context_.timing().busUploadRead);
        if (!ok) Fail(kMsgUploadCommError);
        return ok;
    }
    return SelectOnLink(model::hexDigitChar(card - 1), context_.timing().afterCommand);
}

UploadRun::End UploadRun::CreateUnit(int pass)
{
    std::string reply;
    // Over a row of several speeds the device's is found first.
    const bool probing = pass == 0 && !setup_.bus && setup_.probeBauds.size() > 1;
    if (probing && !FindSpeed()) return failed_ ? End::Fail : End::Abort;
    // The card type: item 96 of group 0, its last two characters the code.
    if (Group(0) != Reply::Ok) return failed_ ? End::Fail : (Fail(kMsgUploadCommError), End::Fail);
    const Reply t = Item(96, reply);
    if (t == Reply::None) return End::Fail;
    const std::string typeText = t == Reply::Ok ? trimmed(replyValue(reply)) : std::string();
    if (typeText.size() < 2 || !std::isdigit(static_cast<unsigned char>(typeText[typeText.size() - 2])) ||
        !std::isdigit(static_cast<unsigned char>(typeText.back()))) {
        Fail(kMsgBadDeviceValue, "00-96 \"" + typeText + "\"");
        return End::Fail;
    }
    const int code = std::atoi(typeText.substr(typeText.size() - 2).c_str());
    std::string name;
    if (code == 0) {
        std::string r10;
        if (Group(1) == Reply::None) return End::Fail;
        const Reply i = Item(10, r10);
        if (i == Reply::None) return End::Fail;
        name = i == Reply::Ok && replyValue(r10).substr(0, 2) == "**" ? "TQRW    " : "63WH    ";
    } else if (!SpecialCardName(code, true).empty()) {
        bool present = false;
        if (setup_.bus) {
            // Group 98 exists when its item 10 reads and is no "**".
            Group(98);
            std::string r10;
            const Reply i = Item(10, r10);
            if (i == Reply::None) return End::Fail;
            present = i == Reply::Ok && !(r10.size() >= 5 && r10.substr(3, 2) == "**");
        } else {
            const Reply g = Group(98);
            if (g == Reply::None) return End::Fail;
            present = g == Reply::Ok;
        }
        name = SpecialCardName(code, present);
    } else {
        // The card type table names the cards of a code; without one a controller's model
        // code is compared with the reply's last two digits.
        std::vector<std::string> names;
        for (const std::string& n : setup_.cardTypes[static_cast<std::size_t>(code)]) names.push_back(padded(n));
        const bool typeTable = std::any_of(setup_.cardTypes.begin(), setup_.cardTypes.end(),
                                           [](const std::vector<std::string>& v) { return !v.empty(); });
        for (int k = 1; !typeTable && k < model::kKindEntries; ++k) {
            const std::string& n = setup_.masters.card.name[static_cast<std::size_t>(k)];
            if (n.empty()) break;
            const int modelCode = model::GetModelCode(padded(n));
            if (modelCode != 0 && modelCode % 100 == code) names.push_back(padded(n));
        }
        if (names.size() == 1) name = names.front();
    }
    if (name.empty() || setup_.masters.card.find(name) <= 0) {
        Fail(kMsgUnknownCardType);
        return End::Fail;
    }
    if (probing) {
        int bus = 0, speed = baudIndex_, value = 0;
        model::FindCardKind(setup_.masters, name, &bus, &speed, &value);
        if (speed != baudIndex_ && !Reopen(speed)) return End::Fail;
    }
    // A remote I/O station takes only its own cards, and a V8RTU card comes only into one.
    if ((setup_.stationIsV8rtu && !startsWith(name, "V8RTU")) || startsWith(name, "V8RTU")) {
        Fail(kMsgCannotUpload);
        return End::Fail;
    }
    // A QV200W/QV210W device takes this slot and the next one: its second unit follows.
    if (IsWModel(name)) {
        if (pass == 0) {
            if (card_ > model::kCardSlots - 1 || !setup_.nextSlotEmpty) {
                Fail(kMsgCannotUpload);
                return End::Fail;
            }
            secondUnit_ = setup_.mode != 2;
        }
        if (!SelectSubUnit(pass)) return End::Fail;
        staging_.unitText = std::string(1, static_cast<char>(pass));
    }
    // The ROM version: the 4 characters after "D".
    if (Group(0) == Reply::None) return End::Fail;
    const Reply v = Item(99, reply);
    if (v == Reply::None) return End::Fail;
    std::string version = v == Reply::Ok && reply.size() >= 5 ? reply.substr(1, 4) : std::string();
    if (version.size() < 4) {
        Fail(kMsgBadDeviceValue, "00-99 \"" + (reply.empty() ? std::string() : reply.substr(1)) + "\"");
        return End::Fail;
    }
    if (startsWith(name, "QV200   ") && startsWith(version, "1.6")) name = "QV200X  ";
    if (startsWith(name, "QV200B  ") && startsWith(version, "1.3")) name = "QV200BX ";
    const int kind = setup_.masters.card.find(name);
    if (kind <= 0) {
        Fail(kMsgUnknownCardType);
        return End::Fail;
    }
    if (setup_.masters.card.findVersion(kind, version) < 0) {
        if (context_.questions().uploadVersionCheck() != model::AnswerSkip) {
            context_.result().Set(TransferOutcome::Aborted);  // Cancel: no message
            return End::Abort;
        }
        version = setup_.masters.card.versions[static_cast<std::size_t>(kind)][0];
    }
    staging_.created = true;
    staging_.model = name;
    staging_.version = version;
    // The dialog shows the new unit's name and version as soon as they are known.
    progress_.unitName = name;
    progress_.unitVersion = version;
    if (io_ && !setup_.bus) {
        io_->progress().unitName = name;
        io_->progress().unitVersion = version;
        io_->Report();
    } else if (context_.progress) {
        context_.progress(progress_);
    }
    staging_.blockCodes = {};
    staging_.blockCodes[0] = "00SYS";
    return End::Done;
}

UploadRun::End UploadRun::GroupMissing(int group)
{
    if (context_.questions().communicationError({}) == model::AnswerSkip) return End::Done;
    (void)group;
    context_.result().Set(TransferOutcome::Aborted, kMsgUploadStopped);
    return End::Abort;
}

UploadRun::End UploadRun::ReadItems(int group, int storeGroup, const std::array<UploadItemDef, 100>& def, int first)
{
    const bool sequence = group >= 81 && group <= 92;
    for (int item = first; item >= 0 && item < 100; item = NextUploadItem(def, group, item)) {
        if (Stopped()) return End::Abort;
        if (item == 10 && storeGroup != 0) continue;
        std::string reply;
        const Reply r = Item(item, reply);
        if (r == Reply::None) return End::Fail;
        if (r == Reply::Cng) {
            if (skipAll_) continue;
            const int answer = context_.questions().itemMissing(group, item);
            if (answer == model::AnswerSkipAll) skipAll_ = true;
            if (answer == model::AnswerSkip || answer == model::AnswerSkipAll) continue;
            context_.result().Set(TransferOutcome::Aborted, kMsgUploadStopped);
            return End::Abort;
        }
        std::string why;
        const std::optional<std::string> value = ConvertUploadValue(reply, storeGroup, item, def[static_cast<std::size_t>(item)], &why);
        if (!value) {
            char where[16];
            std::snprintf(where, sizeof where, "%02d-%02d", group, item);
            Fail(kMsgBadDeviceValue, std::string(where) + " \"" + replyValue(reply) + "\" (" + why + ")");
            return End::Fail;
        }
        staging_.items[{storeGroup, item}] = *value;
        // A step "000000" or one beginning "**" ends the sequence group: the rest is empty.
        if (sequence && item >= 11 && (*value == "000000" || startsWith(*value, "**"))) {
            for (int rest = item + 1; rest < 100; ++rest) staging_.items[{storeGroup, rest}] = "******";
            break;
        }
    }
    return End::Done;
}

UploadRun::End UploadRun::ReadGroup(int group, int storeGroup, int bank)
{
    const int sent = bank == 2 ? Bank2Number(storeGroup) : group;
    const Reply g = Group(sent);
    if (g == Reply::None) return End::Fail;
    if (g == Reply::Cng) {
        if (sent == 0) {
            // Group 0 is asked again up to three times before the question.
            int t = 0;
            Reply again = Reply::Cng;
            while (again == Reply::Cng && ++t <= kGroup0Repeats) again = Group(0);
            if (again == Reply::None) return End::Fail;
            if (again == Reply::Ok) return ReadGroup(group, storeGroup, bank);
        }
        return GroupMissing(group);
    }
    if (storeGroup == 0) {
        const std::string& code = staging_.blockCodes[0];
        const auto def = info_.blocks.find(code);
        if (def == info_.blocks.end()) return End::Done;
        return ReadItems(0, 0, def->second, NextUploadItem(def->second, 0, -1));
    }
    std::string reply;
    const Reply r = Item(10, reply);
    if (r == Reply::None) return End::Fail;
    std::string number = r == Reply::Ok ? trimmed(replyValue(reply)).substr(0, 2) : std::string("**");
    // The block number is an item of the group as well.
    if (r == Reply::Ok) staging_.items[{storeGroup, 10}] = trimmed(replyValue(reply)).substr(0, kStoredMax);
    std::string code;
    if (number != "**" && std::atoi(number.c_str()) != 0)
        for (const std::string& c : info_.validCodes[static_cast<std::size_t>(storeGroup)])
            if (c.compare(0, 2, number) == 0) {
                code = c;
                break;
            }
    if (code.empty() || !info_.blocks.count(code)) {
        if (setup_.mode == 2 && !staging_.blockCodes[static_cast<std::size_t>(storeGroup)].empty()) {
            Fail(kMsgUploadItemMissing);
            return End::Fail;
        }
        staging_.blockCodes[static_cast<std::size_t>(storeGroup)] = storeGroup == 80 ? "94SSW" : "";
        return End::Done;
    }
    staging_.blockCodes[static_cast<std::size_t>(storeGroup)] = code;
    const std::array<UploadItemDef, 100>& def = info_.blocks.at(code);
    // Every used item but the block number, which was read first.
    return ReadItems(group, storeGroup, def, NextUploadItem(def, storeGroup, -1));
}

UploadRun::End UploadRun::ReadGroups()
{
    const std::string model = staging_.model;
    const bool bank2 = HasBank2(model);
    auto wanted = [&](int g) {
        if (g <= 1) return true;
        if (bank2 && Bank2Number(g) != 0) return false;
        return !info_.validCodes[static_cast<std::size_t>(g)].empty();
    };
    if (setup_.mode == 2) {
        const int g = setup_.group;
        if (bank2 && Bank2Number(g) != 0) {
            if (!SelectBank(2)) return End::Fail;
            const End e = ReadGroup(g, g, 2);
            if (e != End::Done || !SelectBank(0)) return e == End::Done ? End::Fail : e;
            return End::Done;
        }
        if (bank2 && !SelectBank(0)) return End::Fail;
        return ReadGroup(g, g, 0);
    }
    if (bank2 && !SelectBank(0)) return End::Fail;
    for (int g = 0; g < 100; ++g) {
        if (Stopped()) return End::Abort;
        if (!wanted(g)) continue;
        const End e = ReadGroup(g, g, 0);
        if (e != End::Done) return e;
    }
    if (!bank2) return End::Done;
    if (!SelectBank(2)) return End::Fail;
    for (int n = 1; n <= 14; ++n) {
        if (Stopped()) return End::Abort;
        const int g = GroupOfBank2Number(n);
        const End e = ReadGroup(g, g, 2);
        if (e != End::Done) return e;
    }
    return SelectBank(0) ? End::Done : End::Fail;
}

UploadRun::End UploadRun::Describe()
{
    std::optional<UploadModelInfo> info = setup_.describe(trimmed(staging_.model), staging_.version);
    if (!info) {
        Fail(kMsgUnknownCardType);
        return End::Fail;
    }
    info_ = std::move(*info);
    if (staging_.created) staging_.blockCodes[0] = info_.validCodes[0].empty() ? "00SYS" : info_.validCodes[0].front();
    return End::Done;
}

UploadRun::End UploadRun::ReadUnit()
{
    End end = Describe();
    if (end == End::Done && Stopped()) end = End::Abort;
    if (end == End::Done) end = ReadGroups();
    if (end != End::Done) return end;
    if (ModelBeginsWith(staging_.model, "TQRC ") && card_ + UploadTqrcPorts(staging_) > model::kCardSlots) {
        // Its ports' slots would run past the station's last one.
        Fail(kMsgCannotUpload);
        return End::Fail;
    }
    units_.push_back(staging_);
    return End::Done;
}

UploadRun::End UploadRun::RunUnit()
{
    staging_ = {};
    card_ = setup_.card;
    staging_.card = card_;
    End end = End::Done;
    if (setup_.newUnit) {
        end = CreateUnit(0);
    } else {
        staging_.model = padded(setup_.model);
        staging_.version = setup_.version;
        staging_.blockCodes = setup_.blockCodes;
        const bool second = !setup_.unitText.empty() && setup_.unitText[0] == 1;
        if (IsWModel(staging_.model) && !SelectSubUnit(second ? 1 : 0)) end = End::Fail;
    }
    if (end == End::Done) end = ReadUnit();
    if (end != End::Done || !secondUnit_) return end;

    // The second unit of a new QV200W/QV210W device, into the next slot; then the first
    // unit is selected again.
    staging_ = {};
    card_ = setup_.card + 1;
    staging_.card = card_;
    progress_.card = card_ - 1;
    end = Stopped() ? End::Abort : CreateUnit(1);
    if (end == End::Done) end = ReadUnit();
    if (end == End::Done && !SelectSubUnit(0)) end = End::Fail;
    return end;
}

UploadRun::End UploadRun::RunV8rtu()
{
    std::vector<UploadCardSetup> cards = setup_.v8rtuCards;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        if (Stopped()) return End::Abort;
        const UploadCardSetup c = cards[i];
        if (!SelectV8rtuCard(c.card)) return End::Fail;
        staging_ = {};
        staging_.card = c.card;
        staging_.created = c.created;
        staging_.model = padded(c.model);
        staging_.version = c.version;
        staging_.blockCodes = c.blockCodes;
        End end = Describe();
        if (end == End::Done && c.created) {
            // A card the count change added starts as a new card of its kind.
            staging_.blockCodes = {};
            staging_.blockCodes[0] = "00SYS";
            staging_.blockCodes[80] = "94SSW";
            if (!info_.validCodes[1].empty()) staging_.blockCodes[1] = info_.validCodes[1].front();
        }
        if (end == End::Done) end = ReadGroups();
        if (end != End::Done) return end;
        units_.push_back(staging_);
        if (c.card != 1 || setup_.mode == 2) continue;

        // Card 1 holds the station's card count: cards past it go, missing ones come with
        // card 1's model and version, and are read as well.
        const auto read = staging_.items.find({0, 52});
        if (read == staging_.items.end()) continue;
        const std::string text = trimmed(read->second);
        const bool digits = !text.empty() && text.size() <= 2 &&
                            std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
        const int count = digits ? std::atoi(text.c_str()) : 0;
        if (count < 1 || count > model::kCardSlots) {
            Fail(kMsgBadDeviceValue, "00-52 \"" + read->second + "\" (a card count outside 1..16)");
            return End::Fail;
        }
        if (count == setup_.cardCount) continue;
        cardCount_ = count;
        cards.erase(std::remove_if(cards.begin() + static_cast<std::ptrdiff_t>(i) + 1, cards.end(),
                                   [count](const UploadCardSetup& k) { return k.card > count; }),
                    cards.end());
        for (int k = setup_.cardCount + 1; k <= count; ++k) {
            if (std::any_of(cards.begin(), cards.end(), [k](const UploadCardSetup& x) { return x.card == k; })) continue;
            UploadCardSetup added;
            added.card = k;
            added.model = c.model;
            added.version = c.version;
            added.created = true;
            cards.push_back(added);
        }
    }
    return End::Done;
}

void UploadRun::Run()
{
    staging_ = {};
    units_.clear();
    cardCount_.reset();
    secondUnit_ = false;
    failed_ = false;
    skipAll_ = false;
    progress_ = {};
    card_ = setup_.card;
    progress_.card = card_ - 1;
    if (!setup_.describe) {
        Fail(kMsgUnknownCardType);
        return;
    }
    if (!Open()) return;
    const End end = setup_.v8rtu ? RunV8rtu() : RunUnit();
    Close();
    if (context_.result().ended()) return;
    if (context_.stopRequested())
        context_.result().Set(TransferOutcome::Stopped);
    else if (end == End::Done)
        context_.result().Set(TransferOutcome::Finished);
    else
        Fail(kMsgUploadCommError);
}

}  // namespace kravin::online
