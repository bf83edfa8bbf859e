"""Axes, levels, modes and the chip's status bits as Python enums with the library's values."""

from __future__ import annotations

import enum

from ._binding import lib

__all__ = ["Axis", "LogicLevel", "PulseMode", "EncoderMultiple", "Counter", "EventFactor",
           "StopCause", "Limit", "Input", "Register", "PathType"]


class Axis(enum.IntFlag):
    """An axis selection: the masks of the library (X = 1, Y = 2, Z = 4, U = 8)."""

    X = 1
    Y = 2
    Z = 4
    U = 8


class LogicLevel(enum.IntEnum):
    """The level at which an input or output is active."""

    LOW = 0
    HIGH = 1


class PulseMode(enum.IntEnum):
    """How the axis outputs its pulses."""

    TWO_PULSES = 0  #: one pulse output for each direction
    PULSE_AND_DIRECTION = 1  #: a pulse output and a direction output


class EncoderMultiple(enum.IntEnum):
    """Counts of the real position counter per encoder A/B period."""

    FULL = 0  #: 1/1
    HALF = 1  #: 1/2
    QUARTER = 2  #: 1/4


class Counter(enum.IntEnum):
    """The position counter the compare registers look at."""

    LOGICAL = 0  #: the commanded position
    REAL = 1  #: the encoder position


class EventFactor(enum.IntFlag):
    """Interrupt factors of an axis: enabled by enable_events, reported by events()."""

    PULSE = lib.M716PY_FACTOR_PULSE
    AT_OR_ABOVE_COMPARE_MINUS = lib.M716PY_FACTOR_AT_OR_ABOVE_COMPARE_MINUS
    BELOW_COMPARE_MINUS = lib.M716PY_FACTOR_BELOW_COMPARE_MINUS
    BELOW_COMPARE_PLUS = lib.M716PY_FACTOR_BELOW_COMPARE_PLUS
    AT_OR_ABOVE_COMPARE_PLUS = lib.M716PY_FACTOR_AT_OR_ABOVE_COMPARE_PLUS
    ACCELERATION_ENDED = lib.M716PY_FACTOR_ACCELERATION_ENDED
    DECELERATION_STARTED = lib.M716PY_FACTOR_DECELERATION_STARTED
    DRIVE_ENDED = lib.M716PY_FACTOR_DRIVE_ENDED


class StopCause(enum.IntFlag):
    """What stopped an axis's last drive (the end status, kept until its next drive)."""

    IN0 = lib.M716PY_STOPPED_BY_IN0
    IN1 = lib.M716PY_STOPPED_BY_IN1
    IN2 = lib.M716PY_STOPPED_BY_IN2
    IN3 = lib.M716PY_STOPPED_BY_IN3
    LIMIT_PLUS = lib.M716PY_STOPPED_BY_LIMIT_PLUS
    LIMIT_MINUS = lib.M716PY_STOPPED_BY_LIMIT_MINUS
    ALARM = lib.M716PY_STOPPED_BY_ALARM
    EMERGENCY_STOP = lib.M716PY_STOPPED_BY_EMERGENCY


class Limit(enum.IntFlag):
    """Limits, alarm and emergency stop active now."""

    SOFT_LIMIT_PLUS = lib.M716PY_SOFT_LIMIT_PLUS
    SOFT_LIMIT_MINUS = lib.M716PY_SOFT_LIMIT_MINUS
    LIMIT_PLUS = lib.M716PY_LIMIT_PLUS
    LIMIT_MINUS = lib.M716PY_LIMIT_MINUS
    ALARM = lib.M716PY_ALARM
    EMERGENCY_STOP = lib.M716PY_EMERGENCY


class Input(enum.IntFlag):
    """An axis's raw input levels (1 = high)."""

    IN0 = lib.M716PY_INPUT_IN0  #: the index input
    IN1 = lib.M716PY_INPUT_IN1
    IN2 = lib.M716PY_INPUT_IN2
    IN3 = lib.M716PY_INPUT_IN3  #: the home input
    JOG_PLUS = lib.M716PY_INPUT_JOG_PLUS
    JOG_MINUS = lib.M716PY_INPUT_JOG_MINUS
    IN_POSITION = lib.M716PY_INPUT_IN_POSITION
    ALARM = lib.M716PY_INPUT_ALARM


class Register(enum.IntEnum):
    """Register identifiers of read_register and write_register."""

    REAL_POSITION = lib.M716_REG_REAL_POSITION
    LOGICAL_POSITION = lib.M716_REG_LOGICAL_POSITION
    COMPARE_PLUS = lib.M716_REG_COMPARE_PLUS
    COMPARE_MINUS = lib.M716_REG_COMPARE_MINUS
    OUTPUT_PULSES = lib.M716_REG_OUTPUT_PULSES
    LIVE_SPEED = lib.M716_REG_LIVE_SPEED
    LIVE_ACCELERATION = lib.M716_REG_LIVE_ACCELERATION
    MAIN_STATUS = lib.M716_REG_MAIN_STATUS
    STATUS1 = lib.M716_REG_STATUS1
    STATUS2 = lib.M716_REG_STATUS2
    STATUS3 = lib.M716_REG_STATUS3
    INPUT1 = lib.M716_REG_INPUT1
    INPUT2 = lib.M716_REG_INPUT2
    MODE1 = lib.M716_REG_MODE1
    MODE2 = lib.M716_REG_MODE2
    MODE3 = lib.M716_REG_MODE3
    RG = lib.M716_PAR_RG
    SV = lib.M716_PAR_SV
    DV = lib.M716_PAR_DV
    MDV = lib.M716_PAR_MDV
    AC = lib.M716_PAR_AC
    DC = lib.M716_PAR_DC
    AK = lib.M716_PAR_AK
    PLMT = lib.M716_PAR_PLMT
    NLMT = lib.M716_PAR_NLMT
    HOME_OFFSET = lib.M716_PAR_HOME_OFFSET
    HOME_MODE = lib.M716_PAR_HOME_MODE
    HOME_TYPE = lib.M716_PAR_HOME_TYPE
    HOME_P0_DIR = lib.M716_PAR_HOME_P0_DIR
    HOME_P0_SPEED = lib.M716_PAR_HOME_P0_SPEED
    HOME_P1_DIR = lib.M716_PAR_HOME_P1_DIR
    HOME_P1_SPEED = lib.M716_PAR_HOME_P1_SPEED
    HOME_P2_DIR = lib.M716_PAR_HOME_P2_DIR
    HOME_OFFSET_SPEED = lib.M716_PAR_HOME_OFFSET_SPEED


class PathType(enum.IntEnum):
    """The kinds of segment of a continuous path."""

    L2 = lib.IPO_L2  #: a line on two axes
    L3 = lib.IPO_L3  #: a line on three axes
    CW = lib.IPO_CW  #: a clockwise arc
    CCW = lib.IPO_CCW  #: a counter-clockwise arc
