"""Started motions and how they end: moves, lines and arcs, home searches, continuous paths."""

from __future__ import annotations

import enum
import time
from dataclasses import dataclass
from typing import TYPE_CHECKING, Callable, Optional

from ._binding import UINT32, ffi, integer, lib, real
from .enums import Axis, Limit, StopCause
from .errors import ErrorCode, HomeError, WaitTimeout, check

if TYPE_CHECKING:
    from .axes import BoardAxis
    from .board import Board

__all__ = ["End", "Progress", "Motion", "HomeSearch", "PathRun"]

POLL_SECONDS = 0.002  # between two looks at the axes while waiting
BUSY_CODES = (ErrorCode.AXIS_BUSY, ErrorCode.IN_HOME, ErrorCode.IN_EXTERNAL_DRIVE)


class End(enum.Enum):
    """How a motion ended."""

    REACHED = "reached"  #: every axis stands on its target; a home search found its home
    STOPPED = "stopped"  #: a stop call, or anything else that left an axis short of its target
    LIMIT_PLUS = "stopped by LMT+"
    LIMIT_MINUS = "stopped by LMT-"
    SOFT_LIMIT_PLUS = "stopped by the software limit +"
    SOFT_LIMIT_MINUS = "stopped by the software limit -"
    ALARM = "stopped by the alarm"
    EMERGENCY_STOP = "stopped by the emergency stop"
    INPUT = "stopped by one of IN0..IN3"


_CAUSES = [(StopCause.EMERGENCY_STOP, End.EMERGENCY_STOP), (StopCause.ALARM, End.ALARM),
           (StopCause.LIMIT_PLUS, End.LIMIT_PLUS), (StopCause.LIMIT_MINUS, End.LIMIT_MINUS),
           (StopCause.IN0 | StopCause.IN1 | StopCause.IN2 | StopCause.IN3, End.INPUT)]
_HOME_RESULTS = {0: End.REACHED, ErrorCode.HOME_STOPPED: End.STOPPED,
                 ErrorCode.HOME_EMERGENCY_STOP: End.EMERGENCY_STOP,
                 ErrorCode.HOME_LIMIT_PLUS: End.LIMIT_PLUS,
                 ErrorCode.HOME_LIMIT_MINUS: End.LIMIT_MINUS, ErrorCode.HOME_ALARM: End.ALARM}


@dataclass(frozen=True)
class Progress:
    """What a wait's progress callback is given."""

    elapsed: float  #: seconds since the wait began
    positions: dict[str, int]  #: logical position of each axis of the motion, by name
    segment: Optional[int] = None  #: of a continuous path: the index of the segment running


def busy(board: int, mask: int) -> bool:
    """Whether any of the axes drives, searches its home or is in external drive."""
    code = lib.M716MotAxisBusy(board, mask)
    if code in BUSY_CODES:
        return True
    check(code, "M716MotAxisBusy")
    return False


class Motion:
    """Axes that were started together; wait() follows them until they stand.

    A point-to-point move, a line and an arc are Motions; HomeSearch and PathRun add what
    their kind needs.
    """

    interpolated = False

    def __init__(self, board: Board, mask: int, targets: Optional[dict[int, int]]) -> None:
        self.board = board
        self.mask = mask
        self.ends: dict[Axis, End] = {}  #: how each axis ended, once wait() returned
        self._targets = targets
        self._stopped = False
        self._end: Optional[End] = None

    def __repr__(self) -> str:
        return f"<{type(self).__name__} of {self.axes!r} on board {self.board.number}>"

    @property
    def axes(self) -> Axis:
        return Axis(self.mask)

    def _board_axes(self) -> list[BoardAxis]:
        return [axis for axis in self.board.axes("XYZU") if axis.mask & self.mask]

    def done(self) -> bool:
        """Whether every axis of the motion stands."""
        return not busy(self.board._live(), self.mask)

    def wait(self, timeout: Optional[float] = None,
             progress: Optional[Callable[[Progress], None]] = None,
             interval: float = 0.1) -> End:
        """Waits until the motion ends and tells how: End.REACHED when every axis ended as
        asked, else how the first axis (X, Y, Z, U) that did not ended (ends has them all).
        Raises WaitTimeout when it still runs after `timeout` seconds (None: no limit), and
        calls `progress` every `interval` seconds meanwhile and once more with where the
        motion ended. Ctrl-C raises KeyboardInterrupt
        here at once; leaving the Board's with block then stops the axes."""
        if self._end is not None:
            return self._end
        started = time.monotonic()
        deadline = None if timeout is None else started + real(timeout, "timeout")
        next_report = started
        while not self.done():
            now = time.monotonic()
            if progress is not None and now >= next_report:
                progress(self._progress(now - started))
                next_report = now + real(interval, "interval")
            if deadline is not None and now >= deadline:
                raise WaitTimeout(f"{self!r} still runs after {timeout} s")
            time.sleep(POLL_SECONDS)
        if progress is not None:
            progress(self._progress(time.monotonic() - started))
        self.ends = {Axis(axis.mask): self._end_of(axis) for axis in self._board_axes()}
        self._end = next((end for end in self.ends.values() if end is not End.REACHED),
                         End.REACHED)
        return self._end

    def stop(self, *, decelerate: bool = True) -> None:
        """Stops the motion's axes, slowing down or at once."""
        self.board.stop(self.axes, decelerate=decelerate)

    def change_speed(self, speed: int) -> None:
        """A new drive speed (pps) for every axis of the motion, also while it runs; of a line,
        arc or path the speed along it."""
        speed = integer(speed, "speed", UINT32)
        if self.interpolated:
            check(lib.M716MotChgLineArcDV(self.board._live(), speed), "M716MotChgLineArcDV")
        else:
            for axis in self._board_axes():
                axis.change_speed(speed)

    def _progress(self, elapsed: float) -> Progress:
        return Progress(elapsed, {axis.name: axis.position for axis in self._board_axes()})

    def _end_of(self, axis: BoardAxis) -> End:
        causes = axis.end_status
        for cause, end in _CAUSES:
            if causes & cause:
                return end
        target = self._targets.get(axis.mask) if self._targets else None
        if target is not None and axis.position == target:
            return End.REACHED
        limits = axis.limits
        if limits & Limit.SOFT_LIMIT_PLUS:
            return End.SOFT_LIMIT_PLUS
        if limits & Limit.SOFT_LIMIT_MINUS:
            return End.SOFT_LIMIT_MINUS
        return End.STOPPED if self._stopped or target is not None else End.REACHED


class Interpolation(Motion):
    """A line or an arc: its axes run one path at the board's interpolation speeds."""

    interpolated = True


class HomeSearch(Motion):
    """Home searches of one or several axes, each on a worker thread of the library."""

    def done(self) -> bool:
        return all(self._result(axis) != ErrorCode.IN_HOME for axis in self._board_axes())

    def _result(self, axis: BoardAxis) -> int:
        result = ffi.new("int32_t*")
        check(lib.M716MotHomeStatus(self.board._live(), axis.mask, result), "M716MotHomeStatus")
        return int(result[0])

    def _end_of(self, axis: BoardAxis) -> End:
        result = self._result(axis)
        if result not in _HOME_RESULTS:
            raise HomeError(result, "M716MotHomeStatus", f"home search of {axis.name}")
        return _HOME_RESULTS[result]


class PathRun(Interpolation):
    """A continuous path running from one of the library's path buffers, which is freed once
    the path has ended (or the board closes)."""

    def __init__(self, board: Board, mask: int, targets: dict[int, int], buffer: int,
                 segments: int) -> None:
        super().__init__(board, mask, targets)
        self.buffer = buffer
        self.segments = segments

    @property
    def segment(self) -> int:
        """The index of the segment running: -1 before the first, the last once it is over."""
        index = ffi.new("int32_t*")
        check(lib.M716GetCurContiNum(self.board._live(), index), "M716GetCurContiNum")
        return int(index[0])

    @property
    def underruns(self) -> int:
        """How often the path stood between two segments because the driver loaded the next one
        late (it then went on from standstill)."""
        count = ffi.new("uint32_t*")
        check(lib.M716GetContiUnderruns(self.board._live(), count), "M716GetContiUnderruns")
        return int(count[0])

    def wait(self, timeout: Optional[float] = None,
             progress: Optional[Callable[[Progress], None]] = None,
             interval: float = 0.1) -> End:
        end = super().wait(timeout, progress, interval)
        self.board._release_path(self)
        return end

    def _progress(self, elapsed: float) -> Progress:
        return Progress(elapsed, super()._progress(elapsed).positions, self.segment)
