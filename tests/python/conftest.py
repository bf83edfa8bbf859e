"""Fixtures of the Python package's tests: a registry store of each test's own, in which board 0
is declared at 0x300 with IRQ 5 (as `make run` declares it) and the simulated clock runs 20
times real time, and board 0 opened on it."""

import os
import subprocess
import tempfile
import time
from pathlib import Path
from typing import Callable

import pytest

# Nothing here may touch a store outside the tests, not even before the first fixture.
_UNUSED = tempfile.TemporaryDirectory(prefix="m716-py-")
os.environ["M716_REGISTRY"] = os.path.join(_UNUSED.name, "unused.db")

import m716  # noqa: E402
import m716.sim as sim  # noqa: E402

REPOSITORY = Path(__file__).resolve().parents[2]
SPEED_FACTOR = 20

BOARD_0 = rf"""REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\KRVM716S]
"BoardIDInUsed"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\KRVM716S\Board000]
"BaseAddress"=dword:00000300
"Interrupt"=dword:00000005

[HKEY_LOCAL_MACHINE\Software\M716Simulator]
"SpeedFactor"=dword:{SPEED_FACTOR:08x}
"""

@pytest.fixture
def store(tmp_path: Path) -> Path:
    """The test's own registry store, for this process and the programs it starts."""
    file, description = tmp_path / "registry.db", tmp_path / "board0.reg"
    description.write_text(BOARD_0)
    os.environ["M716_REGISTRY"] = str(file)
    subprocess.run(["m716reg", "import", str(description)], check=True, capture_output=True)
    sim.use_registry(file)
    return file


@pytest.fixture
def board(store: Path):
    """Board 0, open; afterwards no register load of the library was out of the chip's range."""
    with m716.Board(0, stop_timeout=2) as opened:
        yield opened
    assert sim.clamped_loads() == 0


def until(condition: Callable[[], bool], what: str, timeout: float = 5.0) -> None:
    """Waits until the condition holds."""
    deadline = time.monotonic() + timeout
    while not condition():
        assert time.monotonic() < deadline, f"{what} did not come in {timeout} s"
        time.sleep(0.001)


def started_moving(axis: m716.BoardAxis) -> None:
    """Waits until the axis has left where it stood."""
    start = axis.position
    until(lambda: axis.position != start, f"{axis!r} moving")
