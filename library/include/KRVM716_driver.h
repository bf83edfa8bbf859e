#ifndef KRVM716_DRIVER_H
#define KRVM716_DRIVER_H
/* The interface between the motion library and the interrupt driver KRVM716S: the entry
 * DriverProc, its message codes and the interrupt block, one per board, that both share.
 *
 * What the driver promises about the interrupt factors: `factors` holds, per axis, the factors
 * pending until the library takes them. At each interrupt of a registered board the driver
 * selects each axis in turn, reads its RR3 (which reading clears in the chip) and adds (ORs)
 * what it read to the axis's word with an atomic read-modify-write, never replacing what the
 * word holds; an interrupt with no factor pending changes nothing. Then it signals
 * "KRV_EVT_HOMEINT" + board when any axis's drive ended and "KRV_EVT_INTERRUPT" + board when
 * any factor was pending. An interrupt after the board was unregistered changes nothing.
 * The library takes the factors by exchanging each word with 0, adds those it reads from RR3
 * itself the way the driver does (holding the bus lock, then signalling the interrupt event)
 * and may remove factors it knows the application did not ask for (atomic AND), so every
 * factor is reported once.
 *
 * Concurrency: the driver writes the interrupt factors, the compare values and the continuous
 * path progress at interrupt time, holding the board's bus lock; the library reads them
 * without a lock. Apart from the factors, each side writes only its own fields, except the
 * COMP+ / COMP- copies (both sides keep them as the values they load) and the table slots (the
 * library ends a running table with state 0 and stores a new one, the driver sets the state)
 * and the continuous path's idle flag and progress (the library sets the idle flag at a stop
 * and clears it and the progress at a start, the driver sets the progress as the chip takes
 * the path's segments up and the idle flag when the path has ended): both sides write those
 * holding the bus lock, the progress with atomic stores, which the library reads atomically.
 *
 * The continuous path (code 5): the library fills the path's fields under the bus lock, with
 * WR5 bit 14 set, and calls code 5 still holding it; the driver copies them and loads the
 * segments at the interrupts that follow, with the command words the block gives for each
 * record value. It ends feeding when the stop flag is set, and sets the idle flag when the
 * path's interpolation has ended, whatever ended it. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  M716_DRIVER_REGISTER_BOARD = 1,   /* attach to the board's interrupt, create its events */
  M716_DRIVER_UNREGISTER_BOARD = 2, /* detach, close the events it created */
  M716_DRIVER_COMPARE_TABLE = 3,    /* take over the compare table of the named slot */
  M716_DRIVER_SPEED_TABLE = 4,      /* take over the speed table of the named slot */
  M716_DRIVER_START_PATH = 5        /* start feeding the continuous path; may be called holding
                                       the board's bus lock */
};

/* Event names: prefix followed by the board number in decimal. */
#define M716_EVENT_INTERRUPT_PREFIX "KRV_EVT_INTERRUPT"
#define M716_EVENT_HOME_PREFIX "KRV_EVT_HOMEINT"

/* Slot states of a table (0: none handed over, or ended by the library). */
enum { M716_TABLE_RUNNING = 1, M716_TABLE_DONE = 2 };

/* One compare or speed table handed to the driver. */
typedef struct M716TableSlot {
  uint16_t state; /* M716_TABLE_RUNNING or M716_TABLE_DONE, written by the driver */
  uint32_t count; /* number of entries */
  void* table;    /* the application's table */
#if UINTPTR_MAX == 0xFFFFFFFFu
  uint32_t reserved;
#endif
} M716TableSlot;

/* On 32-bit x86 the block is 216 bytes at the offsets the board's original driver expects;
 * on 64-bit targets the address fields are pointer-sized and the fields after them move. */
typedef struct M716InterruptBlock {
  uint8_t board;
  uint16_t irq;
  uint32_t baseAddress;
  /* Segments of the continuous path the driver loaded only after the one before had ended, so
   * the path stood between them (it goes on from there); set to 0 when a path starts. */
  uint32_t pathUnderruns;
  uint16_t factors[4]; /* RR3 factors of X, Y, Z, U pending since the library last took them */
  uint32_t pathProgress;
  uint32_t pathPoints;
  uint16_t pathCommands[5];
  uint16_t pathAxes;
  uint8_t pathIdle;
  uint8_t pathStop;
  void* pathRecords;
  uint8_t compareAxis;
  int32_t comparePlus[4];
  M716TableSlot compareTables[4];
  uint8_t speedAxis;
  int32_t compareMinus[4];
  M716TableSlot speedTables[4];
} M716InterruptBlock;

#if UINTPTR_MAX == 0xFFFFFFFFu
#ifdef __cplusplus
#define M716_STATIC_ASSERT static_assert
#else
#define M716_STATIC_ASSERT _Static_assert
#endif
M716_STATIC_ASSERT(sizeof(M716InterruptBlock) == 216, "interrupt block size");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, pathUnderruns) == 8, "path underruns");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, factors) == 12, "factors");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, pathProgress) == 20, "progress");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, pathCommands) == 28, "path commands");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, pathIdle) == 40, "idle flag");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, pathStop) == 41, "stop flag");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, pathRecords) == 44, "path records");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, compareAxis) == 48, "compare axis");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, comparePlus) == 52, "COMP+ values");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, compareTables) == 68, "compare tables");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, speedAxis) == 132, "speed axis");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, compareMinus) == 136, "COMP- values");
M716_STATIC_ASSERT(offsetof(M716InterruptBlock, speedTables) == 152, "speed tables");
#endif

/* Called as DriverProc(0, 0, code, (uintptr_t)block, 0); 0 is success. */
typedef uint32_t (*M716DriverProc)(uintptr_t, uintptr_t, uintptr_t code, uintptr_t block,
                                   uintptr_t);

#ifdef __cplusplus
}
#endif

#endif /* KRVM716_DRIVER_H */
