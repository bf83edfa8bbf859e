"""How to test a program for one's own machine on the simulated board, with pytest.

The machine is described in a registry store of the test's own: board 0 at 0x300 (IRQ 5) as the
installer declares it, and the simulated mechanics, here an X axis whose limit switches sit at
-5 000 and +60 000 pulses. m716reg (on the PATH) writes the store; m716.sim.use_registry points
the process at it.

    python3 -m pytest test_my_machine.py
"""

import os
import subprocess

import pytest

import m716
import m716.sim as sim

MACHINE = r"""REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\KRVM716S]
"BoardIDInUsed"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\KRVM716S\Board000]
"BaseAddress"=dword:00000300
"Interrupt"=dword:00000005

[HKEY_LOCAL_MACHINE\Software\M716Simulator]
"SpeedFactor"=dword:00000014

[HKEY_LOCAL_MACHINE\Software\M716Simulator\Board300\Xaxis]
"LimitMinus"=dword:ffffec78
"LimitPlus"=dword:0000ea60
"""


@pytest.fixture
def machine(tmp_path):
    """Board 0 of my machine, opened on a store of the test's own."""
    store, description = tmp_path / "registry.db", tmp_path / "machine.reg"
    description.write_text(MACHINE)
    subprocess.run(["m716reg", "import", str(description)], check=True,
                   env={**os.environ, "M716_REGISTRY": str(store)})
    sim.use_registry(store)
    with m716.Board(0) as board:
        yield board


def run_to_the_end(board: m716.Board) -> m716.End:
    """The program under test: runs X towards + until something stops it."""
    return board.x.move(1_000_000, speed=40_000).wait(timeout=30)


def test_x_stops_at_its_limit_switch(machine):
    assert run_to_the_end(machine) is m716.End.LIMIT_PLUS
    assert 60_000 <= sim.machine_position("X") < 61_000


def test_x_stops_at_the_emergency_stop(machine):
    with sim.forced("X", sim.Input.EMERGENCY_STOP):
        assert run_to_the_end(machine) is m716.End.EMERGENCY_STOP
    assert sim.machine_position("X") == 0
