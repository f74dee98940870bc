/*
 * VUKEN - field-bus access library.
 *
 * Item address:        station << 5 | card                      (station 0..63, card 0..15)
 * Cyclic-data address: station << 14 | card << 9 | point << 5 | sub (point 0..15, sub 0..1)
 *
 * Every function is thread-safe. A reply text returned by rw_dcs_items belongs to
 * the library and stays valid for the calling thread until that thread's next call.
 */
#ifndef VUKEN_H
#define VUKEN_H

#if defined(VUKEN_BUILDING)
#define VUKEN_API __attribute__((visibility("default")))
#else
#define VUKEN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Request of one item: decimal group and item number, the value text to write (null for reads). */
typedef struct BusItemRequest {
    int group;
    int item;
    char* data;
} BusItemRequest;

enum {
    VUKEN_STATUS_CLOSED = 0,
    VUKEN_STATUS_READY = 2,

    VUKEN_OP_MONITOR_READ = 0x81,
    VUKEN_OP_WRITE = 0x82,
    VUKEN_OP_READ = 0x85,

    /* rw_dcs_items results besides 0 (done) */
    VUKEN_ERR_NOT_READY = 1,
    VUKEN_ERR_ARGUMENT = 2,
    VUKEN_ERR_NO_CARD = 3,
    VUKEN_ERR_NO_ITEM = 4,
    VUKEN_ERR_OPERATION = 5
};

typedef void (*vuken_fatal_callback)(const char* message);

/* (Re)connects the bus: afterwards the status is ready unless a fault is set. */
VUKEN_API void kilnbus_cycle(void);
/* Closes the bus link. */
VUKEN_API void kilnbus_close(void);
/* 2 = ready. */
VUKEN_API int get_kilnbus_status(void);
/* Reads (0x81, 0x85) or writes (0x82) one item; 0 = done, any other value = failed. */
VUKEN_API int rw_dcs_items(int operation, int address, BusItemRequest* request, char** reply);
/* 16-bit cyclic value of an analog terminal (sub 0 first value, sub 1 second). */
VUKEN_API short get_ax_cycdata(int address);
/* 32-bit cyclic value of a digital terminal: low 16 bits first value, high 16 bits second. */
VUKEN_API unsigned int get_dx_cycdata(int address, int width);
/* Registers the function told of fatal bus errors. */
VUKEN_API void set_dcsfatalerr_callbk(vuken_fatal_callback callback);
/* Emergency stop: the link drops and the fatal-error callback is told "panic". */
VUKEN_API void panic(void);

#ifdef __cplusplus
}
#endif

#endif /* VUKEN_H */
