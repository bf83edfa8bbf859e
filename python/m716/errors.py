"""The library's error codes, and the exceptions that carry them."""

from __future__ import annotations

import enum

from ._binding import ffi, lib

__all__ = ["ErrorCode", "M716Error", "BoardError", "BusyError", "ParameterError", "HomeError",
           "PathError", "WaitTimeout", "error_text", "check"]


class ErrorCode(enum.IntEnum):
    """The codes the library returns, as the public header names them."""

    BOARD_NUMBER = lib.M716_ERR_BOARD_NUMBER
    OPEN_DRIVER = lib.M716_ERR_OPEN_DRIVER
    CALL_DRIVER = lib.M716_ERR_CALL_DRIVER
    OPEN_REGISTRY = lib.M716_ERR_OPEN_REGISTRY
    READ_REGISTRY = lib.M716_ERR_READ_REGISTRY
    AXIS_NUMBER = lib.M716_ERR_AXIS_NUMBER
    RG_UNDER = lib.M716_ERR_RG_UNDER
    RG_OVER = lib.M716_ERR_RG_OVER
    SV_UNDER = lib.M716_ERR_SV_UNDER
    SV_OVER = lib.M716_ERR_SV_OVER
    MDV_OVER = lib.M716_ERR_MDV_OVER
    DV_UNDER = lib.M716_ERR_DV_UNDER
    DV_OVER = lib.M716_ERR_DV_OVER
    AC_UNDER = lib.M716_ERR_AC_UNDER
    AC_OVER = lib.M716_ERR_AC_OVER
    AK_UNDER = lib.M716_ERR_AK_UNDER
    AK_OVER = lib.M716_ERR_AK_OVER
    PLMT_OVER = lib.M716_ERR_PLMT_OVER
    NLMT_OVER = lib.M716_ERR_NLMT_OVER
    DISTANCE = lib.M716_ERR_DISTANCE
    AXIS_BUSY = lib.M716_ERR_AXIS_BUSY
    REGISTER_UNDEFINED = lib.M716_ERR_REGISTER_UNDEFINED
    PARAMETER_INVALID = lib.M716_ERR_PARAMETER_INVALID
    PARAMETER_OVER = lib.M716_ERR_PARAMETER_OVER
    PARAMETER_UNDER = lib.M716_ERR_PARAMETER_UNDER
    IN_HOME = lib.M716_ERR_IN_HOME
    IN_EXTERNAL_DRIVE = lib.M716_ERR_IN_EXTERNAL_DRIVE
    WRITE_REGISTRY = lib.M716_ERR_WRITE_REGISTRY
    VALUE_OVER = lib.M716_ERR_VALUE_OVER
    VALUE_UNDER = lib.M716_ERR_VALUE_UNDER
    DC_OVER = lib.M716_ERR_DC_OVER
    DC_UNDER = lib.M716_ERR_DC_UNDER
    MDV_UNDER = lib.M716_ERR_MDV_UNDER
    CREATE_REGISTRY = lib.M716_ERR_CREATE_REGISTRY
    CREATE_THREAD = lib.M716_ERR_CREATE_THREAD
    HOME_STOPPED = lib.M716_ERR_HOME_STOPPED
    SPEED_INVALID = lib.M716_ERR_SPEED_INVALID
    DO_IS_INDICATOR = lib.M716_ERR_DO_IS_INDICATOR
    CREATE_EVENT = lib.M716_ERR_CREATE_EVENT
    CLOSE = lib.M716_ERR_CLOSE
    HOME_EMERGENCY_STOP = lib.M716_ERR_HOME_EMERGENCY_STOP
    HOME_LIMIT_PLUS = lib.M716_ERR_HOME_LIMIT_PLUS
    HOME_LIMIT_MINUS = lib.M716_ERR_HOME_LIMIT_MINUS
    HOME_ALARM = lib.M716_ERR_HOME_ALARM
    BUFFER_ALLOCATE = lib.M716_ERR_BUFFER_ALLOCATE
    BUFFER_ALLOCATED = lib.M716_ERR_BUFFER_ALLOCATED
    BUFFER_HANDLE = lib.M716_ERR_BUFFER_HANDLE
    BUFFER_FIRST_POINT = lib.M716_ERR_BUFFER_FIRST_POINT
    BUFFER_FULL = lib.M716_ERR_BUFFER_FULL
    BUFFER_NOT_CREATED = lib.M716_ERR_BUFFER_NOT_CREATED
    BUFFER_POINT_NUMBER = lib.M716_ERR_BUFFER_POINT_NUMBER
    BUFFER_PATH_TYPE = lib.M716_ERR_BUFFER_PATH_TYPE
    BUFFER_MIXED_TYPES = lib.M716_ERR_BUFFER_MIXED_TYPES
    BUFFER_ONE_POINT = lib.M716_ERR_BUFFER_ONE_POINT
    DEVICE_ABSENT = lib.M716_ERR_DEVICE_ABSENT


def error_text(code: int) -> str:
    """The library's text for an error code, as the programs show it."""
    text: bytes = ffi.string(lib.m716py_error_text(code))
    return text.decode()


class M716Error(Exception):
    """A library call failed. `code` is its error code (an ErrorCode where the header names
    it), `text` the library's text for it and `function` the C function that returned it."""

    def __init__(self, code: int, function: str, detail: str = "") -> None:
        self.code: int = ErrorCode(code) if code in ErrorCode._value2member_map_ else code
        self.text = error_text(code)
        self.function = function
        where = f"{function} ({detail})" if detail else function
        super().__init__(f"{where}: {self.text} (error {int(code)})")


class BoardError(M716Error):
    """Opening, closing or finding a board failed, or the registry or the system beneath."""


class BusyError(M716Error):
    """An axis is driving, in a home search or in external drive."""


class ParameterError(M716Error):
    """A value the library refused: out of its range, beyond a limit, or an unknown selector."""


class HomeError(M716Error):
    """A home search ended in a failure of the system or of its parameters."""


class PathError(M716Error):
    """A continuous path's buffer refused a point or the path."""


_E = ErrorCode
_FAMILIES: dict[int, type[M716Error]] = {
    **dict.fromkeys([_E.BOARD_NUMBER, _E.OPEN_DRIVER, _E.CALL_DRIVER, _E.OPEN_REGISTRY,
                     _E.READ_REGISTRY, _E.WRITE_REGISTRY, _E.CREATE_REGISTRY, _E.CREATE_THREAD,
                     _E.CREATE_EVENT, _E.CLOSE, _E.DEVICE_ABSENT], BoardError),
    **dict.fromkeys([_E.AXIS_BUSY, _E.IN_HOME, _E.IN_EXTERNAL_DRIVE], BusyError),
    **dict.fromkeys([_E.HOME_STOPPED, _E.HOME_EMERGENCY_STOP, _E.HOME_LIMIT_PLUS,
                     _E.HOME_LIMIT_MINUS, _E.HOME_ALARM], HomeError),
    **dict.fromkeys([code for code in _E if code.name.startswith("BUFFER_")], PathError),
}


def check(code: int, function: str, detail: str = "") -> None:
    """Raises the M716Error of its family for a nonzero code."""
    if code:
        raise _FAMILIES.get(code, ParameterError)(code, function, detail)


class WaitTimeout(TimeoutError):
    """A wait ended before what it waited for; the axes go on moving."""
