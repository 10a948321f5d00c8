#!/usr/bin/python3
"""Sorts sanitizer and libFuzzer reports into ours and the image library's.

usage: sanitizer-triage.py [--source DIR] [--json] LOG...

Each LOG may hold any number of reports (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer,
libFuzzer's deadly signal, timeout and out-of-memory reports, and the fuzz targets' "broken
promise"). A report belongs to the first frame of its stack that is neither the sanitizers' and
libFuzzer's runtime nor the C and C++ libraries: a frame in our source tree makes it ours, a frame
in FreeImage or one of the codecs it carries makes it the library's. A leak belongs to the frame
that allocated.

Prints one line per distinct report (the same kind at the same frame counts once) and exits with
1 when any report is ours, else 0.
"""

import argparse
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

FRAME = re.compile(r"^\s*#(\d+) 0x[0-9a-f]+(?: in (?P<function>.+?))?\s+(?P<where>\S+)(?: \(BuildId: [0-9a-f]+\))?\s*$")
MODULE = re.compile(r"^\((?P<module>[^()+]+)\+(?P<offset>0x[0-9a-f]+)\)$")

# Frames that are where a report is raised or passed through, never where it comes from.
RUNTIME_PREFIXES = ("__asan", "__lsan", "__ubsan", "__sanitizer", "__interceptor_", "___interceptor_",
                    "fuzzer::", "__libc_", "__GI_", "operator new", "operator delete")
RUNTIME_FUNCTIONS = {"_start", "main", "raise", "abort", "malloc", "calloc", "realloc", "free", "strdup"}
RUNTIME_PATHS = ("compiler-rt", "sanitizer_common", "/asan/", "/lsan/", "/ubsan/", "libclang_rt",
                 "libasan", "libubsan", "liblsan", "/include/c++/", "csu/", "sysdeps/", "libc.so",
                 "libstdc++", "libgcc_s", "nptl/", "stdlib/", "string/")
# FreeImage and the codecs Debian's FreeImage is linked with, libexiv2 with its XMP parser, and
# libavformat with the libraries of FFmpeg it calls.
LIBRARY_MODULES = ("libexiv2", "libexpat", "libINIReader", "libfreeimage", "libjpeg", "libtiff", "libpng", "libopenjp2", "libraw", "libwebp",
                   "libjxr", "libjpegxr", "libIlm", "libHalf", "libOpenEXR", "libIex", "libImath", "libz.so",
                   "libjbig", "liblzma", "libdeflate", "libLerc", "libzstd", "libavformat", "libavcodec", "libavutil")

REPORT_START = re.compile(
    r"(==\d+==ERROR: (?:AddressSanitizer|LeakSanitizer): (?P<asan>[\w-]+)"
    r"|==\d+== ERROR: libFuzzer: (?P<fuzzer>[\w -]+?)(?: after|\s*$|\s*\()"
    r"|(?P<ubsan_at>\S+:\d+:\d+): runtime error: (?P<ubsan>.*)"
    r"|broken promise: (?P<promise>.*))")
LEAK_START = re.compile(r"^(Direct|Indirect) leak of \d+ byte")


def bare_name(function):
    """The function's name without its namespace's placeholder and its parameters."""
    return (function or "").replace("(anonymous namespace)::", "").split("(")[0]


def classify_frame(function, where, source):
    """('ours' | 'library' | 'runtime' | 'other', short location) of one stack frame."""
    function = bare_name(function)
    module = MODULE.match(where)
    if module:
        path, location = module["module"], f"{os.path.basename(module['module'])}+{module['offset']}"
    else:
        path, location = where, where
    if path.startswith(source + "/") and "/build" not in path[len(source):]:
        short = os.path.relpath(path, source)
        return "ours", f"{short} in {function.split('(')[0]}" if function else short
    if function in RUNTIME_FUNCTIONS or function.startswith(RUNTIME_PREFIXES) or any(p in path for p in RUNTIME_PATHS):
        return "runtime", location
    if any(name in os.path.basename(path) for name in LIBRARY_MODULES):
        return "library", location
    if module and not function:
        return "other", location
    return "other", f"{location} in {function}" if function else location


class Report:
    def __init__(self, kind, origin):
        self.kind = kind
        self.origin = origin  # the log and line it was found at
        self.frames = []      # (owner, location, function)
        self.ubsan_at = None

    def verdict(self, source):
        """(owner, culprit location, the FreeImage entry point called, the caller in our code)"""
        if self.ubsan_at:
            # Only our code is instrumented for undefined behaviour.
            return "ours", os.path.relpath(self.ubsan_at, source) if self.ubsan_at.startswith(source) else self.ubsan_at, "", ""
        owner, culprit = "unknown", "no stack"
        for frame_owner, location, _ in self.frames:
            if frame_owner in ("ours", "library", "other"):
                owner, culprit = frame_owner, location
                break
        # The FreeImage function our code called: the outermost one above our first frame.
        entry, caller = "", ""
        for frame_owner, location, function in self.frames:
            if frame_owner == "ours":
                caller = location
                break
            if function.startswith("FreeImage_"):
                entry = function
        return owner, culprit, entry, caller


def read_reports(path, source):
    reports = []
    current = None
    with open(path, encoding="utf-8", errors="replace") as log:
        for number, line in enumerate(log, 1):
            start = REPORT_START.search(line)
            if start:
                kind = start["asan"] or start["fuzzer"] or start["promise"] or start["ubsan"]
                if start["ubsan"]:
                    kind = "undefined behaviour: " + start["ubsan"]
                elif start["promise"]:
                    kind = "broken promise: " + start["promise"]
                # libFuzzer's deadly-signal line follows the sanitizer's own report of the same fault.
                if start["fuzzer"] and current is not None and not current.kind.startswith("detected") \
                        and kind.strip() == "deadly signal":
                    continue
                current = Report(kind.strip(), f"{path}:{number}")
                if start["ubsan_at"]:
                    current.ubsan_at = start["ubsan_at"].rsplit(":", 2)[0]
                reports.append(current)
                continue
            if current is not None and LEAK_START.match(line):
                current = Report(line.split(" of ")[0].lower(), f"{path}:{number}")
                reports.append(current)
                continue
            frame = FRAME.match(line)
            if frame and current is not None:
                owner, location = classify_frame(frame["function"], frame["where"], source)
                current.frames.append((owner, location, bare_name(frame["function"])))
    # A LeakSanitizer header is followed by the leaks themselves; the header alone says nothing.
    return [r for r in reports if not r.kind.startswith("detected")]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", default=os.path.dirname(HERE), help="our source tree")
    parser.add_argument("--json", action="store_true", help="one JSON object per distinct report")
    parser.add_argument("logs", nargs="+")
    options = parser.parse_args()
    source = os.path.realpath(options.source)

    distinct = {}
    for path in options.logs:
        for report in read_reports(path, source):
            owner, culprit, entry, caller = report.verdict(source)
            key = (report.kind, culprit)
            if key in distinct:
                distinct[key]["count"] += 1
                continue
            distinct[key] = {"owner": owner, "kind": report.kind, "at": culprit, "entry": entry,
                             "caller": caller, "example": report.origin, "count": 1}
    for found in distinct.values():
        if options.json:
            print(json.dumps(found))
        else:
            via = f" (entered by {found['entry']} from {found['caller']})" if found["entry"] else ""
            print(f"{found['owner']:8} {found['kind']} at {found['at']}{via}; "
                  f"{found['count']} time(s), first in {found['example']}")
    return 1 if any(found["owner"] in ("ours", "unknown") for found in distinct.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
