"""A continuous path on X and Y: a rectangle with rounded corners, run without stopping at its
corners, from a list of segments or from a path file in the format of `m716 path`.

    python3 continuous_path.py [PATH_FILE]
"""

import sys

import m716
from m716 import Arc, Line

# 4000 x 2000 pulses, corners of radius 500, counter-clockwise from the bottom edge.
ROUNDED_RECTANGLE = m716.Path([
    Line(3000, 0), Arc(center=(0, 500), end=(500, 500), ccw=True),
    Line(0, 1000), Arc(center=(-500, 0), end=(-500, 500), ccw=True),
    Line(-3000, 0), Arc(center=(0, -500), end=(-500, -500), ccw=True),
    Line(0, -1000), Arc(center=(500, 0), end=(500, -500), ccw=True),
])


def main(file: str = "") -> int:
    path = m716.Path.load(file) if file else ROUNDED_RECTANGLE
    with m716.Board(0) as board:
        board.set_path_speeds(start=1000, drive=20_000, maximum=20_000, acceleration=400_000,
                              jerk=10_000_000)
        run = board.run_path(path)
        end = run.wait(timeout=120, progress=lambda p: print(
            f"  segment {(p.segment or 0) + 1}/{len(path)} at {p.positions}", end="\r"))
        print(f"\nThe path {end.value}: X at {board.x.position}, Y at {board.y.position}.")
        return 0 if end is m716.End.REACHED else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:2]))
