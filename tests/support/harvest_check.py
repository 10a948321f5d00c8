#!/usr/bin/python3
"""Runs the batch command over a folder and checks that the run kept its promise.

usage: harvest_check.py [--cli PATH] [--expect-unreadable N] FOLDER

Whatever the folder holds, the run must end by itself with exit status 0 or 3, leave a
well-formed output file (the heading line, then one record per photo, each with one field per
column), and say in its summary how many photos it read and how many of them could not be read.
Exits with 1 and says what went wrong when the run broke its promise.

The mutation run (tests/mutation/mutate.py) and scripts/fuzz.sh use run_batch() from here.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
# The photo and video files of every format, as the batch command lists them with --formats
# all-with-video.
PHOTO_EXTENSIONS = (".jpg", ".jpe", ".jpeg", ".tif", ".tiff", ".heic", ".heif", ".hif", ".avif", ".dng", ".cr2",
                    ".cr3", ".crw", ".nef", ".nrw", ".arw", ".sr2", ".orf", ".rw2", ".raf", ".pef", ".srw", ".mrw",
                    ".iiq", ".3fr", ".erf", ".png", ".webp", ".jxl", ".mp4", ".mov", ".m4v", ".3gp")
SEPARATOR = ","
SUMMARY = re.compile(r"(\d+) records? written to")
UNREADABLE = re.compile(r"(\d+) photos? could not be read")
UNOPENED_FOLDERS = re.compile(r"(\d+) folders? could not be opened")


class BatchResult:
    def __init__(self):
        self.exit_status = None  # None when the run had to be killed
        self.crashed = False     # ended by a signal of its own
        self.photos = 0          # photo files in the folder
        self.summary_photos = None
        self.records = 0
        self.unreadable = 0
        self.problems = []
        self.stderr = ""

    def ok(self):
        return not self.problems


def parse_records(text, separator):
    """The records of an output file as lists of fields. Raises ValueError where it is not
    well-formed: a quoted field runs to the next lone quote, a bare field holds no quote, CR or LF,
    and every record ends with LF."""
    records = []
    fields = []
    at = 0
    while at < len(text):
        if text[at] == '"':
            value = []
            at += 1
            while True:
                quote = text.find('"', at)
                if quote < 0:
                    raise ValueError(f"a quoted field never ends (from byte {at})")
                value.append(text[at:quote])
                at = quote + 1
                if text.startswith('"', at):
                    value.append('"')
                    at += 1
                else:
                    break
            fields.append("".join(value))
        else:
            end = len(text)
            for stop in (separator, "\n"):
                found = text.find(stop, at)
                if 0 <= found < end:
                    end = found
            bare = text[at:end]
            if any(c in bare for c in '"\r'):
                raise ValueError(f"a bare field holds a quote or CR at byte {at}: {bare[:40]!r}")
            fields.append(bare)
            at = end
        if text.startswith(separator, at):
            at += len(separator)
        elif text.startswith("\n", at):
            records.append(fields)
            fields = []
            at += 1
        else:
            raise ValueError(f"a field is followed by neither separator nor line end at byte {at}")
    if fields:
        raise ValueError("the last record does not end with a line end")
    return records


def run_batch(cli, folder, output, config, readers=2, timeout=600, environment=None):
    """Runs the batch command with every column and the heading line; returns a BatchResult."""
    result = BatchResult()
    names = sorted(n for n in os.listdir(folder) if n.lower().endswith(PHOTO_EXTENSIONS))
    result.photos = len(names)
    env = dict(os.environ if environment is None else environment)
    # A settings store of the run's own: the user's settings are neither read nor written.
    env["XDG_CONFIG_HOME"] = config
    env.pop("FOTOHARVESTER_READER", None)
    command = [cli, "--folder", folder, "--output", output, "--columns", "all", "--separator", SEPARATOR,
               "--headings", "--no-full-path", "--no-subfolders", "--formats", "all-with-video", "--date-format", "3", "--yes",
               "--readers", str(readers)]
    try:
        run = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired as expired:
        result.problems.append(f"the run did not end within {timeout} s")
        result.stderr = (expired.stderr or b"").decode("utf-8", "replace")
        return result
    result.stderr = run.stderr.decode("utf-8", "replace")
    if run.returncode < 0:
        result.crashed = True
        result.problems.append(f"the batch command was killed by signal {signal.Signals(-run.returncode).name}")
        return result
    result.exit_status = run.returncode
    if run.returncode not in (0, 3):
        result.problems.append(f"exit status {run.returncode}: {result.stderr.strip()[-300:]}")
        return result

    summary = SUMMARY.search(result.stderr)
    unreadable = UNREADABLE.search(result.stderr)
    result.summary_photos = int(summary[1]) if summary else None
    result.unreadable = int(unreadable[1]) if unreadable else 0
    if result.summary_photos != result.photos:
        result.problems.append(f"the summary counts {result.summary_photos} photos of {result.photos}")
    unopened = UNOPENED_FOLDERS.search(result.stderr)
    folders = int(unopened[1]) if unopened else 0
    if (run.returncode == 3) != (result.unreadable > 0 or folders > 0):
        result.problems.append(f"exit status {run.returncode} with {result.unreadable} unreadable photos "
                               f"and {folders} folders not opened")

    try:
        with open(output, "rb") as f:
            raw = f.read()
        # Every value is UTF-8 whatever the photo held; the names here are plain ASCII.
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError as error:
            result.problems.append(f"output is not valid UTF-8 at byte {error.start}: {raw[error.start:error.start + 16]!r}")
            text = raw.decode("latin-1")
        # The heading line is marked by a "!" before its first field.
        if not text.startswith('!"Filename"'):
            raise ValueError("it does not start with the heading line")
        records = parse_records(text[1:], SEPARATOR)
    except (OSError, ValueError) as error:
        result.problems.append(f"output not well-formed: {error}")
        return result
    if not records or records[0][:1] != ["Filename"]:
        result.problems.append("the output does not start with the heading line")
        return result
    # One field per column of the heading line, which names every column the program has.
    width = len(records[0])
    if width < 2:
        result.problems.append(f"the heading line names no column: {records[0]!r}")
    for number, fields in enumerate(records):
        if len(fields) != width:
            result.problems.append(f"record {number} has {len(fields)} fields, not {width}: {fields[0][:60]!r}")
    result.records = len(records) - 1
    # The size column is never empty, so every photo has its record.
    named = sorted(fields[0] for fields in records[1:])
    if named != names:
        missing = sorted(set(names) - set(named))[:5]
        result.problems.append(f"{result.records} records for {result.photos} photos (missing e.g. {missing})")
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", default=os.path.join(HERE, "..", "..", "build", "bin", "fotoharvester-cli"))
    parser.add_argument("--expect-unreadable", type=int, help="the number of photos that must be unreadable")
    parser.add_argument("folder")
    options = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="harvest-check-") as work:
        result = run_batch(options.cli, os.path.abspath(options.folder), os.path.join(work, "out.csv"),
                           os.path.join(work, "config"))
    if options.expect_unreadable is not None and result.ok() and result.unreadable != options.expect_unreadable:
        result.problems.append(f"{result.unreadable} photos unreadable, not {options.expect_unreadable}")
    print(f"{result.photos} photos, exit status {result.exit_status}, {result.records} records, "
          f"{result.unreadable} unreadable")
    for problem in result.problems:
        print("PROBLEM:", problem)
    return 0 if result.ok() else 1


if __name__ == "__main__":
    sys.exit(main())
