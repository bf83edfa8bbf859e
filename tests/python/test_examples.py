"""The examples of examples/python, each run as a user runs it, on the test's own store."""

import subprocess
import sys

import pytest
from conftest import REPOSITORY

EXAMPLES = REPOSITORY / "examples/python"


@pytest.mark.parametrize("arguments, printed", [
    (["home_and_move.py"], "The move reached: X at 40000, Y at -25000."),
    (["watch_events.py"], "X: <EventFactor.DRIVE_ENDED: 128>"),
    (["continuous_path.py"], "The path reached: X at 0, Y at 0."),
    (["continuous_path.py", "rectangle.path"], "The path reached: X at 0, Y at 0."),
    (["-m", "pytest", "-q", "-p", "no:cacheprovider", "test_my_machine.py"], "2 passed"),
])
def test_the_example_runs(store, arguments, printed):
    run = subprocess.run([sys.executable, *arguments], cwd=EXAMPLES, capture_output=True,
                         text=True, timeout=100)
    assert run.returncode == 0, run.stderr
    assert printed in run.stdout
