/*
 * Control of the simulated bus behind VUKEN, for tests and for running the
 * tool without hardware.
 *
 * The bus can also be described by a text file named in the environment
 * variable KRAVIN_BUS_SIM, read at the first call into the library. Lines:
 *   # comment
 *   card    <station> <card>
 *   item    <station> <card> <group> <item> <value text>
 *   analog  <station> <card> <point> <sub> <value>
 *   digital <station> <card> <point> <32-bit value>
 *   status  <status after kilnbus_cycle>
 *   rtu     <station>   (a V8RTU station: its cards hold groups 0 and 1 once, with card 0)
 * Numbers are decimal (or 0x hexadecimal). Cards are 0..15 (the tool's card number minus 1).
 */
#ifndef VUKEN_SIM_H
#define VUKEN_SIM_H

#include "vuken.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Empties the bus: no cards, closed link, ready status after a cycle, no faults. */
VUKEN_API void vuken_sim_reset(void);
/* Reads a bus description (format above). 0 = done, else the number of the first bad line. */
VUKEN_API int vuken_sim_load(const char* path);
/* Places a card (a card that answers requests). */
VUKEN_API int vuken_sim_add_card(int station, int card);
VUKEN_API int vuken_sim_set_item(int station, int card, int group, int item, const char* value);
/* Makes a station a V8RTU station: every card's groups 0 and 1 are those of card 0, as a
   station download writes them only through its first card. */
VUKEN_API int vuken_sim_set_rtu_station(int station);
/* Copies an item's value text into buffer (size bytes, terminated); -1 when it does not exist. */
VUKEN_API int vuken_sim_get_item(int station, int card, int group, int item, char* buffer, int size);
VUKEN_API int vuken_sim_set_analog(int station, int card, int point, int sub, short value);
VUKEN_API int vuken_sim_set_digital(int station, int card, int point, unsigned int value);
/* Status reported after kilnbus_cycle (2 = ready). */
VUKEN_API void vuken_sim_set_cycle_status(int status);
/* Makes every request of one item fail with result (0 removes the fault). */
VUKEN_API int vuken_sim_fail_item(int station, int card, int group, int item, int result);
/* Makes the next count requests of one item fail with result (nonzero), then serve again. */
VUKEN_API int vuken_sim_fail_item_times(int station, int card, int group, int item, int result, long count);
/* The next count cycles leave the bus not ready (status 0). */
VUKEN_API void vuken_sim_not_ready_cycles(long count);
/* Calls the registered fatal-error callback with message on the calling thread. */
VUKEN_API void vuken_sim_raise_fatal(const char* message);
/* Number of rw_dcs_items calls since the last reset. */
VUKEN_API long vuken_sim_request_count(void);

/* One rw_dcs_items call as the journal keeps it. */
typedef struct VukenJournalEntry {
    int operation;
    int address;
    int group;   /* -1 without a request */
    int item;    /* -1 without a request */
    char data[32]; /* the text written, cut to 31 bytes; empty for reads */
    int result;  /* what the call returned */
} VukenJournalEntry;

/* Number of rw_dcs_items calls in the journal (emptied by vuken_sim_reset; past 100000
   calls the oldest half is dropped). */
VUKEN_API long vuken_sim_journal_size(void);
/* Copies journal entry index (0 = oldest); -1 when there is no such entry. */
VUKEN_API int vuken_sim_journal_entry(long index, VukenJournalEntry* entry);

#ifdef __cplusplus
}
#endif

#endif /* VUKEN_SIM_H */
