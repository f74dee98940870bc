#include "controller.h"

#include <charconv>

namespace qvsim {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool twoDigits(std::string_view s, int& out)
{
    if (s.size() != 2 || s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9') return false;
    out = (s[0] - '0') * 10 + (s[1] - '0');
    return true;
}

}  // namespace

std::string FrameSum(std::string_view addressAndText)
{
    unsigned sum = 0;
    for (unsigned char c : addressAndText) sum += c;
    sum &= 0xFF;
    return {kHex[sum >> 4], kHex[sum & 15]};
}

std::string EncodeFrame(std::string_view address, std::string_view text)
{
    std::string body(address);
    body.append(text);
    return std::string(1, kStx) + body + FrameSum(body) + kCr;
}

std::string Answer::bytes() const
{
    return framed ? EncodeFrame(address, text) : text + kCr;
}

Controller::Controller(std::vector<SimCard> cards) : cards_(std::move(cards))
{
    if (cards_.empty()) cards_.push_back(DefaultCard());
    for (SimCard& c : cards_) c.bank0[0];  // group 0 is always there
}

int Controller::holder(int card, int group) const
{
    auto v8rtu = [](const SimCard& c) { return c.model.rfind("V8RTU", 0) == 0; };
    if (group > 1 || !v8rtu(cards_[static_cast<std::size_t>(card)])) return card;
    for (std::size_t i = 0; i < cards_.size(); ++i)
        if (v8rtu(cards_[i])) return static_cast<int>(i);
    return card;
}

ItemTable& Controller::table(int card, int group)
{
    SimCard& c = cards_[static_cast<std::size_t>(holder(card, group))];
    // Group 0 holds the selectors and stays reachable in the second bank.
    return group != 0 && bank_ == 2 && c.hasBank2() ? c.bank2 : c.bank0;
}

std::optional<std::string> Controller::value(int card, int bank, int group, int item) const
{
    if (card < 0 || card >= static_cast<int>(cards_.size())) return std::nullopt;
    const SimCard& c = cards_[static_cast<std::size_t>(holder(card, group))];
    const ItemTable& t = bank == 2 ? c.bank2 : c.bank0;
    auto g = t.find(group);
    if (g == t.end()) return std::nullopt;
    auto i = g->second.find(item);
    if (i == g->second.end()) return std::nullopt;
    return i->second;
}

void Controller::setValue(int card, int bank, int group, int item, std::string value)
{
    if (card < 0 || card >= static_cast<int>(cards_.size())) return;
    SimCard& c = cards_[static_cast<std::size_t>(holder(card, group))];
    (bank == 2 ? c.bank2 : c.bank0)[group][item] = std::move(value);
}

std::optional<std::string> Controller::value0(int card, int item) const { return value(card, 0, 0, item); }

std::pair<int, int> Controller::target(std::string_view line) const
{
    if (line.empty() || line.back() != kCr) return {-1, -1};
    std::string_view text = line.substr(0, line.size() - 1);
    if (!text.empty() && text.front() == kStx) {
        if (text.size() < 7) return {-1, -1};
        text = text.substr(5, text.size() - 7);
    }
    int n = 0;
    if (text.size() == 3 && text[0] == 'I' && twoDigits(text.substr(1), n)) return {group_, n};
    if (!text.empty() && text[0] == 'D') return {group_, item_};
    return {-1, -1};
}

std::optional<int> Controller::cardForAddress(std::string_view address) const
{
    for (std::size_t i = 0; i < cards_.size(); ++i)
        if (cards_[i].unitId() == address) return static_cast<int>(i);
    for (const std::string& a : extraAddresses_)
        if (a == address) return active_;
    return std::nullopt;
}

std::optional<Answer> Controller::handle(std::string_view line)
{
    if (line.empty() || line.back() != kCr) return std::nullopt;
    Answer answer;
    std::string_view text = line.substr(0, line.size() - 1);
    if (!text.empty() && text.front() == kStx) {
        // STX, 4 address bytes, text, 2 sum digits.
        if (text.size() < 7) return std::nullopt;
        std::string_view body = text.substr(1, text.size() - 3);
        if (text.substr(text.size() - 2) != FrameSum(body)) return std::nullopt;
        answer.framed = true;
        answer.address = std::string(body.substr(0, 4));
        auto card = cardForAddress(answer.address);
        if (!card) return std::nullopt;
        active_ = *card;
        text = body.substr(4);
    }
    answer.card = active_;
    answer.text = handleText(active_, text);
    return answer;
}

std::string Controller::handleText(int card, std::string_view text)
{
    int n = 0;
    if (text.size() == 3 && text[0] == 'G' && twoDigits(text.substr(1), n)) {
        ItemTable& t = table(card, n);
        item_ = -1;
        if (cards_[static_cast<std::size_t>(card)].blank && (n == 0 || bank_ == 0 || n <= 14)) t[n];
        if (t.find(n) == t.end()) {
            group_ = -1;
            return "CNG";
        }
        group_ = n;
        return "COK";
    }
    if (text.size() == 3 && text[0] == 'I' && twoDigits(text.substr(1), n)) {
        if (group_ < 0) return "CNG";
        auto& items = table(card, group_)[group_];
        auto it = items.find(n);
        const SimCard& c = cards_[static_cast<std::size_t>(card)];
        if (it == items.end() && c.blank) {
            // An item of a blank device comes to be when it is written.
            item_ = n;
            return n == 10 ? "D**" : "D";
        }
        if (it == items.end() && c.sampleBlocks && bank_ == 0 && SampleBlockTakesItem(group_, n)) {
            // The group holds the items of the block written into it; unwritten, one reads empty.
            item_ = n;
            return "D";
        }
        if (it == items.end()) {
            item_ = -1;
            return "CNG";
        }
        item_ = n;
        return "D" + it->second;
    }
    if (!text.empty() && text[0] == 'D') {
        if (group_ < 0 || item_ < 0) return "CNG";
        // The hand-held unit's UP and DOWN in data entry: the value is shown, never changed.
        if (text == "DU" || text == "DD") return "D" + table(card, group_)[group_][item_];
        std::string value(text.substr(1));
        if (value.size() > 19) return "CNG";
        return writeItem(card, std::move(value));
    }
    return "CNG";
}

std::string Controller::writeItem(int card, std::string value)
{
    if (group_ == 0 && item_ == 0 && bank_ == 0 && cards_.size() > 1) {
        // The selector picks another card: its own selection starts empty.
        for (std::size_t i = 0; i < cards_.size(); ++i) {
            if (cards_[i].selector == value) {
                active_ = static_cast<int>(i);
                table(active_, 0)[0][0] = value;
                return "D" + value;
            }
        }
    }
    if (group_ == 0 && item_ == 0 && cards_[static_cast<std::size_t>(card)].hasBank2() && (value == "0" || value == "2")) {
        bank_ = value == "2" ? 2 : 0;
        cards_[static_cast<std::size_t>(card)].bank0[0][0] = value;
        return "D" + value;
    }
    if (group_ == 0 && item_ == 95 && bank_ == 0 && value == "1") {
        SimCard& c = cards_[static_cast<std::size_t>(card)];
        for (ItemTable* t : {&c.bank0, &c.bank2})
            for (auto& [g, items] : *t)
                if (g != 0)
                    for (auto& [i, v] : items) v = "0";
        ++clears_;
        return "D1";
    }
    if (cards_[static_cast<std::size_t>(card)].strict && group_ != 0) {
        const auto mode = value0(card, 1);
        if (!mode || *mode != "1") return "CNG";
    }
    auto& slot = table(card, group_)[group_][item_];
    slot = std::move(value);
    return "D" + slot;
}

}  // namespace qvsim
