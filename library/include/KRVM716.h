#ifndef KRVM716_H
#define KRVM716_H
/* KRVM716: the motion library of the MCB-716 four-axis pulse-output motion control board.
 *
 * Every function returns an error code (M716_OK, 0, on success; the codes below), except the
 * two raw port functions, which always return 1. Board numbers are 0..15 and axis selections
 * are masks (X = 1, Y = 2, Z = 4, U = 8); only the low byte of either counts.
 *
 * Concurrency: one board is driven from one thread at a time. Calls on different boards may
 * run at the same time. Open, close and discovery of a board must not overlap other calls on
 * that board. Groups of chip accesses that belong together are serialised with the interrupt
 * driver by the board's bus lock. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KRVM716_API __attribute__((visibility("default")))

/* Error codes. */
enum {
  M716_OK = 0,
  M716_ERR_BOARD_NUMBER = 1,
  M716_ERR_OPEN_DRIVER = 2,
  M716_ERR_CALL_DRIVER = 3,
  M716_ERR_OPEN_REGISTRY = 4,
  M716_ERR_READ_REGISTRY = 5,
  M716_ERR_AXIS_NUMBER = 6,
  M716_ERR_RG_UNDER = 7,
  M716_ERR_RG_OVER = 8,
  M716_ERR_SV_UNDER = 9,
  M716_ERR_SV_OVER = 10,
  M716_ERR_MDV_OVER = 11,
  M716_ERR_DV_UNDER = 12,
  M716_ERR_DV_OVER = 13,
  M716_ERR_AC_UNDER = 14,
  M716_ERR_AC_OVER = 15,
  M716_ERR_AK_UNDER = 16,
  M716_ERR_AK_OVER = 17,
  M716_ERR_PLMT_OVER = 18,
  M716_ERR_NLMT_OVER = 19,
  M716_ERR_DISTANCE = 20,
  M716_ERR_AXIS_BUSY = 21,
  M716_ERR_REGISTER_UNDEFINED = 22,
  M716_ERR_PARAMETER_INVALID = 23,
  M716_ERR_PARAMETER_OVER = 24,
  M716_ERR_PARAMETER_UNDER = 25,
  M716_ERR_IN_HOME = 26,
  M716_ERR_IN_EXTERNAL_DRIVE = 27,
  M716_ERR_WRITE_REGISTRY = 28,
  M716_ERR_VALUE_OVER = 29,
  M716_ERR_VALUE_UNDER = 30,
  M716_ERR_DC_OVER = 31,
  M716_ERR_DC_UNDER = 32,
  M716_ERR_MDV_UNDER = 33,
  M716_ERR_CREATE_REGISTRY = 34,
  M716_ERR_CREATE_THREAD = 35,
  M716_ERR_HOME_STOPPED = 36,
  M716_ERR_SPEED_INVALID = 37,
  M716_ERR_DO_IS_INDICATOR = 38,
  M716_ERR_CREATE_EVENT = 48,
  M716_ERR_CLOSE = 50,
  M716_ERR_HOME_EMERGENCY_STOP = 64,
  M716_ERR_HOME_LIMIT_PLUS = 65,
  M716_ERR_HOME_LIMIT_MINUS = 66,
  M716_ERR_HOME_ALARM = 67,
  M716_ERR_BUFFER_ALLOCATE = 80,
  M716_ERR_BUFFER_ALLOCATED = 81,
  M716_ERR_BUFFER_HANDLE = 82,
  M716_ERR_BUFFER_FIRST_POINT = 83,
  M716_ERR_BUFFER_FULL = 84,
  M716_ERR_BUFFER_NOT_CREATED = 85,
  M716_ERR_BUFFER_POINT_NUMBER = 86,
  M716_ERR_BUFFER_PATH_TYPE = 87,
  M716_ERR_BUFFER_MIXED_TYPES = 96,
  M716_ERR_BUFFER_ONE_POINT = 97,
  M716_ERR_DEVICE_ABSENT = 98
};

/* Raw port access: writes or reads the 16-bit word at the board's base address + offset
 * (offset taken as 16 bits, no wrap-around). Nothing is touched for a board above 15, a board
 * never bound to an address (reads then give 0xFFFF, as an empty slot) or a null pointer.
 * Both always return 1. */
KRVM716_API uint32_t M716_OutpWord(uint32_t board, uint32_t offset, uint16_t value);
KRVM716_API uint32_t M716_InpWord(uint32_t board, uint32_t offset, uint16_t* value);

/* Device open, close and discovery.
 * Open binds the board to the base address and IRQ of the installer's registry entry, loads
 * the interrupt driver, loads (on first use creates) the board's parameters, resets the chip
 * and loads every axis. Opening an open board does all of it again (unsaved parameter changes
 * are lost). Errors: 1, 2 (no driver), 4 (no registry entry), 5 / 34 (parameters),
 * 48 (events), 98 (no board answers at the address).
 * Discovery sets bit n of *mask for each installed board n that answers; a board this process
 * already has open counts as available and is left open. Errors: 5, 23. */
KRVM716_API uint32_t M716MotDevOpen(uint32_t board);
KRVM716_API uint32_t M716MotDevClose(uint32_t board);
KRVM716_API uint32_t M716MotDevAvailable(uint32_t* mask);

/* Parameter persistence: axes 0 saves the interpolation group of the board, otherwise the
 * selected axes (1..15). The save is one transaction: on failure nothing is written.
 * Errors: 1, 4 (keys missing: board never opened), 6, 28. */
KRVM716_API uint32_t M716MotSavePara(uint32_t board, uint32_t axes);

/* The board's serial EEPROM, 64 words of 16 bits. Only the low byte of the address is
 * checked (0..63) and its low six bits are sent. A read lasts about 76 ms, a write about
 * 79 ms; transfers on one board are serialised. Errors: 1, 23 (address, null pointer),
 * 98 (board never bound to an address by an open). */
KRVM716_API uint32_t M716ReadEEPROM(uint32_t board, uint32_t address, uint16_t* value);
KRVM716_API uint32_t M716WriteEEPROM(uint32_t board, uint32_t address, uint16_t value);

#ifdef __cplusplus
}
#endif

#endif /* KRVM716_H */
