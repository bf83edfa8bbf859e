"""The extension module over the motion library, and the checks of Python arguments.

Every argument is checked here before it reaches the library: the C functions keep only the
low byte of a board or axis number and the low bits of other values, so a value out of range
would otherwise select something nobody meant.
"""

from __future__ import annotations

import math
import operator
from typing import Any

from ._m716 import ffi, lib

__all__ = ["ffi", "lib", "integer", "real", "flag", "INT32", "UINT32", "UINT16"]

INT32 = (-(2**31), 2**31 - 1)
UINT32 = (0, 2**32 - 1)
UINT16 = (0, 2**16 - 1)


def integer(value: Any, name: str, bounds: tuple[int, int] = INT32) -> int:
    """`value` as an int within `bounds`: TypeError for anything that is not a whole number
    (a float where pulses are counted, a bool), ValueError out of range."""
    if isinstance(value, bool):
        raise TypeError(f"{name} must be an int, not bool")
    try:
        whole = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an int, not {type(value).__name__}") from None
    low, high = bounds
    if not low <= whole <= high:
        raise ValueError(f"{name} must lie in {low}..{high}, not {whole}")
    return whole


def real(value: Any, name: str) -> float:
    """A finite real number (an arc's angle, a time in seconds)."""
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}")
    if not math.isfinite(value):
        raise ValueError(f"{name} must be finite, not {value}")
    return float(value)


def flag(value: Any, name: str) -> int:
    """A bool (or an IntEnum of two values) as the library's 0 / 1."""
    if isinstance(value, bool) or value in (0, 1):
        return int(value)
    raise TypeError(f"{name} must be a bool, not {value!r}")
