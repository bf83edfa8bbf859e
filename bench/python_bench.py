"""The Python package's costs against its targets, on the simulated board:

- the overhead of one Python call over the C call it wraps, against 2 µs (the C time comes
  from bench_python_calls, run here with the same store);
- filling a continuous path of 10 000 segments (Path from the segments, into a library path
  buffer), against 50 ms.

    PYTHONPATH=build/default/python /usr/bin/python3 bench/python_bench.py build/default/bin

Each line ends with budget_ratio, the measurement as a share of its target (below 1 meets it).
"""

import json
import os
import subprocess
import sys
import tempfile
import timeit
from pathlib import Path

CALL_BUDGET = 2e-6
FILL_BUDGET = 50e-3
SEGMENTS = 10_000


def declare_board_zero(bin_dir: Path, store: Path) -> None:
    os.environ["M716_REGISTRY"] = str(store)
    key = r"HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S"
    for arguments in ([key, "/v", "BoardIDInUsed", "/d", "1"],
                      [key + r"\Board000", "/v", "BaseAddress", "/d", "0x300"],
                      [key + r"\Board000", "/v", "Interrupt", "/d", "5"]):
        subprocess.run([bin_dir / "m716reg", "add", arguments[0], *arguments[1:3], "/t",
                        "REG_DWORD", *arguments[3:], "/f"], check=True, capture_output=True)


def c_times(bin_dir: Path) -> dict[str, float]:
    """Seconds per iteration of each benchmark of bench_python_calls."""
    report = subprocess.run([bin_dir / "bench_python_calls", "--benchmark_format=json"],
                            check=True, capture_output=True, text=True).stdout
    units = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return {b["name"]: b["real_time"] * units[b["time_unit"]]
            for b in json.loads(report)["benchmarks"]}


def per_call(statement, number: int = 200_000) -> float:
    return min(timeit.repeat(statement, number=number, repeat=5)) / number


def main(bin_dir: Path) -> None:
    with tempfile.TemporaryDirectory(prefix="m716-bench-python-") as folder:
        declare_board_zero(bin_dir, Path(folder) / "registry.db")
        c = c_times(bin_dir)
        import m716
        from m716.path import release

        empty = per_call(lambda: None)  # the loop's own cost, in neither measurement
        with m716.Board(0) as board:
            x = board.x
            for name, call in (("ReadPosition", lambda: x.position),
                               ("AxisBusy", lambda: x.busy)):
                python = per_call(call) - empty
                overhead = python - c[name]
                print(f"python_call {name:<14} python {python * 1e6:6.2f} us  "
                      f"C {c[name] * 1e6:6.2f} us  overhead {overhead * 1e6:6.2f} us  "
                      f"budget_ratio {overhead / CALL_BUDGET:.2f}")

        segments = [m716.Line(1, 1)] * SEGMENTS

        def fill() -> None:
            release(m716.Path(segments)._fill())

        seconds = min(timeit.repeat(fill, number=1, repeat=10))
        print(f"python_fill_path {SEGMENTS} segments {seconds * 1e3:6.2f} ms  "
              f"(C alone {c['FillPath'] * 1e3:6.2f} ms)  budget_ratio {seconds / FILL_BUDGET:.2f}")


if __name__ == "__main__":
    main(Path(sys.argv[1] if len(sys.argv) > 1 else "build/default/bin"))
