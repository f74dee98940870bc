// The HT-9 hand-held programming unit: its keys, its two-line display and the exchanges
// each key asks for. No Qt and no waits: a key gives the first request of its exchange,
// every completed request gives the next one, and the display follows the replies.
#pragma once

#include <deque>
#include <optional>
#include <string>

namespace kravin::online::ht9 {

// Key ids (also the commands of the unit's buttons).
namespace key {
constexpr int Group = 41000;
constexpr int Item = 41001;
constexpr int Data = 41002;
constexpr int Shift = 41003;   // "#"
constexpr int Digit0 = 41004;  // .. 41013 digit 9
constexpr int Dot = 41014;
constexpr int Minus = 41015;
constexpr int Clr = 41016;
constexpr int Up = 41017;
constexpr int Down = 41018;
constexpr int Enter = 41019;
constexpr int End = 41020;
constexpr int Bs = 41021;
constexpr int GroupUp = 41022;
constexpr int GroupDown = 41023;
constexpr int LetterA = 41026;  // .. 41051 letter Z
constexpr int Write = 41052;
constexpr int Read = 41053;
}  // namespace key

constexpr int kPortKinds = 7;
// The key of each port kind 0..6 and its caption.
int PortKindKey(int kind);
const char* PortKindCaption(int kind);
// The port kind a key selects; -1 for other keys.
int PortKindOfKey(int id);
// The baud index (0 = 1200, 1 = 9600, 2 = 57600) a port kind opens the port with.
int PortKindBaudIndex(int kind);
// Kinds 2 and 6 talk framed, with the programming-unit ID.
bool PortKindFramed(int kind);

// The keyboard types as a Japanese (JIS) layout does, whatever the machine's layout:
// a key is known by its position, the kernel's key code (KEY_1 = 2, KEY_Q = 16 ...).
// The character of the key at code, shifted or not; 0 when it types none.
char JisKeyChar(int keyCode, bool shift);
// The key code of the key whose unshifted character is c (letters upper case); 0 when none.
int JisKeyCodeOf(char c);

enum class Ht9Mode { Serial, Bus };

// One exchange step the view performs for the unit.
struct Ht9Request {
    enum class Kind { Serial, BusCycle, BusRead, BusWrite, Pause };
    Kind kind = Kind::Pause;
    std::string bytes;  // serial: the command (CR included); bus write: the text (CR included)
    int replyMax = 0;   // serial: the longest reply read
    bool framed = false;
    int group = 0;
    int item = 0;
    int pauseMs = 0;
    bool writeMode = false;  // the unit's write mode when the request was made
};

// What a request gave: serial, the bytes read (empty when nothing came); bus read, the
// text read; bus write and cycle, ok only.
struct Ht9Reply {
    bool ok = false;
    std::string bytes;
};

class Ht9Unit {
public:
    static constexpr int kDataPlaces = 16;

    Ht9Unit(Ht9Mode mode, int portKind);

    // A key of the unit; the first request of its exchange, or nothing when the key needs
    // none (or is not served now: keys wait while an exchange runs).
    std::optional<Ht9Request> Press(int id);
    // A character typed on the keyboard (digits, letters, signs); 0 is BS.
    std::optional<Ht9Request> Type(char c);
    // The request handed out last is done; the next one, or nothing when the exchange is over.
    std::optional<Ht9Request> Complete(const Ht9Reply& reply);
    bool busy() const { return busy_; }
    // The exchange was dropped (the view closes, or the request never came back).
    void Cancel();

    // Puts a reply on the display: data line and type field.
    void ParseReply(const std::string& reply);

    void setPortKind(int kind) { portKind_ = kind; }
    int portKind() const { return portKind_; }
    Ht9Mode linkMode() const { return link_; }

    int mode() const { return mode_; }
    int shift() const { return shift_; }
    bool writeMode() const { return writeMode_; }
    // The DATA key is usable: serial mode, or the unit in write mode.
    bool dataUsable() const { return link_ == Ht9Mode::Serial || writeMode_; }
    const std::string& groupText() const { return group_; }
    const std::string& itemText() const { return item_; }
    const std::string& typeText() const { return type_; }
    const std::string& dataLine() const { return data_; }
    // END was pressed: the view closes.
    bool endRequested() const { return end_; }

    // The character a digit key gives in data entry at the current shift (0 none).
    char ShiftedDigit(int digit) const;

private:
    enum class Finish { None, Group, Parse, Write, Read };

    std::optional<Ht9Request> Begin(std::deque<Ht9Request> script, Finish finish);
    std::optional<Ht9Request> EnterChar(char c);
    std::optional<Ht9Request> ReadItem();
    std::optional<Ht9Request> SerialCommand(const std::string& command, int replyMax, Finish finish);
    std::optional<Ht9Request> Enter();
    std::optional<Ht9Request> UpDown(bool up);
    std::optional<Ht9Request> GroupStep(bool up);
    std::optional<Ht9Request> WriteRead(bool write);
    void StartField(bool group);
    void ResetAll();
    void ResetDataLine() { data_ = "D" + std::string(kDataPlaces - 1, ' '); }
    Ht9Request Serial(const std::string& command, int replyMax) const;
    static Ht9Request Pause(int ms);
    void End(const Ht9Reply& last);

    Ht9Mode link_;
    int portKind_;
    int mode_ = 0;
    int shift_ = 0;
    bool writeMode_ = false;
    bool end_ = false;
    std::string group_ = "  ";
    std::string item_ = "  ";
    std::string type_ = "  ";
    std::string data_;

    bool busy_ = false;
    std::deque<Ht9Request> script_;
    Finish finish_ = Finish::None;
    Ht9Request::Kind current_ = Ht9Request::Kind::Pause;
    Ht9Reply answer_;        // the reply the exchange ends with
    bool writeFailed_ = false;
};

}  // namespace kravin::online::ht9
