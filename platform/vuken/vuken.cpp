// The simulated field bus behind the eight bus functions.
#include "vuken_sim.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::size_t kJournalLimit = 100000;

struct Card {
    std::map<std::pair<int, int>, std::string> items;      // (group, item) -> value text
    std::map<std::pair<int, int>, short> analog;            // (point, sub)
    std::map<int, unsigned int> digital;                    // point
};

struct Bus {
    std::mutex mutex;
    std::map<std::pair<int, int>, Card> cards;              // (station, card)
    std::set<int> rtuStations;                              // stations whose cards share groups 0 and 1
    std::map<std::tuple<int, int, int, int>, int> faults;   // (station, card, group, item) -> result
    std::map<std::tuple<int, int, int, int>, std::pair<int, long>> countedFaults;  // -> (result, requests left)
    long notReadyCycles = 0;                                // cycles that still leave the bus not ready
    int status = VUKEN_STATUS_CLOSED;
    int cycleStatus = VUKEN_STATUS_READY;
    long requests = 0;
    std::vector<VukenJournalEntry> journal;                 // every rw_dcs_items call
    vuken_fatal_callback fatal = nullptr;
};

Bus& bus()
{
    static Bus b;
    return b;
}

bool validUnit(int station, int card) { return station >= 0 && station < 64 && card >= 0 && card < 16; }
bool validItem(int group, int item) { return group >= 0 && group <= 99 && item >= 0 && item <= 99; }

bool parseNumber(const std::string& text, long long& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    int base = 10;
    bool negative = false;
    if (first != last && *first == '-') {
        negative = true;
        ++first;
    }
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        first += 2;
        base = 16;
    }
    const auto r = std::from_chars(first, last, value, base);
    if (r.ec != std::errc() || r.ptr != last) return false;
    if (negative) value = -value;
    return true;
}

// The card that holds an item: a V8RTU station holds groups 0 and 1 once for its cards,
// with its first card.
int holderCard(const Bus& b, int station, int card, int group)
{
    return group <= 1 && b.rtuStations.count(station) ? 0 : card;
}

// Applies one line of a bus description; false when it is malformed.
bool applyLine(Bus& b, const std::string& line)
{
    std::istringstream in(line);
    std::string word;
    if (!(in >> word) || word[0] == '#') return true;
    auto numbers = [&](int count, long long* out) {
        for (int i = 0; i < count; ++i) {
            std::string t;
            if (!(in >> t) || !parseNumber(t, out[i])) return false;
        }
        return true;
    };
    long long n[5];
    if (word == "status") {
        if (!numbers(1, n)) return false;
        b.cycleStatus = static_cast<int>(n[0]);
        return true;
    }
    if (word == "rtu") {
        if (!numbers(1, n) || !validUnit(int(n[0]), 0)) return false;
        b.rtuStations.insert(int(n[0]));
        return true;
    }
    if (!numbers(2, n) || !validUnit(int(n[0]), int(n[1]))) return false;
    Card& card = b.cards[{int(n[0]), int(n[1])}];
    if (word == "card") return true;
    if (word == "item") {
        if (!numbers(2, n + 2) || !validItem(int(n[2]), int(n[3]))) return false;
        std::string value;
        std::getline(in >> std::ws, value);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        b.cards[{int(n[0]), holderCard(b, int(n[0]), int(n[1]), int(n[2]))}].items[{int(n[2]), int(n[3])}] = value;
        return true;
    }
    if (word == "analog") {
        if (!numbers(3, n + 2) || n[2] < 0 || n[2] > 15 || n[3] < 0 || n[3] > 1) return false;
        card.analog[{int(n[2]), int(n[3])}] = static_cast<short>(n[4]);
        return true;
    }
    if (word == "digital") {
        if (!numbers(2, n + 2) || n[2] < 0 || n[2] > 15) return false;
        card.digital[int(n[2])] = static_cast<unsigned int>(n[3]);
        return true;
    }
    return false;
}

int loadFile(Bus& b, const char* path)
{
    std::ifstream in(path);
    if (!in) return -1;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!applyLine(b, line)) return number;
    }
    return 0;
}

// The bus named by KRAVIN_BUS_SIM is read once, before the first call does anything.
Bus& startedBus()
{
    static std::once_flag once;
    Bus& b = bus();
    std::call_once(once, [&b] {
        if (const char* path = std::getenv("KRAVIN_BUS_SIM"); path && *path) {
            std::lock_guard<std::mutex> lock(b.mutex);
            loadFile(b, path);
        }
    });
    return b;
}

Card* findCard(Bus& b, int station, int card)
{
    const auto it = b.cards.find({station, card});
    return it == b.cards.end() ? nullptr : &it->second;
}

// Decodes station << 14 | card << 9 | point << 5 | sub.
struct CyclicAddress {
    int station, card, point, sub;
};

CyclicAddress decodeCyclic(int address)
{
    const auto a = static_cast<unsigned>(address);
    return {int((a >> 14) & 0x3FF), int((a >> 9) & 0x1F), int((a >> 5) & 0xF), int(a & 0x1F)};
}

// The card a cyclic read addresses on a ready bus, if any.
const Card* cyclicCard(Bus& b, const CyclicAddress& a)
{
    if (b.status != VUKEN_STATUS_READY || !validUnit(a.station, a.card)) return nullptr;
    return findCard(b, a.station, a.card);
}

void clearMemory(Card& card)
{
    for (auto& [key, value] : card.items)
        if (key.first != 0) value = "0";
}

int serveItems(Bus& b, int operation, int address, BusItemRequest* request, char** reply, std::string& replyText)
{
    if (b.status != VUKEN_STATUS_READY) return VUKEN_ERR_NOT_READY;
    if (!request || address < 0) return VUKEN_ERR_ARGUMENT;
    const int station = address >> 5, cardNo = address & 31;
    if (!validUnit(station, cardNo) || !validItem(request->group, request->item)) return VUKEN_ERR_ARGUMENT;
    Card* const addressed = findCard(b, station, cardNo);
    if (!addressed) return VUKEN_ERR_NO_CARD;
    Card* const card = &b.cards[{station, holderCard(b, station, cardNo, request->group)}];
    if (const auto f = b.faults.find({station, cardNo, request->group, request->item}); f != b.faults.end())
        return f->second;
    if (const auto f = b.countedFaults.find({station, cardNo, request->group, request->item}); f != b.countedFaults.end()) {
        const int result = f->second.first;
        if (--f->second.second <= 0) b.countedFaults.erase(f);
        return result;
    }

    const std::pair<int, int> key{request->group, request->item};
    switch (operation) {
    case VUKEN_OP_MONITOR_READ:
    case VUKEN_OP_READ: {
        if (!reply) return VUKEN_ERR_ARGUMENT;
        const auto it = card->items.find(key);
        if (it == card->items.end()) return VUKEN_ERR_NO_ITEM;
        replyText = it->second;
        *reply = replyText.data();
        return 0;
    }
    case VUKEN_OP_WRITE:
        if (!request->data) return VUKEN_ERR_ARGUMENT;
        card->items[key] = request->data;
        // The clear empties the addressed card's own memory; on a V8RTU station groups 0 and 1
        // are its first card's.
        if (key == std::pair<int, int>{0, 95} && std::strcmp(request->data, "1") == 0) clearMemory(*addressed);
        return 0;
    default:
        return VUKEN_ERR_OPERATION;
    }
}

}  // namespace

extern "C" {

void kilnbus_cycle(void)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (b.notReadyCycles > 0) {
        --b.notReadyCycles;
        b.status = VUKEN_STATUS_CLOSED;
        return;
    }
    b.status = b.cycleStatus;
}

void kilnbus_close(void)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.status = VUKEN_STATUS_CLOSED;
}

int get_kilnbus_status(void)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    return b.status;
}

int rw_dcs_items(int operation, int address, BusItemRequest* request, char** reply)
{
    thread_local std::string replyText;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    ++b.requests;
    const int result = serveItems(b, operation, address, request, reply, replyText);
    VukenJournalEntry entry{};
    entry.operation = operation;
    entry.address = address;
    entry.group = request ? request->group : -1;
    entry.item = request ? request->item : -1;
    if (request && request->data && operation == VUKEN_OP_WRITE)
        std::strncpy(entry.data, request->data, sizeof entry.data - 1);
    entry.result = result;
    // A long-running bus keeps its latest calls only.
    if (b.journal.size() >= kJournalLimit)
        b.journal.erase(b.journal.begin(), b.journal.begin() + static_cast<long>(kJournalLimit / 2));
    b.journal.push_back(entry);
    return result;
}

short get_ax_cycdata(int address)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    const CyclicAddress a = decodeCyclic(address);
    const Card* card = cyclicCard(b, a);
    if (!card) return 0;
    const auto it = card->analog.find({a.point, a.sub});
    return it == card->analog.end() ? 0 : it->second;
}

unsigned int get_dx_cycdata(int address, int width)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    const CyclicAddress a = decodeCyclic(address);
    const Card* card = cyclicCard(b, a);
    if (!card) return 0;
    const auto it = card->digital.find(a.point);
    const unsigned int value = it == card->digital.end() ? 0u : it->second;
    return width > 0 && width < 32 ? value & ((1u << width) - 1u) : value;
}

void set_dcsfatalerr_callbk(vuken_fatal_callback callback)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.fatal = callback;
}

void panic(void)
{
    vuken_fatal_callback callback;
    {
        Bus& b = startedBus();
        std::lock_guard<std::mutex> lock(b.mutex);
        b.status = VUKEN_STATUS_CLOSED;
        callback = b.fatal;
    }
    if (callback) callback("panic");
}

void vuken_sim_reset(void)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.cards.clear();
    b.rtuStations.clear();
    b.faults.clear();
    b.countedFaults.clear();
    b.notReadyCycles = 0;
    b.status = VUKEN_STATUS_CLOSED;
    b.cycleStatus = VUKEN_STATUS_READY;
    b.requests = 0;
    b.journal.clear();
}

int vuken_sim_load(const char* path)
{
    if (!path) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    return loadFile(b, path);
}

int vuken_sim_add_card(int station, int card)
{
    if (!validUnit(station, card)) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.cards[{station, card}];
    return 0;
}

int vuken_sim_set_item(int station, int card, int group, int item, const char* value)
{
    if (!validUnit(station, card) || !validItem(group, item) || !value) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.cards[{station, card}];
    b.cards[{station, holderCard(b, station, card, group)}].items[{group, item}] = value;
    return 0;
}

int vuken_sim_get_item(int station, int card, int group, int item, char* buffer, int size)
{
    if (!buffer || size <= 0) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (!findCard(b, station, card)) return -1;
    const Card* c = findCard(b, station, holderCard(b, station, card, group));
    if (!c) return -1;
    const auto it = c->items.find({group, item});
    if (it == c->items.end()) return -1;
    const std::size_t n = std::min(it->second.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = '\0';
    return 0;
}

int vuken_sim_set_analog(int station, int card, int point, int sub, short value)
{
    if (!validUnit(station, card) || point < 0 || point > 15 || sub < 0 || sub > 1) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.cards[{station, card}].analog[{point, sub}] = value;
    return 0;
}

int vuken_sim_set_digital(int station, int card, int point, unsigned int value)
{
    if (!validUnit(station, card) || point < 0 || point > 15) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.cards[{station, card}].digital[point] = value;
    return 0;
}

int vuken_sim_set_rtu_station(int station)
{
    if (!validUnit(station, 0)) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.rtuStations.insert(station);
    return 0;
}

void vuken_sim_set_cycle_status(int status)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.cycleStatus = status;
}

int vuken_sim_fail_item(int station, int card, int group, int item, int result)
{
    if (!validUnit(station, card) || !validItem(group, item)) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (result == 0)
        b.faults.erase({station, card, group, item});
    else
        b.faults[{station, card, group, item}] = result;
    return 0;
}

int vuken_sim_fail_item_times(int station, int card, int group, int item, int result, long count)
{
    if (!validUnit(station, card) || !validItem(group, item) || result == 0 || count <= 0) return -1;
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.countedFaults[{station, card, group, item}] = {result, count};
    return 0;
}

void vuken_sim_not_ready_cycles(long count)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.notReadyCycles = count < 0 ? 0 : count;
}

void vuken_sim_raise_fatal(const char* message)
{
    vuken_fatal_callback callback;
    {
        Bus& b = startedBus();
        std::lock_guard<std::mutex> lock(b.mutex);
        callback = b.fatal;
    }
    if (callback) callback(message ? message : "");
}

long vuken_sim_request_count(void)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    return b.requests;
}

long vuken_sim_journal_size(void)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    return static_cast<long>(b.journal.size());
}

int vuken_sim_journal_entry(long index, VukenJournalEntry* entry)
{
    Bus& b = startedBus();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (!entry || index < 0 || index >= static_cast<long>(b.journal.size())) return -1;
    *entry = b.journal[static_cast<std::size_t>(index)];
    return 0;
}

}  // extern "C"
