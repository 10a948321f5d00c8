#!/usr/bin/python3
"""Mutation run: damaged copies of photos through the batch command, which must keep its promise.

usage: mutate.py --cli PATH --bases DIR --work DIR [--count N] [--seed S] [--per-folder K]

Writes N mutants of the photos in DIR (the same seed gives the same mutants), K to a folder, runs
the batch command once per folder (tests/support/harvest_check.py checks each run) and prints the
figures: mutants run, runs completed, photos with records, photos reported unreadable, crashes of
the run. Exits with 1 when any run broke its promise; the folders of those runs are kept under
WORK/failed.

Each mutant gets one to three mutations:
  truncate  the file cut short, mostly inside its metadata
  flip      a few bytes changed, mostly inside the Exif and IPTC blocks
  extreme   one number of the metadata's structure set to a value at the edge of its range: an
            Exif directory's entry count, an entry's type, count or value offset, the link to the
            next directory or a sub-directory, a rational's numerator or denominator, an IPTC
            dataset's or Photoshop resource's length, a JPEG segment's length
"""

import argparse
import os
import random
import shutil
import struct
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import harvest_check  # noqa: E402

PHOTO_EXTENSIONS = harvest_check.PHOTO_EXTENSIONS
EXTREMES_16 = (0, 1, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF)
EXTREMES_32 = (0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFF, 0x10000, 0x20000000,
               0x40000000, 0x1FFFFFFF, 0xFFFFFFF8)
SUB_DIRECTORIES = (0x8769, 0x8825, 0xA005, 0x014A)  # Exif, GPS, Interoperability, SubIFDs
CANON_UUID = bytes.fromhex("85c0b687820f11e08111f4ce462b6a48")
TYPE_SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 6: 1, 7: 1, 8: 2, 9: 4, 10: 8, 11: 4, 12: 8, 13: 4}


class Field:
    """A number inside the file: where it is, its size in bytes and its byte order."""

    def __init__(self, at, size, big_endian, what, current=None):
        self.at, self.size, self.big_endian, self.what, self.current = at, size, big_endian, what, current

    def write(self, data, value):
        data[self.at:self.at + self.size] = value.to_bytes(self.size, "big" if self.big_endian else "little")


class Layout:
    """What a photo file holds where: its metadata regions and the numbers of their structure."""

    def __init__(self, data):
        self.data = bytes(data)
        self.regions = []  # (start, end) of the Exif, IPTC, comment and other metadata blocks
        self.fields = []
        self.head_end = len(data)  # where the picture data begins (JPEG: the first scan)
        if data[:2] == b"\xFF\xD8":
            self.read_jpeg()
        elif data[:4] in (b"II*\0", b"MM\0*"):
            self.read_tiff(0, len(data))
        elif data[4:8] in (b"ftyp", b"JXL "):  # HEIF, CR3 and the JPEG XL container
            self.read_boxes(0, len(data), 0)
        elif data[:8] == b"\x89PNG\r\n\x1a\n":
            self.read_chunks(8, True, True)
        elif data[:4] == b"RIFF" and data[8:12] == b"WEBP":
            self.read_chunks(12, False, False)

    def read_boxes(self, at, end, depth):
        """HEIF, CR3, JPEG XL and the videos of the QuickTime family: the size of every box, and the
        boxes that hold the metadata and its map, or a video's headers (its tracks, their sample
        tables, its keys and user data); the TIFF structures of a CR3's Canon box and of a JPEG XL's
        Exif box."""
        data = self.data
        while at + 8 <= end and depth < 7:
            size = struct.unpack(">I", data[at:at + 4])[0]
            kind = data[at + 4:at + 8]
            self.fields.append(Field(at, 4, True, f"box {kind.decode('latin-1')} size", size))
            if size < 8 or at + size > end:
                break
            if kind == b"meta":
                # ISO's meta box starts with a version and flags; QuickTime's (in a movie) does not.
                full = data[at + 8:at + 12] == b"\0\0\0\0"
                self.read_boxes(at + (12 if full else 8), at + size, depth + 1)
            elif kind in (b"iprp", b"ipco", b"iinf", b"iref", b"dinf", b"moov", b"trak", b"mdia", b"minf", b"stbl",
                          b"udta", b"edts"):
                self.read_boxes(at + 8, at + size, depth + 1)
            elif kind == b"uuid" and data[at + 8:at + 24] == CANON_UUID:
                self.read_boxes(at + 24, at + size, depth + 1)
            elif kind in (b"CMT1", b"CMT2", b"CMT4"):
                self.read_tiff(at + 8, at + size)
            elif kind == b"Exif" and data[4:8] == b"JXL " and size >= 12:
                offset = struct.unpack(">I", data[at + 8:at + 12])[0]
                self.fields.append(Field(at + 8, 4, True, "Exif box TIFF offset", offset))
                self.read_tiff(at + 12, at + size)
            elif kind in (b"iloc", b"ipma", b"ispe", b"pitm", b"infe", b"Exif", b"xml ", b"brob", b"uuid", b"mvhd",
                          b"tkhd", b"mdhd", b"hdlr", b"stsd", b"stts", b"stsz", b"stco", b"keys", b"ilst", b"\xa9xyz",
                          b"\xa9mak", b"\xa9mod"):
                self.regions.append((at + 8, at + size))
            at += size

    def read_chunks(self, at, big_endian, png):
        """PNG and WebP: the length of every chunk, and the chunks that carry metadata. A PNG chunk
        is its length, type, data and a checksum; a WebP chunk its type, length and data, padded
        to an even size."""
        data = self.data
        while at + 8 <= len(data):
            length_at, kind = (at, data[at + 4:at + 8]) if png else (at + 4, data[at:at + 4])
            length = int.from_bytes(data[length_at:length_at + 4], "big" if big_endian else "little")
            self.fields.append(Field(length_at, 4, big_endian, f"chunk {kind.decode('latin-1')} length", length))
            if kind in (b"eXIf", b"zTXt", b"iTXt", b"tEXt", b"EXIF", b"XMP ", b"VP8X"):
                self.regions.append((at + 8, min(len(data), at + 8 + length)))
            at += 8 + length + (4 if png else length & 1)

    def read_jpeg(self):
        data = self.data
        at = 2
        while at + 4 <= len(data) and data[at] == 0xFF:
            marker = data[at + 1]
            if marker == 0xD8 or 0xD0 <= marker <= 0xD7 or marker == 0x01:
                at += 2
                continue
            length = struct.unpack(">H", data[at + 2:at + 4])[0]
            self.fields.append(Field(at + 2, 2, True, f"segment {marker:02X} length", length))
            if length < 2:
                break  # no decoder follows the markers past this one
            start, end = at + 4, min(at + 2 + length, len(data))
            if marker == 0xDA:
                self.head_end = end
                break
            content = data[start:end]
            if marker == 0xE1 and content.startswith(b"Exif\0\0"):
                self.regions.append((start, end))
                self.read_tiff(start + 6, end)
            elif marker == 0xED and content.startswith(b"Photoshop 3.0\0"):
                self.regions.append((start, end))
                self.read_photoshop(start + 14, end)
            elif marker in (0xFE, 0xE1, 0xE2, 0xEC, 0xEE):
                self.regions.append((start, end))
            at = end

    def read_photoshop(self, at, end):
        data = self.data
        while at + 12 <= end and data[at:at + 4] == b"8BIM":
            resource = struct.unpack(">H", data[at + 4:at + 6])[0]
            name_length = data[at + 6]
            size_at = at + 6 + ((name_length + 2) & ~1)
            if size_at + 4 > end:
                return
            size = struct.unpack(">I", data[size_at:size_at + 4])[0]
            self.fields.append(Field(size_at, 4, True, f"Photoshop resource {resource:04X} size", size))
            if resource == 0x0404:
                self.read_iptc(size_at + 4, min(size_at + 4 + size, end))
            at = size_at + 4 + ((size + 1) & ~1)

    def read_iptc(self, at, end):
        data = self.data
        self.regions.append((at, end))
        while at + 5 <= end and data[at] == 0x1C:
            length = struct.unpack(">H", data[at + 3:at + 5])[0]
            self.fields.append(Field(at + 3, 2, True, f"IPTC {data[at + 1]}:{data[at + 2]} length", length))
            if length & 0x8000:
                return
            at += 5 + length

    def read_tiff(self, base, end):
        data = self.data
        if end - base < 8:
            return
        big = data[base:base + 2] == b"MM"
        u16 = (lambda at: struct.unpack((">" if big else "<") + "H", data[at:at + 2])[0])
        u32 = (lambda at: struct.unpack((">" if big else "<") + "I", data[at:at + 4])[0])
        self.fields.append(Field(base + 4, 4, big, "first directory offset", u32(base + 4)))
        pending = [u32(base + 4)]
        seen = set()
        while pending and len(seen) < 16:
            offset = pending.pop()
            at = base + offset
            if offset in seen or at + 2 > end:
                continue
            seen.add(offset)
            count = u16(at)
            self.fields.append(Field(at, 2, big, "directory entry count", count))
            for i in range(min(count, 200)):
                entry = at + 2 + 12 * i
                if entry + 12 > end:
                    break
                tag, kind, values = u16(entry), u16(entry + 2), u32(entry + 4)
                self.fields.append(Field(entry, 2, big, "entry tag", tag))
                self.fields.append(Field(entry + 2, 2, big, f"entry {tag:04X} type", kind))
                self.fields.append(Field(entry + 4, 4, big, f"entry {tag:04X} count", values))
                self.fields.append(Field(entry + 8, 4, big, f"entry {tag:04X} value", u32(entry + 8)))
                if tag in SUB_DIRECTORIES:
                    pending.append(u32(entry + 8))
                size = TYPE_SIZES.get(kind, 1) * values
                if kind in (5, 10) and size > 4 and base + u32(entry + 8) + 8 <= end:
                    value_at = base + u32(entry + 8)
                    for k in range(min(values, 3)):
                        if value_at + 8 * k + 8 <= end:
                            self.fields.append(Field(value_at + 8 * k, 4, big, f"entry {tag:04X} numerator"))
                            self.fields.append(Field(value_at + 8 * k + 4, 4, big, f"entry {tag:04X} denominator"))
                if tag == 0x83BB and size > 4 and base + u32(entry + 8) + size <= end:
                    # IPTC inside a TIFF.
                    self.read_iptc(base + u32(entry + 8), base + u32(entry + 8) + size)
            link = at + 2 + 12 * count
            if link + 4 <= end:
                self.fields.append(Field(link, 4, big, "next directory link", u32(link)))
                if u32(link):
                    pending.append(u32(link))
        if base > 0:
            self.regions.append((base, end))


def regions(layout):
    return [(start, end) for start, end in layout.regions if start < end]


def truncate(data, layout, rng):
    if regions(layout) and rng.random() < 0.6:
        start, end = rng.choice(regions(layout))
        cut = rng.randint(start, end)
    else:
        cut = rng.randint(0, max(0, len(data) - 1))
    del data[cut:]
    return f"truncate@{cut}"


def flip(data, layout, rng):
    if not data:
        return "flip-nothing"
    if regions(layout) and rng.random() < 0.7:
        start, end = rng.choice(regions(layout))
    else:
        start, end = 0, min(len(data), layout.head_end)
    end = min(end, len(data))
    if end <= start:
        start, end = 0, len(data)
    flips = rng.randint(1, 8)
    for _ in range(flips):
        at = rng.randrange(start, end)
        data[at] = rng.choice((0x00, 0xFF, data[at] ^ (1 << rng.randrange(8)), rng.randrange(256)))
    return f"flip{flips}"


def extreme(data, layout, rng):
    fields = [f for f in layout.fields if f.at + f.size <= len(data)]
    if not fields:
        return flip(data, layout, rng)
    field = rng.choice(fields)
    if field.what == "entry tag":
        # Any entry may claim to lead to a sub-directory, or to be a tag the reader collects.
        value = rng.choice(SUB_DIRECTORIES + (0x010F, 0x0132, 0x9003, 0x9C9B, 0x9C9E, 0x0002, 0x0006))
    elif field.what.endswith(" type"):
        value = rng.choice((0, 1, 2, 3, 4, 5, 7, 10, 11, 12, 13, 14, 0xFFFF))
    else:
        extremes = EXTREMES_16 if field.size == 2 else EXTREMES_32
        near = [] if field.current is None else [field.current + 1, field.current - 1, field.current * 2]
        near += [len(data), len(data) - 1] if field.size == 4 else [len(data) & 0xFFFF]
        value = rng.choice(extremes + tuple(near))
    value &= (1 << (8 * field.size)) - 1
    field.write(data, value)
    return f"extreme({field.what}={value:#x})"


MUTATIONS = (truncate, flip, extreme)


def mutant(base, index, seed):
    """The mutant `index` of `base` bytes, and what was done to it."""
    rng = random.Random(f"{seed}:{index}")
    data = bytearray(base)
    done = []
    for _ in range(rng.choices((1, 2, 3), weights=(60, 25, 15))[0]):
        operation = rng.choices(MUTATIONS, weights=(20, 35, 45))[0]
        # Later mutations see the file as the earlier ones left it.
        done.append(operation(data, Layout(data), rng))
    return bytes(data), done


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True, help="the batch command to run")
    parser.add_argument("--bases", required=True, help="the folder of photos to mutate")
    parser.add_argument("--work", required=True, help="where the mutants and the outputs go")
    parser.add_argument("--count", type=int, default=3000)
    parser.add_argument("--seed", default="1")
    parser.add_argument("--per-folder", type=int, default=100)
    parser.add_argument("--readers", type=int, default=2)
    parser.add_argument("--list", action="store_true", help="print each mutant's mutations")
    options = parser.parse_args()

    names = sorted(n for n in os.listdir(options.bases) if n.lower().endswith(PHOTO_EXTENSIONS))
    if not names:
        sys.exit(f"no photos in {options.bases}")
    bases = []
    for name in names:
        with open(os.path.join(options.bases, name), "rb") as f:
            bases.append((name, f.read()))
    os.makedirs(options.work, exist_ok=True)
    failed_dir = os.path.join(options.work, "failed")
    shutil.rmtree(failed_dir, ignore_errors=True)

    started = time.monotonic()
    totals = {"mutants": 0, "runs": 0, "completed": 0, "records": 0, "unreadable": 0, "crashes": 0}
    for first in range(0, options.count, options.per_folder):
        with tempfile.TemporaryDirectory(prefix="mutants-", dir=options.work) as run_dir:
            folder = os.path.join(run_dir, "photos")
            os.mkdir(folder)
            for index in range(first, min(first + options.per_folder, options.count)):
                rng = random.Random(f"{options.seed}:{index}:base")
                name, base = bases[rng.randrange(len(bases))]
                data, done = mutant(base, index, options.seed)
                stem, extension = os.path.splitext(name)
                with open(os.path.join(folder, f"m{index:06d}-{stem}{extension}"), "wb") as f:
                    f.write(data)
                if options.list:
                    print(f"m{index:06d}-{name}: {' '.join(done)}")
                totals["mutants"] += 1
            result = harvest_check.run_batch(options.cli, folder, os.path.join(run_dir, "out.csv"),
                                             os.path.join(run_dir, "config"), readers=options.readers)
            totals["runs"] += 1
            totals["records"] += result.records
            totals["unreadable"] += result.unreadable
            if result.crashed or result.exit_status is None:
                totals["crashes"] += 1
            if result.ok():
                totals["completed"] += 1
            else:
                kept = os.path.join(failed_dir, f"mutants-{first:06d}")
                shutil.copytree(run_dir, kept)
                for problem in result.problems:
                    print(f"mutants {first}..{first + options.per_folder - 1}: {problem} (kept in {kept})")
        if sys.stderr.isatty():
            print(f"\r{totals['mutants']}/{options.count} mutants, {totals['unreadable']} unreadable",
                  end="", file=sys.stderr, flush=True)
    if sys.stderr.isatty():
        print(file=sys.stderr)

    elapsed = time.monotonic() - started
    print(f"mutants run:                {totals['mutants']} (seed {options.seed}, from {len(bases)} base photos)")
    print(f"runs completed:             {totals['completed']} of {totals['runs']}")
    print(f"photos with records:        {totals['records']}")
    print(f"photos reported unreadable: {totals['unreadable']}")
    print(f"crashes of the run:         {totals['crashes']}")
    print(f"time:                       {elapsed:.1f} s")
    return 0 if totals["completed"] == totals["runs"] else 1


if __name__ == "__main__":
    sys.exit(main())
