#!/usr/bin/env python3
"""Writes the seeds of fuzz_decode into fuzz/seeds/fuzz_decode.

Each seed is a run of records [2-byte little-endian length][unit] as
fuzz_decode reads them: tiny H.264 access units made by the system's ffmpeg
with libx264, so that one input decodes in well under a millisecond. A zero
length asks the worker for a drain. The low byte of a length also chooses
the view size (a multiple of 5) and hides or shows the view (a multiple of
7); units are padded with trailing zero bytes, which H.264 allows after a
unit, to reach such lengths.

Run from the repository root: python3 fuzz/make_decode_seeds.py
The seeds are committed; run again only to change them.
"""
import os
import subprocess
import sys
import tempfile

OUT = os.path.join("fuzz", "seeds", "fuzz_decode")


def encode(size, frames, extra, pix_fmt="yuv420p"):
    """Access units (Annex B, without delimiters and SEI) of a test picture."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "out.h264")
        cmd = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
               "-f", "lavfi", "-i", f"testsrc=size={size}:rate=10",
               "-frames:v", str(frames), "-pix_fmt", pix_fmt, "-c:v", "libx264",
               *extra, "-x264-params", "aud=1",
               "-bsf:v", "filter_units=remove_types=6", "-f", "h264", path]
        subprocess.run(cmd, check=True)
        data = open(path, "rb").read()
    units = []
    for part in data.split(b"\x00\x00\x00\x01\x09")[1:]:
        # The delimiter's payload byte, then the unit's NALs.
        units.append(part[1:])
    return units


def record(unit, low_byte=None):
    """One record; with low_byte, the unit is padded so that its length ends in it."""
    if low_byte is not None:
        pad = (low_byte - len(unit)) % 256
        unit = unit + b"\x00" * pad
    assert len(unit) < 65536
    return len(unit).to_bytes(2, "little") + unit


def drain():
    return b"\x00\x00"


def damaged(unit):
    """The unit with its slice data scrambled past the slice header."""
    b = bytearray(unit)
    for i in range(len(b) // 2, len(b), 3):
        b[i] ^= 0x5A
    return bytes(b)


def main():
    os.makedirs(OUT, exist_ok=True)
    base = ["-profile:v", "baseline", "-g", "4"]
    small = encode("48x32", 6, base)
    large = encode("64x48", 3, base)
    tiny = encode("16x16", 2, base)
    seeds = {
        # A key unit (parameter sets and IDR slice) and the units after it.
        "key_then_units": b"".join(record(u) for u in small),
        # Units that refer to parameter sets never given, then a key unit.
        "units_before_key": b"".join(record(u) for u in small[1:3] + small[:2]),
        # The picture size changes at a key unit, with view size and showing
        # changes on the way (lengths ending in 35 and 70).
        "size_change": b"".join([record(tiny[0]), record(tiny[1], 35), record(large[0], 70),
                                 record(large[1]), record(small[0], 140), record(small[1])]),
        # Damaged and cut units, a drain, then a key unit again.
        "damaged": b"".join([record(small[0]), record(damaged(small[1])), record(small[2][:len(small[2]) // 2]),
                             drain(), record(damaged(small[0])), record(small[0]), record(small[1])]),
        # CABAC with B pictures: pictures come out late, a drain pushes them.
        "b_pictures": b"".join(record(u) for u in encode("48x32", 8, ["-profile:v", "main", "-g", "8", "-bf", "2"]))
        + drain(),
        # Several slices per picture and 8x8 transforms.
        "slices": b"".join(record(u) for u in encode("48x48", 3, ["-profile:v", "high", "-g", "3",
                                                                  "-slices", "3"])),
        # Chroma at full size: another conversion to RGB.
        "chroma_444": b"".join(record(u) for u in encode("32x32", 2, ["-profile:v", "high444", "-g", "2"],
                                                         pix_fmt="yuv444p")),
        # Field pictures.
        "interlaced": b"".join(record(u) for u in encode("48x64", 3, ["-profile:v", "main", "-g", "3",
                                                                      "-flags", "+ildct+ilme"])),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes", file=sys.stderr)


if __name__ == "__main__":
    main()
