#ifndef M716SIM_H
#define M716SIM_H
/* Control API of the simulated MCB-716 boards: lets tests and applications in any language
 * drive the simulated machine. Axis arguments are masks (1, 2, 4, 8), as in the motion
 * library.
 *
 * Concurrency: every call may run on any thread at any time. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define M716SIM_API __attribute__((visibility("default")))

/* 1 when a simulated board answers at `base`, else 0. */
M716SIM_API uint32_t M716SimBoardPresent(uint32_t base);
/* Simulated seconds per real second; 0 freezes simulated time. */
M716SIM_API void M716SimSetSpeedFactor(double factor);
/* Moves a frozen clock forward by `seconds`. */
M716SIM_API void M716SimAdvance(double seconds);
/* Simulated time in seconds. */
M716SIM_API double M716SimTime(void);
/* Out-of-range register loads since the simulator was loaded (each was clamped). */
M716SIM_API uint32_t M716SimClampedLoads(uint32_t base);
/* Reads the configuration under HKLM\Software\M716Simulator again and powers the boards up
 * anew (chip state and clock reset; EEPROM contents and machine positions come from the
 * store and the configuration). */
M716SIM_API void M716SimReload(void);

#ifdef __cplusplus
}
#endif

#endif /* M716SIM_H */
