"""Continuous paths: segments, lines and arcs that run one after another without stopping.

A path's numbers are pulses relative to where its segment starts. Path.parse reads the text
format of `m716 path`: one segment a line, '#' begins a comment, blank lines are skipped:

    L2 DX DY          a line on two axes
    L3 DX DY DZ       a line on three axes (not mixed with the others)
    CW CX CY EX EY    a clockwise arc around the center (CX, CY) to (EX, EY)
    CCW CX CY EX EY   the same, counter-clockwise

Numbers are decimal (a leading zero included: 010 is ten) or hexadecimal after 0x, signed.
"""

from __future__ import annotations

import os
import re
from dataclasses import dataclass
from typing import Any, Iterable, Iterator, Optional, Sequence, Union, overload

from ._binding import ffi, flag, integer, lib
from .enums import PathType
from .errors import ErrorCode, PathError, check

__all__ = ["Line", "Arc", "Segment", "Path"]

_OFFSET = (-lib.M716PY_MAX_PATH_OFFSET, lib.M716PY_MAX_PATH_OFFSET)


def _offset(value: Any, name: str) -> int:
    return integer(value, name, _OFFSET)


def _pair(value: Any, name: str) -> tuple[int, int]:
    if isinstance(value, (str, bytes)) or len(value) != 2:
        raise TypeError(f"{name} must be a pair of ints, not {value!r}")
    return _offset(value[0], name), _offset(value[1], name)


@dataclass(frozen=True)
class Line:
    """A line by (dx, dy) on two axes or (dx, dy, dz) on three."""

    dx: int
    dy: int
    dz: Optional[int] = None

    def __post_init__(self) -> None:
        for name in ("dx", "dy") if self.dz is None else ("dx", "dy", "dz"):
            _offset(getattr(self, name), name)

    def _point(self) -> tuple[tuple[int, ...], int, int, int]:
        if self.dz is None:
            return (self.dx, self.dy, 0, 0, 0), 0, PathType.L2, 0
        return (self.dx, self.dy, self.dz, 0, 0), 0, PathType.L3, 0


@dataclass(frozen=True)
class Arc:
    """An arc on two axes around `center` to `end`, clockwise unless `ccw`."""

    center: tuple[int, int]
    end: tuple[int, int]
    ccw: bool = False

    def __post_init__(self) -> None:
        object.__setattr__(self, "center", _pair(self.center, "center"))
        object.__setattr__(self, "end", _pair(self.end, "end"))
        flag(self.ccw, "ccw")

    def _point(self) -> tuple[tuple[int, ...], int, int, int]:
        kind = PathType.CCW if self.ccw else PathType.CW
        return (*self.end, 0, *self.center), 0, kind, 0


Segment = Union[Line, Arc]

_NUMBER = re.compile(r"[+-]?(0[xX][0-9a-fA-F]+|[0-9]+)\Z")
_WORDS = {"L2": 2, "L3": 3, "CW": 4, "CCW": 4}


def _segment(kind: str, numbers: list[int]) -> Segment:
    if kind in ("L2", "L3"):
        return Line(*numbers)
    return Arc((numbers[0], numbers[1]), (numbers[2], numbers[3]), ccw=kind == "CCW")


class Path(Sequence[Segment]):
    """A checked list of segments, for Board.run_path."""

    def __init__(self, segments: Iterable[Segment]) -> None:
        self._segments = list(segments)
        for k, segment in enumerate(self._segments):
            if not isinstance(segment, (Line, Arc)):
                raise TypeError(f"segment {k + 1} is a {type(segment).__name__}, not a Line or Arc")
        self._points: Any = None

    @classmethod
    def parse(cls, text: str, name: str = "<path>") -> Path:
        """The path a text in the format of `m716 path` describes; ValueError naming the line
        that does not read."""
        segments = []
        for number, line in enumerate(text.splitlines(), 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            kind = words[0].upper()
            try:
                if _WORDS.get(kind) != len(words) - 1 or not all(map(_NUMBER.match, words[1:])):
                    raise ValueError("not a segment")
                segments.append(_segment(kind, [_integer(word) for word in words[1:]]))
            except ValueError as error:
                raise ValueError(f"{name}:{number}: {error}: {line.strip()}") from None
        if not segments:
            raise ValueError(f"{name} holds no segment")
        return cls(segments)

    @classmethod
    def load(cls, file: Union[str, os.PathLike[str]]) -> Path:
        """The path of a file in the format of `m716 path`."""
        with open(file, encoding="utf-8") as text:
            return cls.parse(text.read(), os.fspath(file))

    @property
    def three_axes(self) -> bool:
        """Whether the path runs on three axes (its first segment is a three-axis line)."""
        return bool(self._segments) and getattr(self._segments[0], "dz", None) is not None

    def ends(self) -> tuple[int, int, int]:
        """Where the path ends relative to its start, by the role of the axis (1st, 2nd, 3rd)."""
        sums = [0, 0, 0]
        for values, _, _, _ in (segment._point() for segment in self._segments):
            for role in range(3):
                sums[role] += values[role]
        return sums[0], sums[1], sums[2]

    def __len__(self) -> int:
        return len(self._segments)

    @overload
    def __getitem__(self, index: int) -> Segment: ...
    @overload
    def __getitem__(self, index: slice) -> Path: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[Segment, Path]:
        if isinstance(index, slice):
            return Path(self._segments[index])
        return self._segments[index]

    def __iter__(self) -> Iterator[Segment]:
        return iter(self._segments)

    def __repr__(self) -> str:
        return f"Path({self._segments!r})"

    def _fill(self) -> int:
        """A path buffer of the library holding the path's points; the caller frees it."""
        if self._points is None:
            self._points = ffi.new("M716ContiPoint[]", [s._point() for s in self._segments])
        buffer = _allocate(max(len(self), 2))
        try:
            for k in range(len(self)):
                code = lib.M716SetContiData(buffer, self._points + k, k + 1)
                if code:
                    raise PathError(code, "M716SetContiData", f"segment {k + 1}")
        except BaseException:
            release(buffer)
            raise
        return buffer


def _integer(word: str) -> int:
    sign = -1 if word[0] == "-" else 1
    digits = word.lstrip("+-")
    return sign * int(digits, 16 if digits[:2] in ("0x", "0X") else 10)


_in_use: set[int] = set()  # the buffers this package holds


def _allocate(capacity: int) -> int:
    """The first of the library's 256 path buffers that nobody in the process holds."""
    for buffer in range(256):
        if buffer in _in_use:
            continue
        code = lib.M716InitialContiBuf(buffer, capacity)
        if code == ErrorCode.BUFFER_ALLOCATED:
            continue
        check(code, "M716InitialContiBuf")
        _in_use.add(buffer)
        return buffer
    raise PathError(ErrorCode.BUFFER_ALLOCATED, "M716InitialContiBuf", "every buffer is taken")


def release(buffer: int) -> None:
    """Frees a path buffer the package holds."""
    check(lib.M716FreeContiBuf(buffer), "M716FreeContiBuf")
    _in_use.discard(buffer)
