"""Continuous paths, their text format, and events."""

import time

import pytest
from conftest import REPOSITORY, started_moving

import m716
import m716.sim as sim
from m716 import Arc, Axis, End, EventFactor, Line

TEXT = """# a corner rounded off
L2 300 0             # a line
CCW 0 100 100 100
l2 0 0x10
CW -100 0 -100 100
L2 -010 -0X10
"""


def test_the_text_format_reads_as_m716_path_reads_it():
    assert list(m716.Path.parse(TEXT)) == [
        Line(300, 0), Arc((0, 100), (100, 100), ccw=True), Line(0, 16),
        Arc((-100, 0), (-100, 100)), Line(-10, -16)]
    assert m716.Path.parse("L3 1 2 3\nL3 4 5 6").three_axes


@pytest.mark.parametrize("text, line", [
    ("L2 1 2\nL2 1\n", 2), ("L2 1 2 3", 1), ("CW 1 2 3 x", 1), ("L4 1 2", 1), ("L2 1.5 2", 1),
    ("L2 1 2\n\nL2 8388608 0", 3), ("L2 1_000 0", 1)])
def test_a_line_that_does_not_read_is_named(text, line):
    with pytest.raises(ValueError, match=f"^<path>:{line}: "):
        m716.Path.parse(text)


@pytest.mark.parametrize("path, axes, ends", [
    (m716.Path.load(REPOSITORY / "examples/python/rectangle.path"), None, (0, 0, 0)),
    ([Line(2000, 0), Arc((0, 1000), (1000, 1000), ccw=True)], "XZ", (3000, 0, 1000)),
    ([Line(1000, -200, 300), Line(-500, 400, 0)], None, (500, 200, 300)),
])
def test_a_path_runs_to_its_end(board, path, axes, ends):
    board.set_path_speeds(start=1000, drive=20_000, maximum=20_000, acceleration=400_000,
                          jerk=10_000_000)
    seen = []
    run = board.run_path(path, axes=axes)
    assert run.wait(timeout=20, progress=seen.append, interval=0) is End.REACHED
    assert (board.x.position, board.y.position, board.z.position) == ends
    assert run.segment == len(path) - 1 and seen[-1].segment == len(path) - 1
    # The clock runs: a loaded host may load a segment late, and the path then goes on.
    assert run.underruns <= sim.path_underruns()


def test_a_stopped_path_ends_stopped_and_frees_its_buffer(board):
    run = board.run_path([Line(50_000, 0), Line(0, 50_000)])
    started_moving(board.x)
    run.stop()
    assert run.wait(timeout=5) is End.STOPPED and run.ends[Axis.X] is End.STOPPED
    again = board.run_path([Line(10, 0), Line(0, 10)])
    assert again.buffer == run.buffer and again.wait(timeout=5) is End.REACHED


def test_events_come_as_an_iterator_until_a_quiet_timeout(board):
    board.enable_events(x=EventFactor.DRIVE_ENDED | EventFactor.ACCELERATION_ENDED,
                        y=EventFactor.DRIVE_ENDED)
    board.move(x=20_000, y=500, speed=10_000)
    before = time.monotonic()
    events = list(board.events(timeout=0.3))
    assert time.monotonic() - before >= 0.3
    assert sorted(events, key=lambda e: (e.axis, e.factors)) == [
        m716.Event(Axis.X, EventFactor.ACCELERATION_ENDED),
        m716.Event(Axis.X, EventFactor.DRIVE_ENDED), m716.Event(Axis.Y, EventFactor.DRIVE_ENDED)]
    assert list(board.events(timeout=0)) == []
