#include "ht9_unit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kravin::online::ht9 {

namespace {

constexpr int kPortKindKeys[kPortKinds] = {41024, 41025, 41055, 41054, 41056, 41057, 41059};
constexpr const char* kPortKindCaptions[kPortKinds] = {"1200Bau", "9600Bau", "Ir", "57600Bau", "57600Bau",
                                                       "9600Bau", "1200Bau"};
constexpr int kPortKindBaud[kPortKinds] = {0, 1, 0, 2, 2, 1, 0};
constexpr int kKeyIr1200 = 41058;  // a second key of the infrared kind

constexpr int kGroupReply = 4;
constexpr int kItemReply = 21;
constexpr int kLastItem = 99;
constexpr int kLastGroup = 99;

std::string twoDigits(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", std::clamp(n, 0, 99));
    return text;
}

// The number of a two-place field; blanks and cursor count as nothing.
int fieldNumber(const std::string& field)
{
    int n = 0;
    for (char c : field)
        if (std::isdigit(static_cast<unsigned char>(c))) n = n * 10 + (c - '0');
    return n;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int PortKindKey(int kind) { return kind >= 0 && kind < kPortKinds ? kPortKindKeys[kind] : 0; }

const char* PortKindCaption(int kind) { return kind >= 0 && kind < kPortKinds ? kPortKindCaptions[kind] : ""; }

int PortKindOfKey(int id)
{
    if (id == kKeyIr1200) return 2;
    for (int k = 0; k < kPortKinds; ++k)
        if (kPortKindKeys[k] == id) return k;
    return -1;
}

int PortKindBaudIndex(int kind) { return kind >= 0 && kind < kPortKinds ? kPortKindBaud[kind] : 0; }

bool PortKindFramed(int kind) { return kind == 2 || kind == 6; }

Ht9Unit::Ht9Unit(Ht9Mode mode, int portKind) : link_(mode), portKind_(portKind) { ResetDataLine(); }

char Ht9Unit::ShiftedDigit(int digit) const
{
    if (digit < 0 || digit > 9) return 0;
    switch (shift_) {
    case 0: return static_cast<char>('0' + digit);
    case 1: return static_cast<char>('A' + digit);
    case 2: return static_cast<char>('K' + digit);
    default: return digit <= 5 ? static_cast<char>('U' + digit) : 0;
    }
}

Ht9Request Ht9Unit::Serial(const std::string& command, int replyMax) const
{
    Ht9Request r;
    r.kind = Ht9Request::Kind::Serial;
    r.bytes = command;
    r.replyMax = replyMax;
    r.framed = PortKindFramed(portKind_);
    return r;
}

Ht9Request Ht9Unit::Pause(int ms)
{
    Ht9Request r;
    r.kind = Ht9Request::Kind::Pause;
    r.pauseMs = ms;
    return r;
}

std::optional<Ht9Request> Ht9Unit::Begin(std::deque<Ht9Request> script, Finish finish)
{
    if (script.empty()) return std::nullopt;
    for (Ht9Request& r : script) r.writeMode = writeMode_;
    script_ = std::move(script);
    finish_ = finish;
    busy_ = true;
    answer_ = {};
    writeFailed_ = false;
    Ht9Request first = script_.front();
    script_.pop_front();
    current_ = first.kind;
    return first;
}

std::optional<Ht9Request> Ht9Unit::Complete(const Ht9Reply& reply)
{
    if (!busy_) return std::nullopt;
    switch (current_) {
    case Ht9Request::Kind::Serial: answer_ = reply; break;
    case Ht9Request::Kind::BusRead:
        // A failed read answers as the device does for a missing item.
        answer_.ok = reply.ok;
        answer_.bytes = reply.ok ? "D" + reply.bytes + "\r" : std::string("CNG\r");
        break;
    case Ht9Request::Kind::BusWrite:
        if (!reply.ok) {
            writeFailed_ = true;
            if (finish_ == Finish::Write || finish_ == Finish::Read) script_.clear();
        }
        break;
    case Ht9Request::Kind::BusCycle:
    case Ht9Request::Kind::Pause: break;
    }
    // The group command of a group step sets the type field before the item is read.
    if (current_ == Ht9Request::Kind::Serial && finish_ == Finish::Parse && !script_.empty() && reply.bytes.size() >= 3 &&
        reply.bytes[0] == 'C')
        type_ = reply.bytes.substr(1, 2);
    if (!script_.empty()) {
        Ht9Request next = script_.front();
        script_.pop_front();
        current_ = next.kind;
        return next;
    }
    End(answer_);
    return std::nullopt;
}

void Ht9Unit::Cancel()
{
    if (!busy_) return;
    script_.clear();
    Complete(Ht9Reply{});
}

void Ht9Unit::End(const Ht9Reply& last)
{
    busy_ = false;
    const Finish finish = finish_;
    finish_ = Finish::None;
    switch (finish) {
    case Finish::Group:
        if (last.bytes.size() >= 3 && last.bytes[0] == 'C') type_ = last.bytes.substr(1, 2);
        break;
    case Finish::Parse:
        ParseReply(last.bytes);
        if (mode_ < 30) mode_ = 22;
        break;
    case Finish::Write:
        if (!writeFailed_) writeMode_ = true;
        break;
    case Finish::Read:
        if (writeFailed_) {
            writeMode_ = true;
        } else if (mode_ > 21) {
            mode_ = 22;
        }
        break;
    case Finish::None: break;
    }
}

void Ht9Unit::ParseReply(const std::string& r)
{
    const int length = static_cast<int>(r.size());
    // The text between place p and the reply's last character (its CR).
    auto text = [&](int from) { return length - 1 > from ? r.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(length - 1 - from)) : std::string(); };
    auto rightAligned = [&](const std::string& t, int endPlace) {
        const std::string cut = t.size() > static_cast<std::size_t>(endPlace) ? t.substr(t.size() - static_cast<std::size_t>(endPlace)) : t;
        data_.replace(static_cast<std::size_t>(endPlace) - cut.size(), cut.size(), cut);
    };
    if (length >= 19) {
        const std::string t = text(3).substr(0, kDataPlaces);
        data_.replace(0, t.size(), t);
    } else if (length >= 3 && r[2] == ':') {
        rightAligned(text(3), 15);
    } else if (length >= 2 && r[0] == 'D') {
        rightAligned(text(1), 16);
    } else if (length >= 3 && r[0] == 'C') {
        type_ = r.substr(1, 2);
    }
}

void Ht9Unit::StartField(bool group)
{
    std::string& field = group ? group_ : item_;
    std::string& other = group ? item_ : group_;
    mode_ = group ? 10 : 20;
    field = "_ ";
    std::replace(other.begin(), other.end(), '_', ' ');
    shift_ = 0;
    ResetDataLine();
    type_ = "  ";
}

void Ht9Unit::ResetAll()
{
    mode_ = 0;
    group_ = item_ = type_ = "  ";
    ResetDataLine();
    shift_ = 0;
}

std::optional<Ht9Request> Ht9Unit::ReadItem()
{
    ResetDataLine();
    if (link_ == Ht9Mode::Bus) {
        Ht9Request read;
        read.kind = Ht9Request::Kind::BusRead;
        read.group = fieldNumber(group_);
        read.item = fieldNumber(item_);
        return Begin({read, Pause(200)}, Finish::Parse);
    }
    return Begin({Serial("I" + twoDigits(fieldNumber(item_)) + "\r", kItemReply)}, Finish::Parse);
}

std::optional<Ht9Request> Ht9Unit::EnterChar(char c)
{
    if (mode_ == 10 || mode_ == 11 || mode_ == 20 || mode_ == 21) {
        // Group and item numbers take digits only.
        if (!isDigit(c)) return std::nullopt;
        const bool group = mode_ < 20;
        std::string& field = group ? group_ : item_;
        const int place = mode_ % 10;
        field[static_cast<std::size_t>(place)] = c;
        ++mode_;
        if (place == 0) {
            field[1] = '_';
            return std::nullopt;
        }
        if (group) {
            mode_ = 12;
            if (link_ == Ht9Mode::Bus) {
                type_ = "OK";
                return std::nullopt;
            }
            return Begin({Serial("G" + group_ + "\r", kGroupReply)}, Finish::Group);
        }
        mode_ = 22;
        ResetDataLine();
        if (link_ == Ht9Mode::Bus) {
            Ht9Request read;
            read.kind = Ht9Request::Kind::BusRead;
            read.group = fieldNumber(group_);
            read.item = fieldNumber(item_);
            return Begin({read}, Finish::Parse);
        }
        return Begin({Serial("I" + item_ + "\r", kItemReply)}, Finish::Parse);
    }
    if (mode_ >= 30 && c != 0) {
        mode_ = std::min(mode_ + 1, 30 + kDataPlaces);
        data_ = data_.substr(1) + c;
        if (data_[0] == ' ') data_[0] = '*';
        return std::nullopt;
    }
    if (mode_ > 30 && c == 0) {
        --mode_;
        const char first = data_[0] == '*' ? ' ' : data_[0];
        data_ = std::string("*") + first + data_.substr(1, kDataPlaces - 2);
    }
    return std::nullopt;
}

std::optional<Ht9Request> Ht9Unit::Enter()
{
    if (mode_ <= 21) return std::nullopt;
    const int typed = mode_ >= 30 ? mode_ - 30 : 0;
    const std::string text = data_.substr(static_cast<std::size_t>(kDataPlaces - typed));
    const std::string command = mode_ == 22 ? "I" + twoDigits(fieldNumber(item_)) + "\r" : "D" + text + "\r";
    ResetDataLine();
    if (mode_ >= 30) mode_ = 22;
    if (link_ == Ht9Mode::Serial) return Begin({Serial(command, kItemReply)}, Finish::Parse);
    std::deque<Ht9Request> script;
    Ht9Request read;
    read.kind = Ht9Request::Kind::BusRead;
    read.group = fieldNumber(group_);
    read.item = fieldNumber(item_);
    if (command[0] == 'D') {
        Ht9Request write = read;
        write.kind = Ht9Request::Kind::BusWrite;
        write.bytes = text + "\r";
        script.push_back(write);
        script.push_back(Pause(100));
    }
    script.push_back(read);
    script.push_back(Pause(200));
    return Begin(std::move(script), Finish::Parse);
}

std::optional<Ht9Request> Ht9Unit::UpDown(bool up)
{
    if (mode_ == 22) {
        const int n = fieldNumber(item_);
        if (up ? n >= kLastItem : n <= 1) return std::nullopt;
        item_ = twoDigits(up ? n + 1 : n - 1);
        return ReadItem();
    }
    if (mode_ == 30 && link_ == Ht9Mode::Serial) {
        ResetDataLine();
        return Begin({Serial(up ? "DU\r" : "DD\r", kItemReply)}, Finish::Parse);
    }
    return std::nullopt;
}

std::optional<Ht9Request> Ht9Unit::GroupStep(bool up)
{
    if (mode_ >= 30) return std::nullopt;
    const int g = fieldNumber(group_);
    if (up ? g >= kLastGroup : g <= 0) return std::nullopt;
    group_ = twoDigits(up ? g + 1 : g - 1);
    if (fieldNumber(item_) == 0) item_ = "01";
    item_ = twoDigits(fieldNumber(item_));
    mode_ = 22;
    ResetDataLine();
    if (link_ == Ht9Mode::Bus) return ReadItem();
    return Begin({Serial("G" + group_ + "\r", kGroupReply), Serial("I" + item_ + "\r", kItemReply)}, Finish::Parse);
}

std::optional<Ht9Request> Ht9Unit::WriteRead(bool write)
{
    if (link_ != Ht9Mode::Bus || writeMode_ == write) return std::nullopt;
    if (!write) writeMode_ = false;
    Ht9Request cycle;
    cycle.kind = Ht9Request::Kind::BusCycle;
    Ht9Request mode;
    mode.kind = Ht9Request::Kind::BusWrite;
    mode.group = 0;
    mode.item = 1;
    mode.bytes = std::string(1, write ? '1' : '0') + '\r';
    return Begin({cycle, Pause(300), mode, Pause(100)}, write ? Finish::Write : Finish::Read);
}

std::optional<Ht9Request> Ht9Unit::Press(int id)
{
    if (id == key::End) {
        end_ = true;
        return std::nullopt;
    }
    if (busy_) return std::nullopt;
    if (id >= key::Digit0 && id <= key::Digit0 + 9) {
        const int digit = id - key::Digit0;
        if (mode_ >= 30) {
            const char c = ShiftedDigit(digit);
            return c ? EnterChar(c) : std::nullopt;
        }
        return EnterChar(static_cast<char>('0' + digit));
    }
    if (id >= key::LetterA && id <= key::LetterA + 25) {
        if (mode_ >= 30) return EnterChar(static_cast<char>('A' + (id - key::LetterA)));
        return std::nullopt;
    }
    switch (id) {
    case key::Group:
    case key::Item:
        if (mode_ < 30) StartField(id == key::Group);
        return std::nullopt;
    case key::Data:
        if (mode_ > 21 && dataUsable()) {
            mode_ = 30;
            data_ = "*" + std::string(kDataPlaces - 1, ' ');
        }
        return std::nullopt;
    case key::Shift:
        if (mode_ >= 30) shift_ = (shift_ + 1) % 4;
        return std::nullopt;
    case key::Dot:
    case key::Minus:
        if (mode_ >= 30) return EnterChar(id == key::Dot ? '.' : '-');
        return std::nullopt;
    case key::Bs:
        if (mode_ >= 30) return EnterChar(0);
        return std::nullopt;
    case key::Clr:
        if (mode_ > 30) {
            mode_ = 30;
            data_ = "*" + std::string(kDataPlaces - 1, ' ');
        } else {
            ResetAll();
        }
        return std::nullopt;
    case key::Enter: return Enter();
    case key::Up: return UpDown(true);
    case key::Down: return UpDown(false);
    case key::GroupUp: return GroupStep(true);
    case key::GroupDown: return GroupStep(false);
    case key::Write: return WriteRead(true);
    case key::Read: return WriteRead(false);
    default: return std::nullopt;
    }
}

namespace {

struct JisKey {
    int code;
    char plain, shifted;
};

// The character keys of a JIS keyboard by key code; letters type upper case either way.
constexpr JisKey kJisKeys[] = {
    {2, '1', '!'},   {3, '2', '"'},   {4, '3', '#'},   {5, '4', '$'},   {6, '5', '%'},   {7, '6', '&'},
    {8, '7', '\''}, {9, '8', '('},   {10, '9', ')'},  {11, '0', 0},    {12, '-', '='},  {13, '^', '~'},
    {124, '\\', '|'},  // yen
    {16, 'Q', 'Q'},  {17, 'W', 'W'},  {18, 'E', 'E'},  {19, 'R', 'R'},  {20, 'T', 'T'},  {21, 'Y', 'Y'},
    {22, 'U', 'U'},  {23, 'I', 'I'},  {24, 'O', 'O'},  {25, 'P', 'P'},  {26, '@', '`'},  {27, '[', '{'},
    {30, 'A', 'A'},  {31, 'S', 'S'},  {32, 'D', 'D'},  {33, 'F', 'F'},  {34, 'G', 'G'},  {35, 'H', 'H'},
    {36, 'J', 'J'},  {37, 'K', 'K'},  {38, 'L', 'L'},  {39, ';', '+'},  {40, ':', '*'},  {43, ']', '}'},
    {44, 'Z', 'Z'},  {45, 'X', 'X'},  {46, 'C', 'C'},  {47, 'V', 'V'},  {48, 'B', 'B'},  {49, 'N', 'N'},
    {50, 'M', 'M'},  {51, ',', '<'},  {52, '.', '>'},  {53, '/', '?'},  {89, '\\', '_'},  // ro
    {57, ' ', ' '},
};

}  // namespace

char JisKeyChar(int keyCode, bool shift)
{
    for (const JisKey& k : kJisKeys)
        if (k.code == keyCode) return shift ? k.shifted : k.plain;
    return 0;
}

int JisKeyCodeOf(char c)
{
    for (const JisKey& k : kJisKeys)
        if (k.plain == c && c != 0) return k.code;
    return 0;
}

std::optional<Ht9Request> Ht9Unit::Type(char c)
{
    if (busy_ || c < 0) return std::nullopt;
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (mode_ < 30 && (upper == 'G' || upper == 'I')) return Press(upper == 'G' ? key::Group : key::Item);
    if (mode_ == 22 && upper == 'D') return Press(key::Data);
    if (mode_ >= 30 && c == '#') return Press(key::Shift);
    if (c == 0) return Press(key::Bs);
    if (isDigit(c)) return EnterChar(c);
    if (mode_ < 30) return std::nullopt;
    if (std::isalpha(static_cast<unsigned char>(c))) return EnterChar(upper);
    if (c >= 0x20 && c < 0x7f) return EnterChar(c);
    return std::nullopt;
}

}  // namespace kravin::online::ht9
