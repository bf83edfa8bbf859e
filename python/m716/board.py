"""A board of the motion library as a context manager, and the list of installed boards."""

from __future__ import annotations

import atexit
import time
from dataclasses import dataclass
from types import TracebackType
from typing import Iterable, Iterator, Optional, TypeVar, Union

from ._binding import UINT16, UINT32, ffi, flag, integer, lib, real
from .axes import AxesLike, BoardAxis, axis_mask, set_speeds
from .enums import Axis, EventFactor
from .errors import BoardError, ErrorCode, check
from .events import Event, events
from .motion import POLL_SECONDS, HomeSearch, Interpolation, Motion, PathRun, busy
from .path import Path, Segment, release

__all__ = ["Board", "BoardInfo", "Eeprom", "boards"]

_open_boards: dict[int, "Board"] = {}
_Started = TypeVar("_Started", bound=Motion)


@dataclass(frozen=True)
class BoardInfo:
    """An installed board: its number, the base address and IRQ the registry gives it (None
    where missing), and whether a board answers there."""

    number: int
    base: Optional[int]
    irq: Optional[int]
    answers: bool


def boards() -> list[BoardInfo]:
    """The boards the installer declared, and whether each answers (boards in use count as
    answering; the others are opened and closed again)."""
    numbers, bases, irqs = (ffi.new("uint32_t[16]"), ffi.new("int64_t[16]"),
                            ffi.new("int64_t[16]"))
    count = lib.m716py_installed_boards(numbers, bases, irqs)
    if count < 0:
        raise BoardError(ErrorCode.READ_REGISTRY, "boards",
                         ffi.string(lib.m716py_store_refusal()).decode())
    if count == 0:
        return []  # nothing declared: discovery would refuse the missing mask
    mask = ffi.new("uint32_t*")
    check(lib.M716MotDevAvailable(mask), "M716MotDevAvailable")
    return [BoardInfo(numbers[k], None if bases[k] < 0 else bases[k],
                      None if irqs[k] < 0 else irqs[k], bool(mask[0] >> numbers[k] & 1))
            for k in range(count)]


def _selected(mask: int, values: list[int]) -> list[int]:
    return [value for k, value in enumerate(values) if mask >> k & 1]


class Eeprom:
    """The board's serial EEPROM: 64 words of 16 bits, board.eeprom[address]."""

    def __init__(self, board: Board) -> None:
        self._board = board

    def __len__(self) -> int:
        return 64

    def __getitem__(self, address: int) -> int:
        value = ffi.new("uint16_t*")
        check(lib.M716ReadEEPROM(self._board._live(), integer(address, "address", (0, 63)),
                                 value), "M716ReadEEPROM")
        return int(value[0])

    def __setitem__(self, address: int, value: int) -> None:
        check(lib.M716WriteEEPROM(self._board._live(), integer(address, "address", (0, 63)),
                                  integer(value, "value", UINT16)), "M716WriteEEPROM")


class Board:
    """One board, opened on entering a with block and closed on leaving it:

        with m716.Board(0) as board:
            board.x.move(5000, speed=20000).wait(timeout=5)

    Leaving the block, also by an exception or Ctrl-C, stops every axis the Board started
    (slowing down for up to `stop_timeout` seconds, then at once; at once on a second Ctrl-C),
    ends jog and hand-wheel drive and closes the board. One board is driven from one thread
    at a time; a board is open at most once in a process.
    """

    def __init__(self, number: int, *, stop_timeout: float = 5.0) -> None:
        self.number = integer(number, "board number", (0, 15))
        self.stop_timeout = real(stop_timeout, "stop_timeout")
        self.eeprom = Eeprom(self)
        self._axes = tuple(BoardAxis(self, axis) for axis in Axis)
        self._open = False
        self._started = 0  # axes started since the open, stopped on close
        self._external = 0  # axes in jog or hand-wheel drive
        self._motions: list[Motion] = []
        self._paths: list[PathRun] = []

    def __repr__(self) -> str:
        return f"<m716.Board {self.number} {'open' if self._open else 'closed'}>"

    # Open and close.
    def open(self) -> Board:
        """Opens the board: loads its parameters from the registry and resets the chip."""
        if self._open:
            return self
        if self.number in _open_boards:
            raise RuntimeError(f"board {self.number} is already open in this process")
        check(lib.M716MotDevOpen(self.number), "M716MotDevOpen")
        self._open = True
        _open_boards[self.number] = self
        return self

    def close(self) -> None:
        """Stops what the Board started, ends external drive and closes the board."""
        if not self._open:
            return
        try:
            self._stop_started()
        finally:
            self._open = False
            del _open_boards[self.number]
            code = lib.M716MotDevClose(self.number)
            paths, self._paths, self._motions = self._paths, [], []
            self._started = self._external = 0
            for axis in self._axes:
                axis._tables.clear()
            check(code, "M716MotDevClose")
            for run in paths:  # the close stopped them
                release(run.buffer)

    def __enter__(self) -> Board:
        return self.open()

    def __exit__(self, kind: Optional[type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    @property
    def is_open(self) -> bool:
        return self._open

    def _live(self) -> int:
        if not self._open:
            raise RuntimeError(f"board {self.number} is not open")
        return self.number

    def _stop_started(self) -> None:
        for axis in self._axes:
            if self._external & axis.mask:
                lib.M716MotExtMode(self.number, axis.mask, 0, 0)
        mask = self._started
        if not mask or not busy(self.number, mask):
            return
        try:
            lib.M716MotStop(self.number, mask, mask)
            deadline = time.monotonic() + self.stop_timeout
            while busy(self.number, mask) and time.monotonic() < deadline:
                time.sleep(POLL_SECONDS)
        finally:  # in time, or a second Ctrl-C: at once
            if busy(self.number, mask):
                lib.M716MotStop(self.number, mask, 0)

    # Axes.
    @property
    def x(self) -> BoardAxis:
        return self._axes[0]

    @property
    def y(self) -> BoardAxis:
        return self._axes[1]

    @property
    def z(self) -> BoardAxis:
        return self._axes[2]

    @property
    def u(self) -> BoardAxis:
        return self._axes[3]

    def axis(self, name: Union[str, Axis]) -> BoardAxis:
        """One axis by its name ("X") or its Axis flag."""
        return self._axes[axis_mask(name, single=True).bit_length() - 1]

    def axes(self, names: AxesLike) -> tuple[BoardAxis, ...]:
        """The axes named ("XY"), in the order X, Y, Z, U."""
        mask = axis_mask(names)
        return tuple(axis for axis in self._axes if axis.mask & mask)

    # Motion.
    def _begin(self, mask: int, motion: _Started) -> _Started:
        """Marks the axes started before the library is asked to: an interruption right after
        the call must still find them to stop."""
        self._started |= mask
        self._motions = [m for m in self._motions if m.mask & ~mask] + [motion]
        return motion

    def _values(self, given: dict[str, Optional[int]]) -> tuple[int, list[int]]:
        mask, values = 0, [0, 0, 0, 0]
        for k, (name, value) in enumerate(given.items()):
            if value is not None:
                mask |= 1 << k
                values[k] = integer(value, name)
        if not mask:
            raise ValueError("give a value for at least one axis (x=, y=, z=, u=)")
        return mask, values

    def _targets(self, mask: int, values: Iterable[int], absolute: bool) -> dict[int, int]:
        """Where the selected axes end, given an end value for each in the order X, Y, Z, U."""
        ends = iter(values)
        return {axis.mask: value if absolute else axis.position + value
                for axis, value in ((a, next(ends)) for a in self._axes if a.mask & mask)}

    def move(self, x: Optional[int] = None, y: Optional[int] = None, z: Optional[int] = None,
             u: Optional[int] = None, *, absolute: bool = False,
             speed: Optional[int] = None) -> Motion:
        """A point-to-point move of the axes given, by distances or (absolute) to positions,
        all starting together; each at `speed` pps when given (it becomes the axis's drive and
        maximum speed, T-curve), else at its drive speed. Returns at once."""
        return self._move({"x": x, "y": y, "z": z, "u": u}, absolute, speed)

    def _move(self, given: dict[str, Optional[int]], absolute: bool,
              speed: Optional[int]) -> Motion:
        mask, values = self._values(given)
        absolute = bool(flag(absolute, "absolute"))
        if speed is not None:
            speed = integer(speed, "speed", (1, UINT32[1]))
            for axis in self.axes(Axis(mask)):
                set_speeds(self, axis.mask, start=min(axis.start_speed, speed), drive=speed,
                           maximum=speed, acceleration=axis.acceleration, jerk=axis.jerk,
                           s_curve=False)
        targets = self._targets(mask, _selected(mask, values), absolute)
        motion = self._begin(mask, Motion(self, mask, targets))
        check(lib.M716MotPtp(self._live(), mask, mask if absolute else 0, *values), "M716MotPtp")
        return motion

    def line(self, x: Optional[int] = None, y: Optional[int] = None, z: Optional[int] = None,
             u: Optional[int] = None, *, absolute: bool = False) -> Motion:
        """A straight line through the two or three axes given, by distances or (absolute) to
        positions, at the board's interpolation speeds."""
        mask, values = self._values({"x": x, "y": y, "z": z, "u": u})
        absolute = bool(flag(absolute, "absolute"))
        targets = self._targets(mask, _selected(mask, values), absolute)
        motion = self._begin(mask, Interpolation(self, mask, targets))
        check(lib.M716MotLine(self._live(), mask, absolute, *values), "M716MotLine")
        return motion

    def arc(self, center: tuple[int, int], end: Optional[tuple[int, int]] = None, *,
            angle: Optional[float] = None, axes: AxesLike = "XY", ccw: bool = False,
            absolute: bool = False) -> Motion:
        """An arc on two axes around `center` to `end` (clockwise unless `ccw`; an end on the
        start runs the whole circle), or through `angle` degrees (clockwise when positive),
        relative to where the axes stand or (absolute) positions."""
        mask = axis_mask(axes)
        c1, c2 = (integer(value, "center") for value in center)
        absolute = bool(flag(absolute, "absolute"))
        if (end is None) == (angle is None):
            raise TypeError("give either end or angle")
        if end is not None:
            e1, e2 = (integer(value, "end") for value in end)
            motion = self._begin(mask, Interpolation(self, mask,
                                                     self._targets(mask, (e1, e2), absolute)))
            check(lib.M716MotArc(self._live(), mask, absolute, flag(ccw, "ccw"), c1, c2, e1, e2),
                  "M716MotArc")
        else:
            if ccw:
                raise ValueError("the sign of the angle gives the direction")
            degrees = real(angle, "angle")
            motion = self._begin(mask, Interpolation(self, mask, None))
            check(lib.M716MotArcTheta(self._live(), mask, absolute, c1, c2, degrees),
                  "M716MotArcTheta")
        return motion

    def circle(self, center: tuple[int, int], *, axes: AxesLike = "XY",
               ccw: bool = False) -> Motion:
        """A whole circle on two axes around `center`, relative to where they stand."""
        mask = axis_mask(axes)
        c1, c2 = (integer(value, "center") for value in center)
        motion = self._begin(mask, Interpolation(self, mask, self._targets(mask, (0, 0), False)))
        check(lib.M716MoveCircle(self._live(), mask, flag(ccw, "ccw"), c1, c2), "M716MoveCircle")
        return motion

    def run_path(self, path: Union[Path, Iterable[Segment]], *,
                 axes: Optional[AxesLike] = None) -> PathRun:
        """Runs a continuous path on two or three axes (XY, or XYZ for a path of three-axis
        lines, unless `axes` says) at the board's interpolation drive speed."""
        path = path if isinstance(path, Path) else Path(path)
        mask = axis_mask(axes) if axes is not None else (0x7 if path.three_axes else 0x3)
        targets = self._targets(mask, path.ends(), False)
        buffer = path._fill()
        try:
            self._live()
            motion = self._begin(mask, PathRun(self, mask, targets, buffer, len(path)))
            check(lib.M716StartContiDrive(self.number, mask, buffer), "M716StartContiDrive")
        except BaseException:
            release(buffer)
            raise
        self._paths.append(motion)
        return motion

    def _release_path(self, run: PathRun) -> None:
        if run in self._paths:
            self._paths.remove(run)
            release(run.buffer)

    def home(self, axes: AxesLike) -> HomeSearch:
        """Starts the home search of each axis with its stored home parameters."""
        mask = axis_mask(axes)
        search = self._begin(mask, HomeSearch(self, mask, None))
        check(lib.M716MotHome(self._live(), mask), "M716MotHome")
        return search

    def stop(self, axes: Optional[AxesLike] = None, *, decelerate: bool = True) -> None:
        """Stops the axes (all, a running continuous path included, when none are named),
        slowing down or at once. A home search ends stopped."""
        mask = 0xF if axes is None else axis_mask(axes)
        for motion in self._motions:
            if motion.mask & mask:
                motion._stopped = True
        check(lib.M716MotStop(self._live(), mask, mask if flag(decelerate, "decelerate") else 0),
              "M716MotStop")

    def set_path_speeds(self, *, start: int, drive: int, maximum: int, acceleration: int,
                        jerk: int, s_curve: bool = False) -> None:
        """The interpolation speed set of lines, arcs and paths."""
        set_speeds(self, 0, start=start, drive=drive, maximum=maximum,
                   acceleration=acceleration, jerk=jerk, s_curve=s_curve)

    # Events, parameters and the rest.
    def enable_events(self, x: Optional[EventFactor] = None, y: Optional[EventFactor] = None,
                      z: Optional[EventFactor] = None, u: Optional[EventFactor] = None) -> None:
        """The interrupt factors events() reports for each axis given."""
        mask, values = self._values({"x": x, "y": y, "z": z, "u": u})
        for value in values:
            integer(value, "factors", (0, 0xFF))
        check(lib.M716MotEnableEvent(self._live(), mask, *values), "M716MotEnableEvent")

    def events(self, timeout: Optional[float] = 1.0) -> Iterator[Event]:
        """The board's interrupt events as they come (enable them first); the iteration ends
        when none came for `timeout` seconds (None: never):

            for event in board.events(timeout=1.0):
                print(event.axis.name, event.factors)
        """
        self._live()
        return events(self, timeout)

    def save(self) -> None:
        """Saves the parameters of every axis and the interpolation speed set to the registry."""
        check(lib.M716MotSavePara(self._live(), 0xF), "M716MotSavePara")
        check(lib.M716MotSavePara(self._live(), 0), "M716MotSavePara")

    def reset(self) -> None:
        """Stops home searches and the path, resets the chip and reloads every parameter from
        the registry."""
        check(lib.M716MotReset(self._live()), "M716MotReset")
        for axis in self._axes:
            axis._tables.clear()


@atexit.register
def _close_all() -> None:
    """A program that ends without leaving its with blocks leaves no axis running."""
    for board in list(_open_boards.values()):
        try:
            board.close()
        except Exception:
            pass

