"""Watches the interrupt events of X and Y while they move, until none came for a second.

    python3 watch_events.py
"""

import m716
from m716 import EventFactor


def main() -> None:
    with m716.Board(0) as board:
        board.enable_events(x=EventFactor.ACCELERATION_ENDED | EventFactor.DRIVE_ENDED,
                            y=EventFactor.DRIVE_ENDED)
        board.move(x=30_000, y=10_000, speed=20_000)
        for event in board.events(timeout=1.0):
            print(f"{event.axis.name}: {event.factors!r}")


if __name__ == "__main__":
    main()
