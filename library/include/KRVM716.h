#ifndef KRVM716_H
#define KRVM716_H
/* KRVM716: the motion library of the MCB-716 four-axis pulse-output motion control board.
 *
 * Every function returns an error code (M716_OK, 0, on success; the codes below), except the
 * two raw port functions, which always return 1. Board numbers are 0..15 and axis selections
 * are masks (X = 1, Y = 2, Z = 4, U = 8); only the low byte of either counts. The comments
 * cite the codes by their names without the M716_ERR_ prefix: BOARD_NUMBER for
 * M716_ERR_BOARD_NUMBER.
 *
 * No C++ exception leaves any of these functions. Should the system beneath fail them (memory
 * exhausted, a lock or a thread refused, a registry file out of reach), they return the code
 * of what they were doing: OPEN_REGISTRY for open, READ_REGISTRY for discovery and reset,
 * CLOSE for close, WRITE_REGISTRY for a save, CREATE_THREAD for a home search, and
 * CALL_DRIVER for every other call.
 *
 * Concurrency: one board is driven from one thread at a time. Calls on different boards may
 * run at the same time. Open, close and discovery of a board must not overlap other calls on
 * that board, except a thread waiting in M716MotCheckEvent: they wake it first. Groups of
 * chip accesses that belong together are serialised with the interrupt driver by the board's
 * bus lock. Home searches run on worker threads of their own: while they run, the board's
 * application thread may make every other call on the board (set, save and change speeds and
 * parameters, read registers and status, configure, drive and stop other axes). Each search
 * works from its own copy of its axis's parameters, taken when it starts; what the worker and
 * those calls share (the chip, and the mode bits, range in force and working speeds of the
 * axis) they touch under the board's bus lock. */

#include <stddef.h>
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

/* Register identifiers of the register access (M716MotRdReg and the others). */
enum {
  M716_REG_REAL_POSITION = 0x100,
  M716_REG_LOGICAL_POSITION = 0x101,
  M716_REG_COMPARE_PLUS = 0x102,
  M716_REG_COMPARE_MINUS = 0x103,
  M716_REG_OUTPUT_PULSES = 0x104,
  M716_REG_LIVE_SPEED = 0x105,
  M716_REG_LIVE_ACCELERATION = 0x106,
  M716_REG_MAIN_STATUS = 0x200, /* RR0 */
  M716_REG_STATUS1 = 0x202,     /* RR1 */
  M716_REG_STATUS2 = 0x204,     /* RR2 */
  M716_REG_STATUS3 = 0x206,     /* RR3 */
  M716_REG_INPUT1 = 0x208,      /* RR4 */
  M716_REG_INPUT2 = 0x20A,      /* RR5 */
  M716_REG_MODE1 = 0x212,       /* WR1 */
  M716_REG_MODE2 = 0x214,       /* WR2 */
  M716_REG_MODE3 = 0x216,       /* WR3 */
  M716_REG_NONE1 = 0x218,
  M716_REG_NONE2 = 0x21A,
  M716_PAR_RG = 0x300,
  M716_PAR_SV = 0x301,
  M716_PAR_DV = 0x302,
  M716_PAR_MDV = 0x303,
  M716_PAR_AC = 0x304,
  M716_PAR_DC = 0x305,
  M716_PAR_AK = 0x306,
  M716_PAR_PLMT = 0x307,
  M716_PAR_NLMT = 0x308,
  M716_PAR_HOME_OFFSET = 0x309,
  M716_PAR_HOME_MODE = 0x30A,
  M716_PAR_HOME_TYPE = 0x30B,
  M716_PAR_HOME_P0_DIR = 0x30C,
  M716_PAR_HOME_P0_SPEED = 0x30D,
  M716_PAR_HOME_P1_DIR = 0x30E,
  M716_PAR_HOME_P1_SPEED = 0x30F,
  M716_PAR_HOME_P2_DIR = 0x310,
  M716_PAR_HOME_OFFSET_SPEED = 0x311
};

/* Raw port access: writes or reads the 16-bit word at the board's base address + offset
 * (offset taken as 16 bits, no wrap-around). Nothing is touched for a board above 15, a board
 * never bound to an address (reads then give 0xFFFF, as an empty slot) or a null pointer.
 * Both always return 1. */
KRVM716_API uint32_t M716_OutpWord(uint32_t board, uint32_t offset, uint16_t value);
KRVM716_API uint32_t M716_InpWord(uint32_t board, uint32_t offset, uint16_t* value);

/* Device open, close and discovery.
 * Close disables the axes' interrupts and stops a running continuous path. Close and open of
 * an open board wake every thread waiting in M716MotCheckEvent on the board (it returns 0 with
 * an empty event word) before the board's events are closed.
 * Open binds the board to the base address and IRQ of the installer's registry entry, loads
 * the interrupt driver, loads (on first use creates) the board's parameters, resets the chip
 * and loads every axis. Opening an open board does all of it again (unsaved parameter changes
 * are lost). Errors: BOARD_NUMBER, OPEN_DRIVER (no driver), OPEN_REGISTRY (no registry
 * entry), READ_REGISTRY / CREATE_REGISTRY (parameters), CREATE_EVENT (events), DEVICE_ABSENT
 * (an interrupt number the board cannot select, 4..15, refused before the board is touched;
 * or no board answers at the address).
 * From a successful open to its close this process holds the board's ownership mark, shared
 * with any other process that has it open (an advisory lock in a file beside the registry
 * store, made only for a declared board, that ends with the process). Open waits for the mark
 * only while another process's discovery tries the board; a mark that cannot be taken at all
 * (its file cannot be made or opened) refuses the open with OPEN_REGISTRY before the board is
 * touched.
 * Discovery sets bit n of *mask for each installed board n that answers; a board in use, open
 * in this process or held by another, counts as available and is not touched (it stays open);
 * any other is opened and closed again. Errors: READ_REGISTRY (also when a board's mark
 * cannot be taken, so that nobody's board is opened unknowingly), PARAMETER_INVALID. */
KRVM716_API uint32_t M716MotDevOpen(uint32_t board);
KRVM716_API uint32_t M716MotDevClose(uint32_t board);
KRVM716_API uint32_t M716MotDevAvailable(uint32_t* mask);

/* Register access by identifier (only the low 16 bits count): 0x100 real and 0x101 logical
 * position counter, 0x102 / 0x103 COMP+ / COMP- (the values in force: loaded at open and
 * reset, set since by M716SetCompPLimit / M716SetCompNLimit or written here), 0x104 output
 * pulse count (write only), 0x105 live drive speed and 0x106 live acceleration (pps, pps/s;
 * read only), 0x200..0x20A the status and input registers RR0..RR5 (read only), 0x212 / 0x214
 * / 0x216 the mode registers WR1..WR3, 0x218 / 0x21A (read as 0), and the axis parameters
 * 0x300 RG, 0x301 SV, 0x302 DV, 0x303 MDV, 0x304 AC, 0x305 DC, 0x306 AK, 0x307 PLmt, 0x308
 * NLmt, 0x309 HomeOffset, 0x30A HomeMode, 0x30B HomeType, 0x30C HomeP0Dir, 0x30D HomeP0Speed,
 * 0x30E HomeP1Dir, 0x30F HomeP1Speed, 0x310 HomeP2Dir, 0x311 HomeOffsetSpeed.
 * Reads take one axis (1, 2, 4 or 8): errors BOARD_NUMBER, AXIS_NUMBER, REGISTER_UNDEFINED
 * (unknown identifier), PARAMETER_INVALID (null pointer).
 * Writes take one axis or several (1..15), all given the same value; an identifier without a
 * write is accepted and ignored. A write that is refused changes nothing. Besides the ranges
 * (RG 16 000..8 000 000: RG_UNDER / RG_OVER; SV 1..4 000 000: SV_UNDER / SV_OVER; DV 1..MDV:
 * DV_UNDER / DV_OVER; MDV 1..4 000 000: MDV_UNDER / MDV_OVER; AC 125..500 000 000: AC_UNDER /
 * AC_OVER; DC likewise: DC_UNDER / DC_OVER; AK from 954: AK_UNDER; counters, NLmt and
 * HomeOffset not -2 147 483 648: NLMT_OVER; pulse count at most 268 435 455: DISTANCE;
 * HomeType 0..4: VALUE_OVER; home speeds 1..4 000 000: DV_UNDER / DV_OVER), a speed,
 * acceleration or jerk must fit the chip at the axis's speed multiplier M = 8 000 000 / RG: SV
 * and DV from M to 8000 M (SV_UNDER / SV_OVER, DV_UNDER / DV_OVER), MDV up to 8000 M
 * (MDV_OVER), AC and DC from 125 M to 1 000 000 M (AC_UNDER / AC_OVER, DC_UNDER / DC_OVER), AK
 * from 954 M (AK_UNDER). SV, DV, AC and AK written here are also the values the next point-to-point
 * move runs with. The multi-register functions take the axes X, Y, Z, U in that order and return
 * the first error; the write checks every selected value before it writes any. */
KRVM716_API uint32_t M716MotRdReg(uint32_t board, uint32_t axis, uint32_t identifier,
                                  uint32_t* value);
KRVM716_API uint32_t M716MotWrReg(uint32_t board, uint32_t axes, uint32_t identifier,
                                  uint32_t value);
KRVM716_API uint32_t M716MotRdMultiReg(uint32_t board, uint32_t axes, uint32_t identifier,
                                       uint32_t* x, uint32_t* y, uint32_t* z, uint32_t* u);
KRVM716_API uint32_t M716MotWrMultiReg(uint32_t board, uint32_t axes, uint32_t identifier,
                                       uint32_t x, uint32_t y, uint32_t z, uint32_t u);

/* Drive speed parameters: speeds in pps, accelerations in pps/s, jerk in pps/s². Nothing is
 * written to the chip except by M716SetRange; drives load what they need when they start.
 * Axes 0 names the board's interpolation group.
 * M716MotAxisParaSet: the same set for the axes 1..15 (S-curve for the axes whose bit is set in
 * sCurve) or for the group (S-curve when sCurve is nonzero). Needs SV <= DV <= MDV (else
 * PARAMETER_INVALID); chooses the speed multiplier M (at least 1, 2 for the group) that fits
 * the set into the chip and the range 8 000 000 / M; SV, DV, MDV below M, AC below 125 M or AK
 * below 954 M: PARAMETER_UNDER; M above 500 (group: 288): PARAMETER_OVER.
 * The single setters (axis 0 or one axis) replace one value of the current set, accept it the
 * same way and select T-curve acceleration; the group's drive speed is also its maximum.
 * M716SetRange: range 16 000..8 000 000 (PARAMETER_OVER / PARAMETER_UNDER); the multiplier becomes
 * 8 000 000 / range and the axis's MDV 8000 times it. The range is loaded into an axis at once,
 * unless the axis is driving: then the next drive loads it. M716SetDeceleration: always records the
 * deceleration-point offset and enables manual deceleration, then checks DC: below 125 times the
 * multiplier in use: PARAMETER_UNDER; needing a multiplier above 500 (group: 288): PARAMETER_OVER.
 * A DC that needs a larger multiplier raises it and recomputes the range; it never lowers it.
 * M716GetAcel / M716GetSpeed: the chip's raw acceleration or current speed register of one
 * axis (errors BOARD_NUMBER, AXIS_NUMBER, PARAMETER_INVALID). */
KRVM716_API uint32_t M716MotAxisParaSet(uint32_t board, uint32_t axes, uint32_t sCurve, uint32_t sv,
                                        uint32_t dv, uint32_t mdv, uint32_t ac, uint32_t ak);
KRVM716_API uint32_t M716SetStartSpeed(uint32_t board, uint32_t axis, uint32_t sv);
KRVM716_API uint32_t M716SetDrivingSpeed(uint32_t board, uint32_t axis, uint32_t dv);
KRVM716_API uint32_t M716SetAcceleration(uint32_t board, uint32_t axis, uint32_t ac);
KRVM716_API uint32_t M716SetJerk(uint32_t board, uint32_t axis, uint32_t ak);
KRVM716_API uint32_t M716SetDeceleration(uint32_t board, uint32_t axis, uint32_t dc,
                                         int32_t offset);
KRVM716_API uint32_t M716SetRange(uint32_t board, uint32_t axis, uint32_t range);
KRVM716_API uint32_t M716GetAcel(uint32_t board, uint32_t axis, uint32_t* value);
KRVM716_API uint32_t M716GetSpeed(uint32_t board, uint32_t axis, uint32_t* value);

/* Point-to-point and continuous drives of the axes 1..15.
 * M716MotAxisBusy: 0 when every selected axis is free; else, for the first of X, Y, Z, U that
 * is not, AXIS_BUSY (driving, or an axis of a continuous path from its start to its end),
 * IN_HOME (in a home search) or IN_EXTERNAL_DRIVE (in external drive mode).
 * M716MotPtp: runs the busy test, then checks every selected axis: the target (absolute for
 * the axes set in absoluteAxes, else relative to the logical position) above PLmt: PLMT_OVER,
 * below NLmt: NLMT_OVER, more than 268 435 455 pulses away: DISTANCE; its configured speeds
 * must fit the chip (range RG_UNDER / RG_OVER, SV_UNDER / SV_OVER, DV_UNDER / DV_OVER,
 * AC_UNDER / AC_OVER and, for S-curve, AK_UNDER / AK_OVER). A refused move
 * writes no command. Otherwise the axes are loaded while held and released together; the call
 * returns at once. M716MoveAbs / M716MoveIns move one axis to a position or by a distance.
 * M716MotCmove: continuous drive with the working speeds, negative for the axes set in
 * negativeAxes; the same busy test and speed checks.
 * M716MotChgDV: new drive speed of one axis, also while it drives: above its MDV or beyond the
 * range (while it drives, the range of its drive; else its own): VALUE_OVER; not 0 and below
 * that range's multiplier: PARAMETER_UNDER.
 * M716MotStop: decelerating stop for the axes set in deceleratingAxes, sudden stop for the
 * others; an axis in a home search gets a stop request instead. Axes 0 stops a running
 * continuous path (and does nothing when none runs).
 * M716MotClrErr: clears the end status of the axes; an axis whose end status still shows
 * after 100 releases gives AXIS_BUSY (the other axes are cleared all the same). */
KRVM716_API uint32_t M716MotAxisBusy(uint32_t board, uint32_t axes);
KRVM716_API uint32_t M716MotPtp(uint32_t board, uint32_t axes, uint32_t absoluteAxes, int32_t x,
                                int32_t y, int32_t z, int32_t u);
KRVM716_API uint32_t M716MoveAbs(uint32_t board, uint32_t axis, int32_t position);
KRVM716_API uint32_t M716MoveIns(uint32_t board, uint32_t axis, int32_t distance);
KRVM716_API uint32_t M716MotCmove(uint32_t board, uint32_t axes, uint32_t negativeAxes);
KRVM716_API uint32_t M716MotChgDV(uint32_t board, uint32_t axis, uint32_t dv);
KRVM716_API uint32_t M716MotStop(uint32_t board, uint32_t axes, uint32_t deceleratingAxes);
KRVM716_API uint32_t M716MotClrErr(uint32_t board, uint32_t axes);

/* Linear and circular interpolation with the board's interpolation speed set (axes 0 of the
 * speed setters). The selected axes in the order X, Y, Z, U are the path's axes 1, 2, 3; axis 1
 * is the main axis, which runs the path's speed profile. Each call runs the busy test of
 * M716MotAxisBusy (AXIS_BUSY also while another line, arc or continuous path of the board
 * runs), then checks that the chip can take the interpolation set (range RG_UNDER / RG_OVER, also
 * for axis 2 and 3, which run at 1.414 and 1.732 times the range; SV_UNDER / SV_OVER, DV_UNDER /
 * DV_OVER, AC_UNDER / AC_OVER; for arcs a DC other than 0 DC_UNDER / DC_OVER; for S-curve
 * AK_UNDER / AK_OVER), then every axis: the end point and for arcs the center, absolute or
 * relative to the logical position, above PLmt: PLMT_OVER, below NLmt: NLMT_OVER, and each more
 * than 8 388 607 pulses from the position: DISTANCE. A refused call writes nothing to the chip;
 * an accepted one starts the path and returns at once.
 * M716MotLine: a line through two or three axes (else AXIS_NUMBER) to the values of the selected
 * axes, absolute positions when `absolute` is nonzero, else distances; it decelerates at its end.
 * M716MotArc: an arc on two axes (3, 5, 9, 6, 10 or 12, else AXIS_NUMBER) around the center (c1,
 * c2) to the end point (e1, e2), both absolute or both relative; counter-clockwise when `ccw` is
 * nonzero; a center on the start: PARAMETER_INVALID. An end point on the start runs a full
 * circle. An end point off the circle ends the arc on the circle where the chip's end test stops
 * it (in the end point's octant), and the counters say where. With manual deceleration enabled
 * (M716SetDeceleration) an arc or circle begins to decelerate where its ramp from DV down to SV
 * (at DC, or AC when DC is 0) ends with the arc, moved by the offset given there; otherwise it
 * runs at its speed to the end and stops there.
 * M716MotArcTheta: an arc around the center that sweeps `angle` degrees, clockwise when positive
 * (-360..360, not 0, else PARAMETER_INVALID; a center on the start: PARAMETER_INVALID); its end
 * point is the nearest whole pulse.
 * M716MoveCircle: a full circle around the center (c1, c2), relative to the start (the start
 * itself: PARAMETER_INVALID).
 * M716MotChgLineArcDV: new drive speed (pps) of the path, also while it runs: it becomes the
 * interpolation set's DV and is loaded into the main axis of the last path started (SPEED_INVALID
 * before the first); above the set's MDV or beyond the range of the running path (when none runs,
 * of the set): VALUE_OVER; not 0 and below its multiplier: VALUE_UNDER. */
KRVM716_API uint32_t M716MotLine(uint32_t board, uint32_t axes, uint32_t absolute, int32_t x,
                                 int32_t y, int32_t z, int32_t u);
KRVM716_API uint32_t M716MotArc(uint32_t board, uint32_t axes, uint32_t absolute, uint32_t ccw,
                                int32_t c1, int32_t c2, int32_t e1, int32_t e2);
KRVM716_API uint32_t M716MotArcTheta(uint32_t board, uint32_t axes, uint32_t absolute, int32_t c1,
                                     int32_t c2, double angle);
KRVM716_API uint32_t M716MoveCircle(uint32_t board, uint32_t axes, uint32_t ccw, int32_t c1,
                                    int32_t c2);
KRVM716_API uint32_t M716MotChgLineArcDV(uint32_t board, uint32_t dv);

/* Continuous interpolated paths: a list of two- or three-axis segments, lines and arcs, that
 * the chip runs one after another without stopping between them. The list is built in one of
 * 256 buffers (buffer numbers 0..255, the low byte counts; shared by all boards) and started on
 * a board; the interrupt driver feeds the segments to the chip while the path runs.
 *
 * M716InitialContiBuf: allocates the buffer for `capacity` points (below 2: PARAMETER_INVALID;
 * already allocated: BUFFER_ALLOCATED; no memory: BUFFER_ALLOCATE).
 * M716FreeContiBuf: releases it (not allocated: BUFFER_HANDLE).
 * M716SetContiData: stores the point `point` (from 1) of the descriptor: not allocated:
 * BUFFER_NOT_CREATED; null descriptor: PARAMETER_INVALID; a type other than IPO_L2, IPO_L3,
 * IPO_CW, IPO_CCW: BUFFER_PATH_TYPE; a value beyond 8 388 607 pulses (no finish point or center
 * register holds it): DISTANCE; on an empty buffer a point other than 1: BUFFER_FIRST_POINT;
 * point 0: PARAMETER_INVALID; a point whose predecessor is not stored: BUFFER_POINT_NUMBER;
 * IPO_L3 mixed with the other types: BUFFER_MIXED_TYPES; beyond the capacity: BUFFER_FULL.
 * Storing point 1 again starts the list anew; storing a point again makes it the last.
 * M716StartContiDrive: starts the buffer's list on two or three axes (3, 5, 6, 7, 9, 10, 11, 12,
 * 13, 14, else AXIS_NUMBER) with the board's interpolation speed set, at its drive speed without
 * slowing down between segments or at the end. Errors: BOARD_NUMBER, BUFFER_NOT_CREATED,
 * BUFFER_ONE_POINT (fewer than two points), AXIS_NUMBER, the busy test's AXIS_BUSY, IN_HOME,
 * IN_EXTERNAL_DRIVE, AXIS_BUSY while a line, arc or path of the board runs, the speed checks of
 * M716MotLine, AXIS_NUMBER when the first point's type does not suit the number of axes (three
 * axes: IPO_L3, two: the others), CALL_DRIVER when the driver refuses. Everything is checked
 * before the chip or the interrupt block is written: a refused start changes nothing. A path
 * runs until its last segment ends, M716MotStop stops it (axes 0, or its first axis) or it is
 * stopped by a limit, the alarm or the emergency stop; then the same buffer may start again.
 * A segment of no length (a line to its start, an arc whose center is its start) is done at
 * once and the path goes on; a path of such segments only ends at once.
 * M716GetCurContiNum: the index (point - 1) of the segment the chip runs, -1 until the first
 * has started; the last index once the path is over (PARAMETER_INVALID for a null pointer).
 * M716GetContiUnderruns: how often the board's path (the last one started) stopped between
 * two segments because the driver loaded the next one only after the one before had ended,
 * as a driver kept from running by the system does: the carriage stood from that end until
 * the driver ran, then the path went on from standstill with the next segment; the path is
 * not dropped and still ends on its end point (PARAMETER_INVALID for a null pointer).
 * While a path started from a buffer runs on any board, M716InitialContiBuf, M716FreeContiBuf
 * and M716SetContiData on that buffer are refused with AXIS_BUSY: the driver is reading it. */
enum {
  IPO_L2 = 0x30,  /* two-axis line: values 0, 1 the end point relative to the start */
  IPO_L3 = 0x31,  /* three-axis line: values 0, 1, 2 */
  IPO_CW = 0x32,  /* clockwise arc: values 0, 1 the end point, 3, 4 the center, relative */
  IPO_CCW = 0x134 /* counter-clockwise arc, as IPO_CW */
};

/* One point as the application gives it to M716SetContiData. */
typedef struct M716ContiPoint {
  int32_t value[5];
  uint32_t reserved;
  uint16_t pathType;
  uint16_t padding;
} M716ContiPoint;

/* One point as the buffer holds it for the driver. */
typedef struct M716ContiRecord {
  int32_t value[5];
  uint32_t pointNumber; /* from 1 */
  uint16_t pathType;
  uint8_t reserved[6];
} M716ContiRecord;

#ifdef __cplusplus
#define M716_PATH_ASSERT static_assert
#else
#define M716_PATH_ASSERT _Static_assert
#endif
M716_PATH_ASSERT(sizeof(M716ContiPoint) == 28, "point descriptor size");
M716_PATH_ASSERT(offsetof(M716ContiPoint, reserved) == 20, "point descriptor reserved");
M716_PATH_ASSERT(offsetof(M716ContiPoint, pathType) == 24, "point descriptor type");
M716_PATH_ASSERT(sizeof(M716ContiRecord) == 32, "path record size");
M716_PATH_ASSERT(offsetof(M716ContiRecord, pointNumber) == 20, "path record point number");
M716_PATH_ASSERT(offsetof(M716ContiRecord, pathType) == 24, "path record type");
M716_PATH_ASSERT(offsetof(M716ContiRecord, reserved) == 26, "path record reserved");
#undef M716_PATH_ASSERT

KRVM716_API uint32_t M716InitialContiBuf(uint32_t buffer, uint32_t capacity);
KRVM716_API uint32_t M716FreeContiBuf(uint32_t buffer);
KRVM716_API uint32_t M716SetContiData(uint32_t buffer, const M716ContiPoint* point,
                                      uint32_t pointNumber);
KRVM716_API uint32_t M716StartContiDrive(uint32_t board, uint32_t axes, uint32_t buffer);
KRVM716_API uint32_t M716GetCurContiNum(uint32_t board, int32_t* index);
KRVM716_API uint32_t M716GetContiUnderruns(uint32_t board, uint32_t* count);

/* Home search of the axes 1..15, each on a worker thread of its own: M716MotHome returns once
 * the searches have started (errors BOARD_NUMBER, AXIS_NUMBER, IN_HOME for an axis already
 * searching, then the busy test's AXIS_BUSY, IN_HOME, IN_EXTERNAL_DRIVE; and before anything
 * starts, for a search whose values the chip could not take: HomeType above 4: VALUE_OVER,
 * home speeds outside the range of the axis: DV_UNDER / DV_OVER and the speed checks of
 * M716MotPtp, HomeOffset beyond 268 435 455 pulses: DISTANCE). M716MotStop on a searching
 * axis wakes its search at once, which stops the axis with a sudden stop (within 2 ms) and
 * ends with HOME_STOPPED.
 * M716MotHomeStatus: IN_HOME while the axis searches, else the result of its last search: 0,
 * PARAMETER_OVER / PARAMETER_UNDER (type 4 offset pointing into the limit found; type 4 takes
 * as found only the limit of its direction active at its start),
 * CREATE_THREAD (no thread), HOME_STOPPED (stopped), HOME_EMERGENCY_STOP, HOME_LIMIT_PLUS /
 * HOME_LIMIT_MINUS (a limit switch, or a software limit or any other stop the search did not
 * give, ended a search drive or the offset move, moving + / -), HOME_ALARM, or the error of a
 * failed chip access. The counters are set to 0 only when the offset move went its whole way;
 * a search that did not reach its home leaves them as they were.
 * Close, open and reset of the board stop its searches first and wait for them to end. */
KRVM716_API uint32_t M716MotHome(uint32_t board, uint32_t axes);
KRVM716_API uint32_t M716MotHomeStatus(uint32_t board, uint32_t axis, int32_t* result);

/* External drive of one axis: mode 0 or 8 off; 1..7 jog (the axis drives while a jog input is
 * active); 9..15 hand wheel (each wheel step moves `pulses` pulses). Errors: BOARD_NUMBER,
 * AXIS_NUMBER, PARAMETER_INVALID (mode above 15), the busy test's AXIS_BUSY / IN_HOME (an axis
 * already in external mode may change modes), VALUE_OVER (hand-wheel pulses above
 * 268 435 455), VALUE_UNDER (negative hand-wheel pulses), the speed checks of M716MotCmove.
 * M716MotDI: the axis's input byte (X: RR4 low, Y: RR4 high, Z: RR5 low, U: RR5 high);
 * errors BOARD_NUMBER, PARAMETER_INVALID, AXIS_NUMBER. M716MotDO: levels of OUT4..OUT7 (bits
 * 0..3); DO_IS_INDICATOR while the outputs show
 * drive status. M716MotReset: stops the board's home searches and continuous path, resets the
 * chip and reloads every parameter from the registry (errors BOARD_NUMBER, READ_REGISTRY,
 * CREATE_REGISTRY). */
KRVM716_API uint32_t M716MotExtMode(uint32_t board, uint32_t axis, uint32_t mode, int32_t pulses);
KRVM716_API uint32_t M716MotDI(uint32_t board, uint32_t axis, uint8_t* value);
KRVM716_API uint32_t M716MotDO(uint32_t board, uint32_t axis, uint32_t levels);
KRVM716_API uint32_t M716MotReset(uint32_t board);

/* Interrupt events. M716MotEnableEvent: for each selected axis (1..15) the byte given for it
 * becomes its interrupt enables (WR1 bits 8..15): bit 0 a pulse, 1 P >= COMP-, 2 P < COMP-,
 * 3 P < COMP+, 4 P >= COMP+, 5 acceleration ended, 6 deceleration started, 7 drive ended.
 * M716MotCheckEvent: waits up to `timeout` ms (0 polls, 0xFFFFFFFF waits without limit) for the
 * board's interrupt and returns every factor that has occurred since a call last returned
 * them, each once, X in byte 0 to U in byte 3 (factors that M716GetCompareState or a read of
 * register 0x206 cleared in the chip included); 0 when none came (time-out, or the board is
 * not open). The drive ends of a home search's own drives are reported only when the
 * application enabled Drive End on the axis. Errors: BOARD_NUMBER, AXIS_NUMBER,
 * PARAMETER_INVALID. Only one thread should wait on a board at a time: whichever waiter wakes
 * first takes the factors. A close or open of the board ends the wait at once, with 0 and an
 * empty event word. */
KRVM716_API uint32_t M716MotEnableEvent(uint32_t board, uint32_t axes, uint32_t x, uint32_t y,
                                        uint32_t z, uint32_t u);
KRVM716_API uint32_t M716MotCheckEvent(uint32_t board, uint32_t* events, uint32_t timeout);

/* Position counters of one axis: the real (practical, encoder) and the logical (theoretical,
 * commanded) position. Reads: errors BOARD_NUMBER, AXIS_NUMBER, PARAMETER_INVALID. Presets take
 * effect at once, also while the axis moves. */
KRVM716_API uint32_t M716GetPracticalRegister(uint32_t board, uint32_t axis, int32_t* value);
KRVM716_API uint32_t M716GetTheorecticalRegister(uint32_t board, uint32_t axis, int32_t* value);
KRVM716_API uint32_t M716SetPracticalRegister(uint32_t board, uint32_t axis, int32_t value);
KRVM716_API uint32_t M716SetTheorecticalRegister(uint32_t board, uint32_t axis, int32_t value);

/* Signal and mode configuration of one axis (1, 2, 4 or 8). Each changes the shadow of one
 * mode register and loads the whole register; while the axis is in a home search, WR1 and WR2
 * load with the search's own bits over the shadow (its input stops and drive-end interrupt,
 * the software limits off for a limit search) until the search ends and loads the shadows.
 * The same holds for M716MotEnableEvent and the register writes of WR1 / WR2. Flags and
 * selectors count by their low 16 bits;
 * a flag other than 0 / 1, an encoder multiple above 2 or output levels above 15:
 * PARAMETER_INVALID.
 * COMP+ / COMP- (any value); COMP+ / COMP- as software limits (WR2 bits 0 / 1); active level
 * of LMT+ / LMT- (WR2 bits 3 / 4, 1 = high); compare with the real counter (WR2 bit 5); pulse
 * and direction output (WR2 bit 6); pulse active high (bit 7); direction high for CW (bit 8);
 * encoder multiple 0 = 1/1, 1 = 1/2, 2 = 1/4 (bits 10, 11); servo alarm enable and level
 * (bits 13, 12); in-position enable and level (bits 15, 14); active level of the home input
 * IN3 (WR1 bit 6), of the index input IN0 (WR1 bit 0), of IN2 and IN3 (WR1 bits 4, 6); levels
 * of OUT4..OUT7 (WR3 bits 8..11) and whether they show drive status (WR3 bit 7): these two
 * also clear WR3 bits 5, 6 and 12..15. */
KRVM716_API uint32_t M716SetCompPLimit(uint32_t board, uint32_t axis, int32_t value);
KRVM716_API uint32_t M716SetCompNLimit(uint32_t board, uint32_t axis, int32_t value);
KRVM716_API uint32_t M716EnableCompPLimit(uint32_t board, uint32_t axis, uint32_t enable);
KRVM716_API uint32_t M716EnableCompNLimit(uint32_t board, uint32_t axis, uint32_t enable);
KRVM716_API uint32_t M716SetPLimitLogic(uint32_t board, uint32_t axis, uint32_t activeHigh);
KRVM716_API uint32_t M716SetNLimitLogic(uint32_t board, uint32_t axis, uint32_t activeHigh);
KRVM716_API uint32_t M716SetCompareObject(uint32_t board, uint32_t axis, uint32_t realCounter);
KRVM716_API uint32_t M716SetPulseMode(uint32_t board, uint32_t axis, uint32_t pulseAndDirection);
KRVM716_API uint32_t M716SetPulseLogic(uint32_t board, uint32_t axis, uint32_t activeHigh);
KRVM716_API uint32_t M716SetPulseDirLogic(uint32_t board, uint32_t axis, uint32_t highForCw);
KRVM716_API uint32_t M716SetEncoderMultiple(uint32_t board, uint32_t axis, uint32_t multiple);
KRVM716_API uint32_t M716SetServoAlarm(uint32_t board, uint32_t axis, uint32_t enable,
                                       uint32_t activeHigh);
KRVM716_API uint32_t M716SetInPosition(uint32_t board, uint32_t axis, uint32_t enable,
                                       uint32_t activeHigh);
KRVM716_API uint32_t M716SetHomeLogic(uint32_t board, uint32_t axis, uint32_t activeHigh);
KRVM716_API uint32_t M716SetZLogic(uint32_t board, uint32_t axis, uint32_t activeHigh);
KRVM716_API uint32_t M716SetInputLogic(uint32_t board, uint32_t axis, uint32_t in2ActiveHigh,
                                       uint32_t in3ActiveHigh);
KRVM716_API uint32_t M716SetOutput(uint32_t board, uint32_t axis, uint32_t levels);
KRVM716_API uint32_t M716SetOutputType(uint32_t board, uint32_t axis, uint32_t showsDriveStatus);

/* Status of one axis (errors BOARD_NUMBER, AXIS_NUMBER, PARAMETER_INVALID): error flag (RR0 bit 4 +
 * axis index), driving flag (RR0 bit axis index), RR1 whole, RR2 bits 0..5, RR3 low byte, and the
 * input byte (X: RR4 low, Y: RR4 high, Z: RR5 low, U: RR5 high). Reading RR3 clears the interrupt
 * factors it shows. */
KRVM716_API uint32_t M716GetError(uint32_t board, uint32_t axis, int16_t* state);
KRVM716_API uint32_t M716GetDriverState(uint32_t board, uint32_t axis, int16_t* state);
KRVM716_API uint32_t M716GetMotionState(uint32_t board, uint32_t axis, int16_t* state);
KRVM716_API uint32_t M716GetMotionInput(uint32_t board, uint32_t axis, int16_t* state);
KRVM716_API uint32_t M716GetCompareState(uint32_t board, uint32_t axis, int16_t* state);
KRVM716_API uint32_t M716GetInput(uint32_t board, uint32_t axis, int16_t* state);

/* Parameter persistence: axes 0 saves the interpolation group of the board, otherwise the
 * selected axes (1..15). The save is one transaction: on failure nothing is written.
 * Errors: BOARD_NUMBER, OPEN_REGISTRY (keys missing: board never opened), AXIS_NUMBER,
 * WRITE_REGISTRY. */
KRVM716_API uint32_t M716MotSavePara(uint32_t board, uint32_t axes);

/* The board's serial EEPROM, 64 words of 16 bits. Only the low byte of the address is
 * checked (0..63) and its low six bits are sent. A read lasts about 76 ms, a write about
 * 79 ms; transfers on one board are serialised. Errors: BOARD_NUMBER, PARAMETER_INVALID
 * (address, null pointer), DEVICE_ABSENT (board never bound to an address by an open). */
KRVM716_API uint32_t M716ReadEEPROM(uint32_t board, uint32_t address, uint16_t* value);
KRVM716_API uint32_t M716WriteEEPROM(uint32_t board, uint32_t address, uint16_t value);

/* Compare and speed tables of one axis (1, 2, 4 or 8), worked through by the interrupt driver
 * while the axis moves. The library keeps only the table's address: the table must stay where
 * it is, unchanged, until the driver is through with it. Each call ends the axis's running
 * table of its kind first. The driver's progress shows in the slot state of the interrupt
 * block (1 running, 2 done; 0 after open, close and reset, which end every table).
 * Errors: BOARD_NUMBER, AXIS_NUMBER, PARAMETER_INVALID for a null table with a nonzero count;
 * a refused call changes nothing, the table included. A count of 0 hands over an empty table,
 * which is done at once. The driver takes tables only of a board that is open and answers.
 *
 * M716BuildCompTable: signed positions that the axis reaches one after another in the +
 * direction. The driver loads the first into COMP+ and, each time the compared counter (logical
 * or real, M716SetCompareObject) is at or above COMP+, the next one; an entry already reached
 * when it is loaded counts at once. After the last the table is done and COMP+ keeps it.
 * M716BuildSpeedTable: entries of a drive speed (pps) and a position. Every speed is checked
 * first (above the axis's MDV or beyond the register's 8000 units, or not 0 and below one unit:
 * PARAMETER_INVALID), then replaced in place by its drive speed register value, converted by
 * the multiplier M716MotChgDV uses (while the axis drives, that of its drive; standing, its
 * own). Handing a table over again converts it again: rebuild it first. The driver loads each
 * entry's speed when the compared counter reaches the entry's position, from whichever side it
 * is on when the entry becomes the next (at once when it stands on it), watching it with COMP-.
 * A speed of 0 slows the axis to a standstill in which it still counts as driving.
 *
 * The driver acts on the compare factors: enable P >= C+ on an axis with a compare table, and
 * P >= C- and P < C- on an axis with a speed table (M716MotEnableEvent bits 4, 1 and 2); they
 * are reported to M716MotCheckEvent as always, those the table's own loads of COMP+ / COMP-
 * cause included. A factor that M716GetCompareState or a read of register 0x206 takes out of
 * the chip first reaches the driver at the board's next interrupt.
 * The driver moves a table on only when it runs, which may be after the chip has passed more
 * than the entry it holds (the system kept the driver from running): a compare table then
 * loads the entries the counter has passed one after another at once and still reaches its
 * end, but the P >= C+ factor of those passed together is reported once, later than the axis
 * passed them; a speed entry whose position has passed is loaded when the driver runs, so its
 * speed applies from where the axis then is.
 * A compare and a speed table on one axis do not interfere: the compare table owns COMP+ and
 * its factors, the speed table COMP- and its factors, and both may run at once. While a table
 * runs, its compare register is the driver's: do not use it as a software limit
 * (M716EnableCompPLimit / M716EnableCompNLimit) and do not set it (M716SetCompPLimit /
 * M716SetCompNLimit, registers 0x102 / 0x103), or the table moves on from that value. */
typedef struct M716SpeedTableEntry {
  uint32_t speed;   /* pps; on return the drive speed register value */
  int32_t position; /* where the speed is loaded */
} M716SpeedTableEntry;
#ifdef __cplusplus
static_assert(sizeof(M716SpeedTableEntry) == 8, "a speed table entry is 8 bytes");
#else
_Static_assert(sizeof(M716SpeedTableEntry) == 8, "a speed table entry is 8 bytes");
#endif
KRVM716_API uint32_t M716BuildCompTable(uint32_t board, uint32_t axis, const int32_t* table,
                                        uint32_t count);
KRVM716_API uint32_t M716BuildSpeedTable(uint32_t board, uint32_t axis, M716SpeedTableEntry* table,
                                         uint32_t count);

#ifdef __cplusplus
}
#endif

#endif /* KRVM716_H */
