"""One axis of an open board: its parameters as attributes, its signals, status and moves."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Callable, Iterable, Optional, Sequence, Union, overload

from ._binding import INT32, UINT32, ffi, flag, integer, lib
from .enums import (Axis, Counter, EncoderMultiple, EventFactor, Input, Limit, LogicLevel,
                    PulseMode, Register, StopCause)
from .errors import BusyError, check

if TYPE_CHECKING:
    from .board import Board
    from .motion import HomeSearch, Motion

__all__ = ["BoardAxis", "AxesLike", "axis_mask"]

_UINT32_OUT = ffi.typeof("uint32_t*")
_STOP_CAUSES = sum(StopCause)
_LIMITS = sum(Limit)

AxesLike = Union[str, Axis, "BoardAxis", Iterable[Union[str, Axis, "BoardAxis"]]]
"""Axes named by letters ("XY"), by Axis flags (Axis.X | Axis.Y), or by board.x and the like."""


def axis_mask(axes: AxesLike, *, single: bool = False) -> int:
    """The mask of the axes named; ValueError for an unknown name, none, or (single) several."""
    if isinstance(axes, BoardAxis):
        mask = axes.mask
    elif isinstance(axes, Axis):
        mask = int(axes)
    elif isinstance(axes, str):
        mask = 0
        for letter in axes.upper():
            bit = Axis.__members__.get(letter)
            if bit is None or mask & bit:
                raise ValueError(f"axes are named X, Y, Z and U, each once: not {axes!r}")
            mask |= bit
    elif isinstance(axes, Iterable):
        mask = 0
        for one in axes:
            mask |= axis_mask(one, single=True)
    else:
        raise TypeError(f"axes are named 'XY', Axis.X | Axis.Y or board.x, not {axes!r}")
    if not 0 < mask <= 0xF or (single and mask & (mask - 1)):
        raise ValueError(f"{'one axis' if single else 'at least one axis'} is needed, "
                         f"not {Axis(mask & 0xF)!r}")
    return mask


def set_speeds(board: Board, axes: int, *, start: int, drive: int, maximum: int,
               acceleration: int, jerk: int, s_curve: bool) -> None:
    """M716MotAxisParaSet for the axes (0: the board's interpolation set)."""
    values = [integer(v, n, UINT32) for v, n in ((start, "start"), (drive, "drive"),
              (maximum, "maximum"), (acceleration, "acceleration"), (jerk, "jerk"))]
    s_curve_axes = (axes or 1) if flag(s_curve, "s_curve") else 0
    check(lib.M716MotAxisParaSet(board._live(), axes, s_curve_axes, *values),
          "M716MotAxisParaSet")


class _Register:
    """An axis register read and written through the library's register access."""

    def __init__(self, identifier: Register, doc: str, *, signed: bool = False,
                 writable: bool = True) -> None:
        self.identifier = int(identifier)
        self.signed = signed
        self.writable = writable
        self.__doc__ = f"{doc} ({identifier.name}){'' if writable else ', read only'}."

    def __set_name__(self, owner: type, name: str) -> None:
        self.name = name

    @overload
    def __get__(self, axis: None, owner: type) -> _Register: ...
    @overload
    def __get__(self, axis: BoardAxis, owner: type) -> int: ...

    def __get__(self, axis: BoardAxis | None, owner: type) -> Any:
        if axis is None:
            return self
        value = ffi.new(_UINT32_OUT)
        code = lib.M716MotRdReg(axis.board._live(), axis.mask, self.identifier, value)
        if code:
            check(code, "M716MotRdReg", self.name)
        read = value[0]
        return read - (read >> 31 << 32) if self.signed else read

    def __set__(self, axis: BoardAxis, value: int) -> None:
        if not self.writable:
            raise AttributeError(f"{self.name} is read only")
        written = integer(value, self.name, INT32 if self.signed else UINT32) & 0xFFFFFFFF
        check(lib.M716MotWrReg(axis.board._live(), axis.mask, self.identifier, written),
              "M716MotWrReg", self.name)


class BoardAxis:
    """One axis of a Board: board.x, board.axis("Y").

    Parameters and counters are attributes that read and write the board's registers
    (``board.x.drive_speed = 20000``); save them to the registry with board.save(). Positions
    are in pulses, speeds in pulses per second, accelerations in pulses per second squared.
    """

    # The stored parameters of the axis.
    range = _Register(Register.RG, "Range: the speed multiplier is 8 000 000 / range")
    start_speed = _Register(Register.SV, "Start speed, pps")
    drive_speed = _Register(Register.DV, "Drive speed of point-to-point moves, pps")
    max_speed = _Register(Register.MDV, "Maximum drive speed, pps")
    acceleration = _Register(Register.AC, "Acceleration, pps/s")
    deceleration = _Register(Register.DC, "Deceleration, pps/s")
    jerk = _Register(Register.AK, "Jerk of S-curve drives, pps/s²")
    plus_limit = _Register(Register.PLMT, "Highest target a move may have", signed=True)
    minus_limit = _Register(Register.NLMT, "Lowest target a move may have", signed=True)
    home_offset = _Register(Register.HOME_OFFSET, "Distance of a home search's offset move",
                            signed=True)
    home_mode = _Register(Register.HOME_MODE, "Home mode, stored only")
    home_type = _Register(Register.HOME_TYPE, "Which phases a home search runs, 0..4")
    home_p0_direction = _Register(Register.HOME_P0_DIR, "Phase 0 direction: 1 negative")
    home_p0_speed = _Register(Register.HOME_P0_SPEED, "Phase 0 speed, pps")
    home_p1_direction = _Register(Register.HOME_P1_DIR, "Phase 1 direction: 0 positive")
    home_p1_speed = _Register(Register.HOME_P1_SPEED, "Speed of phases 1 and 2, pps")
    home_p2_direction = _Register(Register.HOME_P2_DIR, "Phase 2 direction: 0 positive")
    home_offset_speed = _Register(Register.HOME_OFFSET_SPEED, "Speed of the offset move, pps")
    # Counters and live values.
    position = _Register(Register.LOGICAL_POSITION, "Logical (commanded) position", signed=True)
    encoder = _Register(Register.REAL_POSITION, "Real (encoder) position", signed=True)
    compare_plus = _Register(Register.COMPARE_PLUS, "COMP+ compare register", signed=True)
    compare_minus = _Register(Register.COMPARE_MINUS, "COMP- compare register", signed=True)
    live_speed = _Register(Register.LIVE_SPEED, "Speed now, pps", writable=False)
    live_acceleration = _Register(Register.LIVE_ACCELERATION, "Acceleration now, pps/s",
                                  writable=False)

    __slots__ = ("board", "mask", "_tables")

    def __init__(self, board: Board, axis: Axis) -> None:
        self.board = board
        self.mask = int(axis)
        self._tables: dict[str, Any] = {}  # the tables the driver works through

    @property
    def name(self) -> str:
        """"X", "Y", "Z" or "U"."""
        return Axis(self.mask).name or ""

    def __repr__(self) -> str:
        return f"<axis {self.name} of board {self.board.number}>"

    def _call(self, function: Callable[..., int], *values: int) -> None:
        check(function(self.board._live(), self.mask, *values), function.__name__)

    def _read(self, function: Callable[..., int], ctype: str) -> int:
        value = ffi.new(ctype)
        self._call(function, value)
        return int(value[0])

    # Moves.
    def move(self, distance: int, *, speed: int | None = None) -> Motion:
        """Moves the axis by `distance` pulses, at `speed` pps when given (it becomes the
        axis's drive and maximum speed, T-curve); returns at once with the Motion to wait on."""
        return self.board._move(self._alone(distance), False, speed)

    def move_to(self, position: int, *, speed: int | None = None) -> Motion:
        """Moves the axis to `position`, as move() does."""
        return self.board._move(self._alone(position), True, speed)

    def _alone(self, value: int) -> dict[str, Optional[int]]:
        """The value for this axis and none for the others, as Board.move takes them."""
        return {name: value if name == self.name.lower() else None for name in "xyzu"}

    def home(self) -> HomeSearch:
        """Starts the axis's home search with its stored home parameters."""
        return self.board.home(self)

    def stop(self, *, decelerate: bool = True) -> None:
        """Stops the axis, slowing down or at once; a home search ends stopped."""
        self.board.stop(self, decelerate=decelerate)

    def change_speed(self, speed: int) -> None:
        """A new drive speed, also while the axis drives (pps)."""
        self._call(lib.M716MotChgDV, integer(speed, "speed", UINT32))

    # Speeds.
    def set_speeds(self, *, start: int, drive: int, maximum: int, acceleration: int, jerk: int,
                   s_curve: bool = False) -> None:
        """The whole speed set at once (start <= drive <= maximum); the library chooses the
        range that fits it."""
        set_speeds(self.board, self.mask, start=start, drive=drive, maximum=maximum,
                   acceleration=acceleration, jerk=jerk, s_curve=s_curve)

    def set_deceleration(self, deceleration: int, offset: int = 0) -> None:
        """Decelerates with its own rate from the automatic point moved by `offset` pulses."""
        self._call(lib.M716SetDeceleration, integer(deceleration, "deceleration", UINT32),
                   integer(offset, "offset"))

    # Registers by identifier.
    def read_register(self, identifier: Register) -> int:
        """The raw 32-bit value of a register."""
        value = ffi.new("uint32_t*")
        check(lib.M716MotRdReg(self.board._live(), self.mask, Register(identifier), value),
              "M716MotRdReg")
        return int(value[0])

    def write_register(self, identifier: Register, value: int) -> None:
        """Writes a raw 32-bit value (a signed one is taken as its two's complement)."""
        value = integer(value, "value", (INT32[0], UINT32[1])) & 0xFFFFFFFF
        check(lib.M716MotWrReg(self.board._live(), self.mask, Register(identifier), value),
              "M716MotWrReg")

    # Status.
    @property
    def busy(self) -> bool:
        """Whether the axis drives, searches its home or is in external drive."""
        try:
            self._call(lib.M716MotAxisBusy)
        except BusyError:
            return True
        return False

    @property
    def driving(self) -> bool:
        """Whether the axis outputs pulses now."""
        return bool(self._read(lib.M716GetDriverState, "int16_t*"))

    @property
    def end_status(self) -> StopCause:
        """What stopped the last drive (empty when it ended by itself or by a stop call)."""
        return StopCause(self._read(lib.M716GetMotionState, "int16_t*") & _STOP_CAUSES)

    @property
    def limits(self) -> Limit:
        """Limits, alarm and emergency stop active now."""
        return Limit(self._read(lib.M716GetMotionInput, "int16_t*") & _LIMITS)

    @property
    def inputs(self) -> Input:
        """The raw input levels."""
        return Input(self._read(lib.M716MotDI, "uint8_t*"))

    def take_factors(self) -> EventFactor:
        """The interrupt factors pending in the chip, which reading clears there (events()
        still reports them)."""
        return EventFactor(self._read(lib.M716GetCompareState, "int16_t*") & 0xFF)

    # Signals.
    def enable_events(self, factors: EventFactor) -> None:
        """The interrupt factors events() reports for this axis (replaces the ones before)."""
        values = [0, 0, 0, 0]
        values[self.mask.bit_length() - 1] = integer(factors, "factors", (0, 0xFF))
        self._call(lib.M716MotEnableEvent, *values)

    def set_soft_limits(self, plus: bool, minus: bool) -> None:
        """Whether COMP+ and COMP- stop motion in the + and - direction."""
        self._call(lib.M716EnableCompPLimit, flag(plus, "plus"))
        self._call(lib.M716EnableCompNLimit, flag(minus, "minus"))

    def set_limit_logic(self, plus: LogicLevel, minus: LogicLevel) -> None:
        """The active levels of the LMT+ and LMT- inputs."""
        self._call(lib.M716SetPLimitLogic, LogicLevel(plus))
        self._call(lib.M716SetNLimitLogic, LogicLevel(minus))

    def set_compare_counter(self, counter: Counter) -> None:
        """The counter COMP+ and COMP- compare with."""
        self._call(lib.M716SetCompareObject, Counter(counter))

    def set_pulse_output(self, mode: PulseMode, pulse: LogicLevel = LogicLevel.LOW,
                         direction_cw: LogicLevel = LogicLevel.LOW) -> None:
        """The pulse output: its mode, the active level of its pulses and the direction
        output's level for CW."""
        self._call(lib.M716SetPulseMode, PulseMode(mode))
        self._call(lib.M716SetPulseLogic, LogicLevel(pulse))
        self._call(lib.M716SetPulseDirLogic, LogicLevel(direction_cw))

    def set_encoder_multiple(self, multiple: EncoderMultiple) -> None:
        """Counts of the real position counter per encoder period."""
        self._call(lib.M716SetEncoderMultiple, EncoderMultiple(multiple))

    def set_alarm(self, enabled: bool, level: LogicLevel = LogicLevel.LOW) -> None:
        """Whether the servo alarm input stops the axis, and its active level."""
        self._call(lib.M716SetServoAlarm, flag(enabled, "enabled"), LogicLevel(level))

    def set_in_position(self, enabled: bool, level: LogicLevel = LogicLevel.LOW) -> None:
        """Whether a drive ends only with the in-position input active, and its level."""
        self._call(lib.M716SetInPosition, flag(enabled, "enabled"), LogicLevel(level))

    def set_input_logic(self, *, index: LogicLevel, in2: LogicLevel, home: LogicLevel) -> None:
        """The active levels of the index input IN0, of IN2 and of the home input IN3."""
        self._call(lib.M716SetZLogic, LogicLevel(index))
        self._call(lib.M716SetInputLogic, LogicLevel(in2), LogicLevel(home))

    def set_output_type(self, shows_drive_status: bool) -> None:
        """Whether OUT4..OUT7 show CMP+, CMP-, accelerating and decelerating."""
        self._call(lib.M716SetOutputType, flag(shows_drive_status, "shows_drive_status"))

    def set_outputs(self, levels: int) -> None:
        """The levels of OUT4 (bit 0) to OUT7 (bit 3)."""
        self._call(lib.M716MotDO, integer(levels, "levels", (0, 0xF)))

    # External drive.
    def jog(self, variant: int = 1) -> None:
        """Hands the axis to its jog inputs (input variant 1..7): it drives while one is
        active. Closing the board or external_off() ends it."""
        self._external(integer(variant, "variant", (1, 7)), 0)

    def hand_wheel(self, pulses: int, variant: int = 1) -> None:
        """Hands the axis to the hand wheel (input variant 1..7): each step moves it `pulses`
        pulses. Closing the board or external_off() ends it."""
        self._external(8 + integer(variant, "variant", (1, 7)),
                       integer(pulses, "pulses", (0, lib.M716PY_MAX_DISTANCE)))

    def external_off(self) -> None:
        """Ends jog or hand-wheel drive."""
        self._call(lib.M716MotExtMode, 0, 0)
        self.board._external &= ~self.mask

    def _external(self, mode: int, pulses: int) -> None:
        self.board._external |= self.mask  # before the call: an interruption must not lose it
        self._call(lib.M716MotExtMode, mode, pulses)

    # Tables the interrupt driver works through while the axis moves.
    def compare_table(self, positions: Sequence[int]) -> None:
        """Positions loaded into COMP+ one after another as the axis reaches each in the +
        direction. The table is kept until the board closes or the next one replaces it."""
        table = ffi.new("int32_t[]", [integer(p, "position") for p in positions])
        self._call(lib.M716BuildCompTable, table, len(positions))
        self._tables["compare"] = table

    def speed_table(self, entries: Sequence[tuple[int, int]]) -> None:
        """(drive speed, position) pairs: each speed is loaded when the axis reaches its
        position. The table is kept until the board closes or the next one replaces it."""
        table = ffi.new("M716SpeedTableEntry[]",
                        [(integer(s, "speed", UINT32), integer(p, "position"))
                         for s, p in entries])
        self._call(lib.M716BuildSpeedTable, table, len(entries))
        self._tables["speed"] = table

