"""m716.sim: the simulated machine under a Python test's control."""

import pytest

import m716
import m716.sim as sim
from conftest import SPEED_FACTOR, until


def test_a_frozen_clock_moves_only_when_advanced(board):
    assert sim.board_present(0x300) and not sim.board_present(0x310)
    assert sim.speed_factor() == SPEED_FACTOR
    with sim.frozen():
        motion = board.x.move(10_000, speed=10_000)
        start = sim.time()
        assert sim.machine_position("X") == 0 and sim.time() == start
        sim.advance(0.5)
        assert sim.time() == pytest.approx(start + 0.5)
        assert 0 < sim.machine_position("X") == board.x.position < 10_000
        sim.advance(2)
        assert motion.wait(timeout=0) is m716.End.REACHED
    assert sim.speed_factor() == SPEED_FACTOR
    assert sim.drive_starts("X") == 1 and sim.drive_starts("Y") == 0


@pytest.mark.parametrize("input, limits", [
    (sim.Input.LIMIT_PLUS, m716.Limit.LIMIT_PLUS), (sim.Input.LIMIT_MINUS, m716.Limit.LIMIT_MINUS),
    (sim.Input.EMERGENCY_STOP, m716.Limit.EMERGENCY_STOP)])
def test_forced_inputs_show_until_given_back_to_the_mechanics(board, input, limits):
    with sim.forced(m716.Axis.Y, input):
        assert board.y.limits == limits
    assert board.y.limits == m716.Limit(0)


def test_set_machine_position_operates_the_switches_there(board):
    sim.set_machine_position(board.u, 1_000_000)
    assert board.u.limits == m716.Limit.LIMIT_PLUS and board.u.position == 0
    assert sim.machine_position("U") == 1_000_000


def test_the_hand_wheel_moves_an_axis_in_hand_wheel_drive(board):
    board.z.hand_wheel(pulses=25)
    sim.hand_wheel("Z", -3)
    with pytest.raises(m716.BusyError):
        board.z.move(1)
    until(lambda: board.z.position == -75, "three steps of the wheel")
    board.z.external_off()
    assert board.z.move(75).wait(timeout=5) is m716.End.REACHED and sim.path_underruns() == 0
