#include "version_sync.h"

#include <array>
#include <cctype>

namespace kravin::online {

namespace {

constexpr int kTries = 4;

std::string padded(std::string_view text)
{
    std::string s(text.substr(0, std::min<std::size_t>(text.size(), 8)));
    s.resize(8, ' ');
    return s;
}

class Dialogue {
public:
    Dialogue(SerialLink& link, bool framed, const std::function<bool()>& cancelled)
        : link_(link), framed_(framed), cancelled_(cancelled)
    {
    }

    bool stop() const { return cancelled_ && cancelled_(); }

    // One command and its reply line (with its CR); nothing on a time-out.
    std::optional<std::string> exchange(const char* command, int maxLength, bool plain = false)
    {
        std::array<char, 64> buffer{};
        int n = -1;
        if (framed_ && !plain) {
            if (!link_.SendPuFrame(command, 4, 1)) return std::nullopt;
            n = link_.ReceivePuFrame(buffer.data(), maxLength);
            if (n == 0) return std::string();  // an invalid frame
        } else {
            if (!link_.ComWrite(command, 4)) return std::nullopt;
            n = link_.ComReadLine(buffer.data(), maxLength);
        }
        if (n < 0) return std::nullopt;
        return std::string(buffer.data(), static_cast<std::size_t>(std::min(n, maxLength)));
    }

    // "G00" until it is accepted, then the item: its reply when it passes check.
    std::optional<std::string> item(const char* command, const std::function<bool(const std::string&)>& check)
    {
        for (int t = 0; t < kTries && !stop(); ++t) {
            const auto open = exchange("G00\r", 4);
            if (!open || open->rfind("COK", 0) != 0) continue;
            const auto reply = exchange(command, 21);
            if (reply && check(*reply)) return reply;
        }
        return std::nullopt;
    }

private:
    SerialLink& link_;
    bool framed_;
    const std::function<bool()>& cancelled_;
};

// A value reply: "D", the value of at least width characters and CR.
bool valueReply(const std::string& r, std::size_t width)
{
    return r.size() >= width + 2 && r.front() == 'D' && r.back() == '\r';
}

std::string beforeLast(const std::string& r, std::size_t width) { return r.substr(r.size() - 1 - width, width); }

}  // namespace

bool NeedsFamilyQuery(int n) { return n == 14 || n == 24 || (n >= 26 && n <= 29) || (n >= 31 && n <= 33); }

std::string FamilyModel(int number, int table)
{
    struct Row {
        int number;
        const char* first;
        const char* second;
    };
    static constexpr Row kRows[] = {{24, "TQNH2", "TQGV2"}, {26, "TQNU8", "TQGH2"}, {27, "TQNB9", "TQGU8"},
                                    {28, "TQNB2", "TQGB9"}, {29, "TQNW2", "TQGB2"}, {14, "", "TQGW2"},
                                    {31, "TQNK9", "TQGK9"}, {32, "TQNP8", "TQGP8"}, {33, "TQNP3", "TQGP3"}};
    for (const Row& r : kRows)
        if (r.number == number) {
            const std::string name = table == 2 ? r.second : r.first;
            return name.empty() ? name : padded(name);
        }
    return {};
}

SyncResult ReadUnitIdentity(SerialLink& link, bool framed, const std::function<bool()>& cancelled)
{
    SyncResult result;
    Dialogue d(link, framed, cancelled);
    const auto fail = [&] {
        result.status = d.stop() ? SyncStatus::Cancelled : SyncStatus::CommunicationError;
        return result;
    };

    const auto model = d.item("I96\r", [](const std::string& r) {
        return valueReply(r, 2) && std::isdigit(static_cast<unsigned char>(r[r.size() - 3])) &&
               std::isdigit(static_cast<unsigned char>(r[r.size() - 2]));
    });
    if (!model) return fail();
    result.unit.modelNumber = std::stoi(beforeLast(*model, 2));

    if (NeedsFamilyQuery(result.unit.modelNumber)) {
        // "G98": no reply is retried; anything but "COK" is the first family.
        std::optional<std::string> g98;
        for (int t = 0; t < kTries && !g98 && !d.stop(); ++t) g98 = d.exchange("G98\r", 4, true);
        if (!g98) return fail();
        if (g98->rfind("COK", 0) != 0) {
            result.unit.table = 1;
        } else {
            std::optional<std::string> i10;
            for (int t = 0; t < kTries && !i10 && !d.stop(); ++t) i10 = d.exchange("I10\r", 21, true);
            if (!i10) return fail();
            result.unit.table = i10->rfind("CNG", 0) != 0 ? 2 : 1;
        }
    }

    if (d.stop()) return fail();
    const auto version = d.item("I99\r", [](const std::string& r) { return valueReply(r, 4); });
    if (!version) return fail();
    result.unit.version = beforeLast(*version, 4);
    result.status = SyncStatus::Ok;
    return result;
}

int CheckUnitModel(const UnitIdentity& unit, std::string_view currentModel, const std::vector<std::string>& names,
                   const std::function<std::optional<std::string>(const std::vector<std::string>&)>& choose)
{
    const std::string current = padded(currentModel);
    if (unit.modelNumber == 0)
        return current.rfind("63WH", 0) == 0 || current.rfind("TQRW", 0) == 0 ? 0 : 8123;
    std::string found;
    if (NeedsFamilyQuery(unit.modelNumber) && unit.table != 0) {
        found = FamilyModel(unit.modelNumber, unit.table);
        if (found.empty()) {  // number 14 in the first family: the user picks
            const auto chosen = choose ? choose(names) : std::nullopt;
            if (!chosen) return 8305;
            found = padded(*chosen);
        }
    } else if (names.size() == 1) {
        found = padded(names.front());
    } else if (names.size() > 1) {
        const auto chosen = choose ? choose(names) : std::nullopt;
        if (!chosen) return 8305;
        found = padded(*chosen);
    }
    return found == current ? 0 : 8123;
}

}  // namespace kravin::online
