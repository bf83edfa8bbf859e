"""Board as a context manager, errors, arguments, enums and parameters."""

import contextlib
import re
import signal
import subprocess
import sys
import time

import pytest
from conftest import REPOSITORY, started_moving

import m716
import m716.sim as sim
from m716 import ErrorCode


def test_boards_lists_the_declared_board_as_answering(store):
    assert m716.boards() == [m716.BoardInfo(0, 0x300, 5, True)]
    # A store that declares none, as the package makes it, lists none.
    subprocess.run(["m716reg", "delete", "HKLM\\SYSTEM\\CurrentControlSet\\Services\\KRVM716S",
                    "/f"], check=True, capture_output=True)
    assert m716.boards() == []


def stands(axis: str) -> int:
    """The carriage's machine position, once it is seen to stay there for 0.1 s."""
    position = sim.machine_position(axis)
    time.sleep(0.1)
    assert sim.machine_position(axis) == position
    return position


@pytest.mark.parametrize("leaving", ["normally", "by an exception"])
def test_leaving_the_block_stops_what_it_started_and_closes(store, leaving):
    board = m716.Board(0)
    with pytest.raises(KeyError) if leaving != "normally" else contextlib.nullcontext():
        with board:
            board.move(x=900_000, y=-900_000, speed=20_000)
            board.z.jog()
            started_moving(board.x)
            if leaving != "normally":
                raise KeyError
    assert not board.is_open
    assert 0 < stands("X") < 900_000 and -900_000 < stands("Y") < 0
    with sim.forced("Z", sim.Input.JOG_PLUS):  # jog mode ended with the block
        assert stands("Z") == 0
    with pytest.raises(RuntimeError, match="not open"):
        board.x.move(1)


CTRL_C_IN_A_MOVE = """
import time, m716, m716.sim as sim
board = m716.Board(0)
try:
    with board:
        motion = board.x.move(1_000_000, speed=20_000)
        while board.x.position < 1000:
            time.sleep(0.001)
        print("moving", flush=True)
        motion.wait(timeout=60)
except KeyboardInterrupt:
    first = sim.machine_position("X")
    time.sleep(0.2)
    print(board.is_open, first, sim.machine_position("X"), flush=True)
"""


def test_ctrl_c_in_a_move_stops_the_carriage_and_closes_the_board(store):
    child = subprocess.Popen([sys.executable, "-c", CTRL_C_IN_A_MOVE], stdout=subprocess.PIPE,
                             text=True)
    assert child.stdout.readline() == "moving\n"
    child.send_signal(signal.SIGINT)
    is_open, first, later = child.communicate(timeout=30)[0].split()
    assert is_open == "False" and first == later and 1000 < int(first) < 1_000_000


@pytest.mark.parametrize("call, family, code, text", [
    (lambda b: (setattr(b.x, "plus_limit", 100), b.x.move(200)), m716.ParameterError,
     ErrorCode.PLMT_OVER, "PLmt value is over valid range"),
    (lambda b: b.x.move(300_000_000), m716.ParameterError, ErrorCode.DISTANCE,
     "Moving distance is over single maximum distance"),
    (lambda b: (b.x.move(500_000), b.move(x=1, y=1)), m716.BusyError, ErrorCode.AXIS_BUSY,
     "One of the assigned axis is in busy state"),
    (lambda b: setattr(b.y, "drive_speed", 0), m716.ParameterError, ErrorCode.DV_UNDER,
     "DV value is under valid range"),
    (lambda b: b.run_path([m716.Line(1, 1)]), m716.PathError, ErrorCode.BUFFER_ONE_POINT,
     "Buffer contain only one data"),
    (lambda b: m716.Board(1).open(), m716.BoardError, ErrorCode.OPEN_REGISTRY,
     "Open Registry file error"),
])
def test_refused_calls_raise_their_family_with_the_code_and_its_text(board, call, family, code,
                                                                     text):
    with pytest.raises(family) as refused:
        call(board)
    assert (refused.value.code, refused.value.text) == (code, text)
    assert str(refused.value).endswith(f": {text} (error {int(code)})")


@pytest.mark.parametrize("call, error", [
    (lambda b: b.x.move(1.5), TypeError),
    (lambda b: b.move(x=True), TypeError),
    (lambda b: b.move(x=2**31), ValueError),
    (lambda b: b.move(), ValueError),
    (lambda b: b.axis("Q"), ValueError),
    (lambda b: b.home("XX"), ValueError),
    (lambda b: b.home(3), TypeError),
    (lambda b: b.arc((0, 100)), TypeError),
    (lambda b: b.stop(m716.Axis(16)), ValueError),
    (lambda b: setattr(b.x, "drive_speed", -1), ValueError),
    (lambda b: setattr(b.x, "live_speed", 1), AttributeError),
    (lambda b: b.eeprom[64], ValueError),
    (lambda b: b.x.set_outputs(16), ValueError),
    (lambda b: b.x.hand_wheel(10, variant=8), ValueError),
    (lambda b: b.run_path([m716.Line(1, 1), (2, 2)]), TypeError),
    (lambda b: m716.Line(8_388_608, 0), ValueError),
    (lambda b: m716.Board(16), ValueError),
    (lambda b: sim.machine_position("XY"), ValueError),
])
def test_bad_arguments_are_refused_before_anything_reaches_the_board(board, call, error):
    with pytest.raises(error):
        call(board)
    assert [sim.drive_starts(axis) for axis in "XYZU"] == [0, 0, 0, 0]


def header_enumerators() -> dict[str, int]:
    text = (REPOSITORY / "library/include/KRVM716.h").read_text()
    return {name: int(value, 0) for name, value in re.findall(r"\b(\w+) = (0x\w+|\d+)", text)}


@pytest.mark.parametrize("enum, prefixes", [
    (ErrorCode, ["M716_ERR_"]), (m716.Register, ["M716_REG_", "M716_PAR_"]),
    (m716.PathType, ["IPO_"])])
def test_enums_carry_the_values_of_the_c_header(enum, prefixes):
    header = header_enumerators()
    values = {member.name: next(header[p + member.name] for p in prefixes
                                if p + member.name in header) for member in enum}
    assert values == {member.name: member.value for member in enum}
    if enum is ErrorCode:
        assert len(enum) == len([n for n in header if n.startswith("M716_ERR_")])


@pytest.mark.parametrize("axis", list(m716.Axis))
def test_each_axis_drives_its_own_carriage(board, axis):
    assert board.axis(axis).move(-300).wait(timeout=10) is m716.End.REACHED
    assert [sim.machine_position(a) for a in m716.Axis] == [-300 if a is axis else 0
                                                            for a in m716.Axis]


@pytest.mark.parametrize("name, value", [
    ("drive_speed", 7000), ("acceleration", 500_000), ("plus_limit", 123_456),
    ("minus_limit", -654_321), ("home_offset", -250), ("home_type", 2)])
def test_parameters_read_back_what_was_written_and_saved(store, name, value):
    with m716.Board(0) as board:
        setattr(board.y, name, value)
        assert getattr(board.y, name) == value
        board.save()
    with m716.Board(0) as board:
        assert getattr(board.y, name) == value
        assert getattr(board.x, name) != value


def test_levels_and_counters_act_on_the_board(board):
    board.x.set_limit_logic(plus=m716.LogicLevel.HIGH, minus=m716.LogicLevel.LOW)
    assert board.x.limits == m716.Limit.LIMIT_PLUS  # its switch is wired active low
    board.y.position = -40
    board.eeprom[3] = 0xBEEF
    assert (board.y.position, board.eeprom[3]) == (-40, 0xBEEF)
