#!/usr/bin/env python3
"""Writes command seeds of fuzz_controller into fuzz/seeds/fuzz_controller.

An input of fuzz_controller is a recording followed by 24 command bytes
(a byte b runs command b % 12 with the argument b // 12). Each seed here is
the two-second recording of recorder_commands.avi, already a seed, made
four seconds long, with one round of commands that reaches a part of the
controller: pause and steps, seeks, speeds and volume, other files, refused
units, stop.

Run from the repository root: python3 fuzz/make_controller_seeds.py
The seeds are committed; run again only to change them.
"""
import os

DIR = os.path.join("fuzz", "seeds", "fuzz_controller")
COMMANDS = 24

PLAY_PAUSE, STOP, BACK, FORWARD, PREVIOUS, NEXT, DOUBLE_CLICK, TIME_LINE, SPEED, VOLUME, REFUSE = range(1, 12)


def op(command, argument=0):
    return command + 12 * argument


ROUNDS = {
    # Pause, steps forward and back while paused, play again.
    "pause_and_step": [0, PLAY_PAUSE, FORWARD, FORWARD, BACK, FORWARD, PLAY_PAUSE, 0, PLAY_PAUSE, BACK,
                       BACK, BACK, PLAY_PAUSE],
    # Seeks on the time line, inside the file, to its start and past its end
    # (20 is the farthest a command byte reaches).
    "seek": [0, op(TIME_LINE, 1), 0, op(TIME_LINE, 2), op(TIME_LINE, 0), op(TIME_LINE, 20), 0,
             PLAY_PAUSE, op(TIME_LINE, 1), PLAY_PAUSE, op(TIME_LINE, 2)],
    # Every speed, slow and fast, with the volume off and on.
    "speed_and_volume": [0, op(SPEED, 0), 0, op(SPEED, 1), op(SPEED, 3), 0, op(SPEED, 4), 0, op(SPEED, 2),
                         op(VOLUME, 0), 0, op(VOLUME, 10), op(SPEED, 4), PLAY_PAUSE, op(SPEED, 0)],
    # Next and previous file (the second row does not exist), double clicks
    # on no row and on each row.
    "files": [0, NEXT, 0, PREVIOUS, NEXT, NEXT, op(DOUBLE_CLICK, 0), op(DOUBLE_CLICK, 1), 0,
              op(DOUBLE_CLICK, 2), op(DOUBLE_CLICK, 3), PREVIOUS, PREVIOUS],
    # Refused units, then stop and play from the start.
    "refused_and_stop": [op(REFUSE, 3), 0, op(REFUSE, 1), FORWARD, STOP, 0, PLAY_PAUSE, op(REFUSE, 2), 0, STOP,
                         STOP, FORWARD, PLAY_PAUSE],
}


def longer(recording, repeats):
    """The recording with its stream data played `repeats` times over, each
    motion record's Unix time moved on by the seconds played before it."""
    movi = recording.find(b"movi")
    size = int.from_bytes(recording[movi - 4:movi], "little")
    head, chunks = recording[:movi - 8], recording[movi + 4:movi + size]
    seconds = chunks.count(b"03tx\x0b\x00\x00\x00M")  # one motion record a second
    data = b""
    for repeat in range(repeats):
        pos = 0
        while pos + 8 <= len(chunks):
            n = int.from_bytes(chunks[pos + 4:pos + 8], "little")
            chunk = bytearray(chunks[pos:pos + 8 + n + (n & 1)])
            if chunk[:4] == b"03tx" and chunk[8:9] == b"M" and n >= 11:
                t = int.from_bytes(chunk[15:19], "big") + repeat * seconds
                chunk[15:19] = t.to_bytes(4, "big")
            data += chunk
            pos += len(chunk)
    body = head[12:] + b"LIST" + (4 + len(data)).to_bytes(4, "little") + b"movi" + data
    return b"RIFF" + (4 + len(body)).to_bytes(4, "little") + b"AVI " + body


def main():
    with open(os.path.join(DIR, "recorder_commands.avi"), "rb") as f:
        recording = longer(f.read()[:-COMMANDS], 2)
    for name, commands in ROUNDS.items():
        assert len(commands) <= COMMANDS and all(0 <= c < 256 for c in commands)
        tail = bytes(commands) + bytes(COMMANDS - len(commands))
        with open(os.path.join(DIR, name), "wb") as f:
            f.write(recording + tail)


if __name__ == "__main__":
    main()
