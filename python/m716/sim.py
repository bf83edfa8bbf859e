"""The simulated boards' control API, so that Python tests can drive the simulated machine.

Boards are named by their base address (0x300 unless the simulator's configuration in the
registry says otherwise), axes as in the rest of the package ("X", m716.Axis.X, board.x).
Positions are machine positions in pulses: where the carriage stands, kept across opens.
"""

from __future__ import annotations

import contextlib
import enum
import os
from typing import Iterator, Union

from ._binding import INT32, integer, real
from ._sim import lib
from .axes import AxesLike, axis_mask

__all__ = ["Input", "State", "BASE", "board_present", "speed_factor", "set_speed_factor",
           "frozen", "advance", "time", "force_input", "forced", "hand_wheel",
           "machine_position", "set_machine_position", "drive_starts", "clamped_loads",
           "path_underruns", "reload", "use_registry"]

BASE = 0x300  #: where a board answers when the configuration declares none

_BASE = (0, 0xFFFF)


class Input(enum.IntEnum):
    """The inputs force_input forces."""

    IN0 = lib.M716SIM_INPUT_IN0  #: the index input
    IN1 = lib.M716SIM_INPUT_IN1
    IN2 = lib.M716SIM_INPUT_IN2
    IN3 = lib.M716SIM_INPUT_IN3  #: the home input
    LIMIT_PLUS = lib.M716SIM_INPUT_LIMIT_PLUS
    LIMIT_MINUS = lib.M716SIM_INPUT_LIMIT_MINUS
    ALARM = lib.M716SIM_INPUT_ALARM
    IN_POSITION = lib.M716SIM_INPUT_IN_POSITION
    JOG_PLUS = lib.M716SIM_INPUT_JOG_PLUS
    JOG_MINUS = lib.M716SIM_INPUT_JOG_MINUS
    EMERGENCY_STOP = lib.M716SIM_INPUT_EMERGENCY_STOP  #: board-wide


class State(enum.IntEnum):
    """The states force_input sets."""

    INACTIVE = lib.M716SIM_STATE_INACTIVE
    ACTIVE = lib.M716SIM_STATE_ACTIVE
    MECHANICS = lib.M716SIM_STATE_MECHANICS  #: back to the carriage's switches


def _axis(axis: AxesLike) -> int:
    return axis_mask(axis, single=True)


def board_present(base: int = BASE) -> bool:
    """Whether a simulated board answers at `base`."""
    return bool(lib.M716SimBoardPresent(integer(base, "base", _BASE)))


def speed_factor() -> float:
    """Simulated seconds per real second; 0 while the clock is frozen."""
    return float(lib.M716SimSpeedFactor())


def set_speed_factor(factor: float) -> None:
    """Simulated seconds per real second; 0 freezes the clock (see advance)."""
    factor = real(factor, "factor")
    if factor < 0:
        raise ValueError("the speed factor cannot be negative")
    lib.M716SimSetSpeedFactor(factor)


@contextlib.contextmanager
def frozen() -> Iterator[None]:
    """Freezes the clock for the with block; advance() moves it."""
    before = speed_factor()
    set_speed_factor(0)
    try:
        yield
    finally:
        set_speed_factor(before)


def advance(seconds: float) -> None:
    """Moves a frozen clock forward, running the interrupt handlers on the way."""
    seconds = real(seconds, "seconds")
    if seconds < 0:
        raise ValueError("the clock does not go back")
    lib.M716SimAdvance(seconds)


def time() -> float:
    """Simulated time in seconds."""
    return float(lib.M716SimTime())


def force_input(axis: AxesLike, input: Input, state: Union[State, bool] = State.ACTIVE, *,
                base: int = BASE) -> None:
    """Forces an input of an axis active or inactive, or gives it back to the mechanics."""
    lib.M716SimForceInput(integer(base, "base", _BASE), _axis(axis), Input(input),
                          State(int(state)))


@contextlib.contextmanager
def forced(axis: AxesLike, input: Input, state: Union[State, bool] = State.ACTIVE, *,
           base: int = BASE) -> Iterator[None]:
    """Forces an input for the with block, then gives it back to the mechanics."""
    force_input(axis, input, state, base=base)
    try:
        yield
    finally:
        force_input(axis, input, State.MECHANICS, base=base)


def hand_wheel(axis: AxesLike, steps: int, *, base: int = BASE) -> None:
    """Turns the axis's hand wheel by `steps` (the sign gives the direction)."""
    lib.M716SimHandWheel(integer(base, "base", _BASE), _axis(axis), integer(steps, "steps"))


def machine_position(axis: AxesLike, *, base: int = BASE) -> int:
    """Where the axis's carriage stands, in pulses."""
    return int(lib.M716SimMachinePosition(integer(base, "base", _BASE), _axis(axis)))


def set_machine_position(axis: AxesLike, position: int, *, base: int = BASE) -> None:
    """Puts the carriage at `position` by hand; the switches show the state there."""
    lib.M716SimSetMachinePosition(integer(base, "base", _BASE), _axis(axis),
                                  integer(position, "position", INT32))


def drive_starts(axis: AxesLike, *, base: int = BASE) -> int:
    """Drives the axis started since the boards were powered up."""
    return int(lib.M716SimDriveStarts(integer(base, "base", _BASE), _axis(axis)))


def clamped_loads(base: int = BASE) -> int:
    """Register loads out of the chip's range since power-up (the library makes none)."""
    return int(lib.M716SimClampedLoads(integer(base, "base", _BASE)))


def path_underruns(base: int = BASE) -> int:
    """Continuous-path segments that ended with no next one loaded, since power-up."""
    return int(lib.M716SimPathUnderruns(integer(base, "base", _BASE)))


def reload() -> None:
    """Reads the simulator's configuration again and powers the boards up anew."""
    lib.M716SimReload()


def use_registry(file: Union[str, "os.PathLike[str]"]) -> None:
    """Points this process's registry store at `file` (as $M716_REGISTRY does before the first
    use) and powers the simulated boards up from its configuration: a store of its own for
    each test. Refused while a board is open in the process."""
    from .board import _open_boards

    if _open_boards:
        raise RuntimeError(f"boards {sorted(_open_boards)} are open")
    lib.m716py_use_registry(os.fsencode(file))
