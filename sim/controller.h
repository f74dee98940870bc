// The programming-unit command language of a controller, one command line at a time.
#pragma once

#include "card.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvsim {

constexpr char kStx = 0x02;
constexpr char kCr = 0x0D;

std::string EncodeFrame(std::string_view address, std::string_view text);  // STX addr text sum CR
std::string FrameSum(std::string_view addressAndText);                     // two upper-case digits

// A reply before it is put on the wire.
struct Answer {
    bool framed = false;
    std::string address;  // framed: the address of the command
    std::string text;     // without CR, e.g. "COK", "D12.5", "CNG"
    int card = 0;         // index of the answering card
    std::string bytes() const;  // plain: text CR; framed: the frame
};

class Controller {
public:
    explicit Controller(std::vector<SimCard> cards);

    // Answers one received line (CR included). Nothing for a framed line that is not
    // valid or addressed to no card (a real card stays silent then).
    std::optional<Answer> handle(std::string_view line);

    // Extra frame addresses every card answers besides its unit ID (the programming-unit ID).
    void setExtraAddresses(std::vector<std::string> addresses) { extraAddresses_ = std::move(addresses); }

    int activeCard() const { return active_; }
    int bank() const { return bank_; }
    int clearCount() const { return clears_; }
    const std::vector<SimCard>& cards() const { return cards_; }
    std::optional<std::string> value(int card, int bank, int group, int item) const;
    // The group and item a received line addresses (an item or data command), -1 -1 otherwise.
    std::pair<int, int> target(std::string_view line) const;
    // Sets an item's value as the card's own program would (tests change live values so).
    void setValue(int card, int bank, int group, int item, std::string value);

private:
    // The card whose table holds a group: the cards of a V8RTU station hold groups 0 and 1
    // once for all of them, with the first V8RTU card.
    int holder(int card, int group) const;
    ItemTable& table(int card, int group);
    std::string handleText(int card, std::string_view text);
    std::string writeItem(int card, std::string value);
    std::optional<int> cardForAddress(std::string_view address) const;
    std::optional<std::string> value0(int card, int item) const;

    std::vector<SimCard> cards_;
    std::vector<std::string> extraAddresses_;
    int active_ = 0;
    int bank_ = 0;     // 0 or 2 on a card with a second bank
    int group_ = -1;   // selected group, -1 none
    int item_ = -1;    // selected item, -1 none
    int clears_ = 0;
};

}  // namespace qvsim
