#ifndef M716SIM_H
#define M716SIM_H
/* Control API of the simulated MCB-716 boards: lets tests and applications in any language
 * drive the simulated machine. Axis arguments are masks (1, 2, 4, 8), as in the motion
 * library.
 *
 * The machine is described in the registry store, read at the simulator's first use and again
 * on M716SimReload; what is missing takes its default:
 *
 *   HKLM\Software\M716Simulator            DWORD SpeedFactor: simulated seconds per real second
 *                                           (1; 0 freezes the clock, see M716SimAdvance)
 *   ...\Board<BASE>                        a board answers at BASE (hexadecimal: Board300);
 *                                           without any Board key one answers at 0x300
 *   ...\Board<BASE>\Xaxis .. Uaxis         signed DWORDs, in pulses of machine position:
 *       LimitPlus 1000000, LimitMinus -1000000    LMT+ operated at or beyond, LMT- at or below
 *       HomeFrom -20000, HomeTo -10000            the home input IN3 operated in between
 *       IndexPitch 4000, IndexOffset 0            the index input IN0, one pulse per mark
 *       StartPosition 0                           where the carriage stands at first
 *       MachinePosition                           where the last program left it (written
 *                                                 when a program ends; read before
 *                                                 StartPosition; delete it to start over)
 *       ActiveHigh 0                              1: inputs wired active high (else active low)
 *
 * From a shell, with m716reg (negative values as 32-bit hexadecimal):
 *   m716reg add "HKLM\Software\M716Simulator" /v SpeedFactor /t REG_DWORD /d 10 /f
 *   m716reg add "HKLM\Software\M716Simulator\Board300\Xaxis" /v LimitMinus /t REG_DWORD
 *           /d 0xFFFF3CB0 /f
 *
 * The carriage moves one unit per output pulse and keeps its position across chip resets,
 * board opens and program restarts; switches operate on entering their zone and release one pulse
 * beyond it.
 *
 * Interrupts: with the clock running the chip follows the clock whatever the handlers do. A
 * board event raises the line at its simulated instant; the handlers attached to it run on
 * the simulator's delivery thread as soon as the host lets them, while the chip goes on (a
 * continuous segment that ends with no next one loaded stops the path there, a compare
 * position passes), and find the chip as it is when they run. With the clock frozen,
 * M716SimAdvance calls them on its own thread, at the simulated instant their line rose plus
 * the latency M716SimSetInterruptLatency set; the chip goes on the same way meanwhile. A line
 * calls its handler once for each rise: again when a reason to interrupt appears that was not
 * pending before, not while the same ones stay pending.
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
/* The speed factor in force: the configured one (DWORD SpeedFactor, default 1) until
 * M716SimSetSpeedFactor changes it. */
M716SIM_API double M716SimSpeedFactor(void);
/* Moves the clock forward by `seconds`, stopping at each board event and each due handler call
 * on the way to call the interrupt handlers of risen lines on the calling thread. Meant for a
 * frozen clock; do not call it while holding a board's bus lock. */
M716SIM_API void M716SimAdvance(double seconds);
/* Simulated time in seconds. */
M716SIM_API double M716SimTime(void);
/* The simulated time from a line's rise to the call of its handlers, added to whatever the
 * host takes (0, the default, and again after M716SimReload: none). Meant for a frozen clock,
 * where it makes a late driver reproducible; negative or not-a-number values mean 0. */
M716SIM_API void M716SimSetInterruptLatency(double seconds);

/* The delays of handler calls since the last M716SimTakeInterruptLatency, from the simulated
 * instant the line rose, converted to real time, to the call; on a frozen clock in simulated
 * time (the modelled latency). Up to 1 000 000 calls are kept. */
typedef struct M716SimLatency {
  uint32_t count; /* calls recorded; the figures below are 0 without any */
  double medianMicroseconds;
  double p99Microseconds; /* nearest rank */
  double maxMicroseconds;
} M716SimLatency;

/* Fills `latency` with the distribution of the recorded delays and starts a new record. */
M716SIM_API void M716SimTakeInterruptLatency(M716SimLatency* latency);

/* The inputs M716SimForceInput forces. */
typedef enum M716SimInput {
  M716SIM_INPUT_IN0 = 0, /* the index input */
  M716SIM_INPUT_IN1 = 1,
  M716SIM_INPUT_IN2 = 2,
  M716SIM_INPUT_IN3 = 3, /* the home input */
  M716SIM_INPUT_LIMIT_PLUS = 4,
  M716SIM_INPUT_LIMIT_MINUS = 5,
  M716SIM_INPUT_ALARM = 6,
  M716SIM_INPUT_IN_POSITION = 7,
  M716SIM_INPUT_JOG_PLUS = 8,
  M716SIM_INPUT_JOG_MINUS = 9,
  M716SIM_INPUT_EMERGENCY_STOP = 10 /* board-wide: the axis argument is not used */
} M716SimInput;

/* The states M716SimForceInput sets. */
typedef enum M716SimInputState {
  M716SIM_STATE_INACTIVE = 0,
  M716SIM_STATE_ACTIVE = 1,
  /* Back to the mechanics: the carriage's switches, and in-position while at rest. */
  M716SIM_STATE_MECHANICS = -1
} M716SimInputState;

/* Forces `input` (an M716SimInput) of an axis to `state` (an M716SimInputState). */
M716SIM_API void M716SimForceInput(uint32_t base, uint32_t axis, uint32_t input, int32_t state);
/* Turns the axis's hand wheel by `steps` (the sign gives the direction); in hand-wheel mode
 * each step makes a fixed-pulse drive of P pulses, one after another. */
M716SIM_API void M716SimHandWheel(uint32_t base, uint32_t axis, int32_t steps);
/* The machine position of the axis's carriage in pulses; 0 without such a board or axis. */
M716SIM_API int32_t M716SimMachinePosition(uint32_t base, uint32_t axis);
/* Puts the carriage at `position` by hand; the switches show the state there. */
M716SIM_API void M716SimSetMachinePosition(uint32_t base, uint32_t axis, int32_t position);
/* Drives the axis has started since the boards were powered up (an interpolation counts for
 * each of its axes). */
M716SIM_API uint32_t M716SimDriveStarts(uint32_t base, uint32_t axis);
/* Out-of-range register loads since the boards were powered up (each was clamped; a load
 * to several axes counts once); 0 when no board answers at `base`. */
M716SIM_API uint32_t M716SimClampedLoads(uint32_t base);
/* Segments of a continuous interpolation (WR5 bit 14) that ended with no next segment loaded
 * while bit 14 was still set, so the path stopped between segments; since power-up, 0 when no
 * board answers at `base`. */
M716SIM_API uint32_t M716SimPathUnderruns(uint32_t base);
/* Reads the configuration under HKLM\Software\M716Simulator again and powers the boards up
 * anew (chip state and clock reset; EEPROM contents and machine positions come from the
 * store and the configuration). */
M716SIM_API void M716SimReload(void);

#ifdef __cplusplus
}
#endif

#endif /* M716SIM_H */
