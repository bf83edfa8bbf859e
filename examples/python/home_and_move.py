"""Homes X and Y, moves them, and shows where they stopped.

    python3 home_and_move.py [BOARD]

Ctrl-C stops the axes and closes the board.
"""

import sys

import m716


def main(number: int = 0) -> int:
    with m716.Board(number) as board:
        print("Homing X and Y ...")
        homed = board.home("XY").wait(timeout=120)
        if homed is not m716.End.REACHED:
            print(f"The home search ended {homed.value}.")
            return 1
        print("Moving X by 40 000 pulses and Y by -25 000 ...")
        move = board.move(x=40_000, y=-25_000, speed=20_000)
        end = move.wait(timeout=60, progress=lambda p: print(f"  {p.positions}", end="\r"))
        print(f"\nThe move {end.value}: X at {board.x.position}, Y at {board.y.position}.")
        if end is not m716.End.REACHED:
            return 1
        print("Back to home ...")  # where the next run's home search expects them
        return 0 if board.move(x=0, y=0, absolute=True).wait(timeout=60) is end else 1


if __name__ == "__main__":
    sys.exit(main(*map(int, sys.argv[1:2])))
