"""Interrupt events of a board as an iterator."""

from __future__ import annotations

import time
from dataclasses import dataclass
from typing import TYPE_CHECKING, Iterator, Optional

from ._binding import ffi, lib, real
from .enums import Axis, EventFactor
from .errors import check

if TYPE_CHECKING:
    from .board import Board

__all__ = ["Event", "events"]

SLICE_MS = 50  # the longest wait in the library, so that Ctrl-C is taken in between


@dataclass(frozen=True)
class Event:
    """The factors that occurred on one axis."""

    axis: Axis
    factors: EventFactor


def events(board: Board, timeout: Optional[float]) -> Iterator[Event]:
    """The events of the board as they come, each once; ends when none came for `timeout`
    seconds (None: never)."""
    limit = None if timeout is None else real(timeout, "timeout")
    word = ffi.new("uint32_t*")
    quiet_since = time.monotonic()
    while True:
        left = SLICE_MS if limit is None else (quiet_since + limit - time.monotonic()) * 1000
        check(lib.M716MotCheckEvent(board._live(), word, int(min(max(left, 0), SLICE_MS))),
              "M716MotCheckEvent")
        if word[0]:
            for k, axis in enumerate((Axis.X, Axis.Y, Axis.Z, Axis.U)):
                factors = word[0] >> (8 * k) & 0xFF
                if factors:
                    yield Event(axis, EventFactor(factors))
            quiet_since = time.monotonic()
        elif left <= 0:
            return
