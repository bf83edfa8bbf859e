"""Moves, lines, arcs and home searches, and how wait() tells their end."""

import pytest
from conftest import started_moving

import m716
import m716.sim as sim
from m716 import End


def force(input):
    return lambda board: sim.force_input("X", input)


@pytest.mark.parametrize("after_start, end", [
    (force(sim.Input.LIMIT_PLUS), End.LIMIT_PLUS),
    (force(sim.Input.EMERGENCY_STOP), End.EMERGENCY_STOP),
    (lambda board: board.x.stop(), End.STOPPED),
    (lambda board: board.stop(decelerate=False), End.STOPPED),
    (lambda board: setattr(board.x, "compare_plus", board.x.position + 100) or
     board.x.set_soft_limits(plus=True, minus=False), End.SOFT_LIMIT_PLUS),
])
def test_wait_tells_what_stopped_a_move(board, after_start, end):
    motion = board.x.move(500_000, speed=20_000)
    started_moving(board.x)
    after_start(board)
    assert motion.wait(timeout=10) is end
    assert motion.ends == {m716.Axis.X: end} and 0 < board.x.position < 500_000


def test_wait_follows_a_move_to_its_target_and_raises_on_a_timeout(board):
    seen = []
    motion = board.move(x=40_000, y=-20_000, speed=10_000)
    with pytest.raises(m716.WaitTimeout):
        motion.wait(timeout=0.01)
    end = motion.wait(timeout=10, progress=seen.append, interval=0)
    assert end is End.REACHED and motion.ends == {m716.Axis.X: End.REACHED,
                                                  m716.Axis.Y: End.REACHED}
    assert (board.x.position, board.y.position) == (40_000, -20_000)
    assert len(seen) > 2 and all(p.positions.keys() == {"X", "Y"} for p in seen)
    assert seen[0].positions["X"] < seen[-1].positions["X"] <= 40_000


@pytest.mark.parametrize("start, positions", [
    (lambda b: b.line(x=3000, y=-1000), (3000, -1000, 0)),
    (lambda b: b.line(x=100, z=200, absolute=True), (100, 0, 200)),
    (lambda b: b.arc(center=(0, 1000), end=(0, 2000)), (0, 2000, 0)),
    (lambda b: b.arc(center=(1000, 0), end=(1000, 1000), axes="XZ", ccw=True), (1000, 0, 1000)),
    (lambda b: b.arc(center=(1000, 0), angle=-90.0), (1000, -1000, 0)),
    (lambda b: b.circle(center=(500, 0), ccw=True), (0, 0, 0)),
])
def test_lines_and_arcs_end_where_they_lead(board, start, positions):
    board.set_path_speeds(start=1000, drive=20_000, maximum=20_000, acceleration=400_000,
                          jerk=10_000_000)
    assert start(board).wait(timeout=10) is End.REACHED
    assert (board.x.position, board.y.position, board.z.position) == positions


@pytest.mark.parametrize("forced, end", [
    (None, End.REACHED), (sim.Input.LIMIT_MINUS, End.LIMIT_MINUS),
    (sim.Input.EMERGENCY_STOP, End.EMERGENCY_STOP)])
def test_wait_gives_the_home_result(board, forced, end):
    sim.set_machine_position("X", 5000)
    if forced is not None:
        sim.force_input("X", forced)
    search = board.x.home()
    assert search.wait(timeout=20) is end
    if end is End.REACHED:
        assert board.x.position == 0 and -20_000 <= sim.machine_position("X") <= -8000


def test_a_stopped_home_search_ends_stopped(board):
    search = board.home("XY")
    started_moving(board.x)
    search.stop()
    assert search.wait(timeout=5) is End.STOPPED
    assert search.ends == {m716.Axis.X: End.STOPPED, m716.Axis.Y: End.STOPPED}
