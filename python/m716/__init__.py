"""m716: the MCB-716 motion library from Python.

    import m716

    with m716.Board(0) as board:
        board.home("XY").wait(timeout=60)
        end = board.x.move(5000, speed=20000).wait(timeout=5)
        print(end, board.x.position)

Board opens a board as a context manager and stops what it started when the block is left,
also by an exception or Ctrl-C. Axes are board.x, board.axis("Y"), board.axes("XY");
positions are in pulses, speeds in pulses per second, all ints. Moves return at once with a
Motion whose wait() tells how it ended (an End). Every refused library call raises an
M716Error carrying the library's code and text; a bad argument raises TypeError or ValueError
before anything reaches the board. m716.sim drives the simulated machine.
"""

from .axes import AxesLike, BoardAxis
from .board import Board, BoardInfo, Eeprom, boards
from .enums import (Axis, Counter, EncoderMultiple, EventFactor, Input, Limit, LogicLevel,
                    PathType, PulseMode, Register, StopCause)
from .errors import (BoardError, BusyError, ErrorCode, HomeError, M716Error, ParameterError,
                     PathError, WaitTimeout, error_text)
from .events import Event
from .motion import End, HomeSearch, Motion, PathRun, Progress
from .path import Arc, Line, Path, Segment

__all__ = ["AxesLike", "Arc", "Axis", "Board", "BoardAxis", "BoardError", "BoardInfo",
           "BusyError", "Counter", "Eeprom", "EncoderMultiple", "End", "ErrorCode", "Event",
           "EventFactor", "HomeError", "HomeSearch", "Input", "Limit", "Line", "LogicLevel",
           "M716Error", "Motion", "ParameterError", "Path", "PathError", "PathRun",
           "PathType", "Progress", "PulseMode", "Register", "Segment", "StopCause",
           "WaitTimeout", "boards", "error_text"]
