#!/usr/bin/python3
"""Writes a workbook with the batch command over photos with awkward texts and checks it with a
reader of its own, cell by cell.

usage: workbook_check.py --cli PATH [--libreoffice]

Without --libreoffice the workbook is read with openpyxl: every text exactly as the photo holds
it and a text cell (never a formula), numbers as numbers, dates as dates, the links, the heading
row. With --libreoffice, LibreOffice converts the workbook to CSV headless, as a user's
spreadsheet would show it, and the texts must come out the same; skipped (exit status 77) where
LibreOffice is not installed.
"""

import argparse
import csv
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

SKIPPED = 77
LINK_NAME = '=HYPERLINK("evil.example","x").jpg'
CAPTION = 'Line one\nShe said "hi", twice'

# name, headline, description, further exiftool arguments
PHOTOS = [
    ("cafe.jpg", "Café Zürich", CAPTION,
     ["-DateTimeOriginal=2008:10:22 16:29:49", "-ISO=200", "-FNumber=5.6", "-GPSLatitude=48.8584",
      "-GPSLatitudeRef=N", "-GPSLongitude=2.2945", "-GPSLongitudeRef=E", "-GPSAltitude=35",
      "-GPSAltitudeRef=0"]),
    (LINK_NAME, "=1+1", "@SUM(A1)", ["-DateTimeOriginal=2021:02:30 10:00:00"]),
    ("phone.jpg", "+44 20 7946", "-5", ["-DateTimeOriginal=2020:02:29 00:00:00", "-ISO=3200", "-GPSLatitude=33.8568", "-GPSLatitudeRef=S",
                                       "-GPSLongitude=151.2153", "-GPSLongitudeRef=W"]),
    ("zero.jpg", "007", "日本", ["-DateTimeOriginal=1999:12:31 23:59:59"]),
]
COLUMNS = "headline,description,datetime,date,time,iso,aperture,lat,lon,alt,filesize"
# The columns in the order the program writes them.
HEADINGS = ["Filename", "Date", "Time", "Date and time", "Size of image file", "Aperture (F-number)", "ISO",
            "GPS latitude", "GPS longitude", "GPS altitude", "IPTC Headline", "IPTC Description"]


def make_photos(folder):
    base = os.path.join(folder, "base.jpg")
    subprocess.run(["convert", "-size", "8x8", "xc:gray", base], check=True)
    for name, headline, description, more in PHOTOS:
        path = os.path.join(folder, "photos", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copy(base, path)
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-IPTC:CodedCharacterSet=UTF8",
                        "-IPTC:Headline=" + headline, "-IPTC:Caption-Abstract=" + description, *more, path],
                       check=True)
    return os.path.join(folder, "photos")


def write_workbook(cli, folder):
    photos = make_photos(folder)
    output = os.path.join(folder, "photos.xlsx")
    run = subprocess.run([cli, "--defaults", "--quiet", "--columns", COLUMNS, "--output", output, photos],
                         capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("the batch command failed (%d): %s" % (run.returncode, run.stderr))
    return photos, output


class Checker:
    def __init__(self):
        self.problems = []

    def equal(self, what, got, expected):
        if got != expected or type(got) is not type(expected):
            self.problems.append("%s: %r (%s), expected %r (%s)" % (what, got, type(got).__name__, expected,
                                                                      type(expected).__name__))


def expected_rows(photos):
    """The row of each photo by its name, each column's value by its heading (None for none)."""
    def row(name, headline, description, date, time, moment, aperture, iso, latitude, longitude, altitude):
        size = os.path.getsize(os.path.join(photos, name))
        return [date, time, moment, size, aperture, iso, latitude, longitude, altitude, headline, description]
    dt = datetime.datetime
    return {
        "cafe.jpg": row("cafe.jpg", "Café Zürich", CAPTION, dt(2008, 10, 22), datetime.time(16, 29, 49),
                        dt(2008, 10, 22, 16, 29, 49), 5.6, 200, 48.8584, 2.2945, 35),
        # A date no calendar has stays the text the photo holds.
        LINK_NAME: row(LINK_NAME, "=1+1", "@SUM(A1)", "2021:02:30", "10:00:00", "2021:02:30 10:00:00", None, None,
                       None, None, None),
        "phone.jpg": row("phone.jpg", "+44 20 7946", "-5", dt(2020, 2, 29), datetime.time(0, 0),
                         dt(2020, 2, 29), None, 3200, -33.8568, -151.2153, None),
        "zero.jpg": row("zero.jpg", "007", "日本", dt(1999, 12, 31), datetime.time(23, 59, 59),
                        dt(1999, 12, 31, 23, 59, 59), None, None, None, None, None),
    }


def check_with_openpyxl(photos, output, check):
    import openpyxl
    book = openpyxl.load_workbook(output)
    check.equal("sheets", book.sheetnames, ["Photos"])
    sheet = book["Photos"]
    rows = list(sheet.iter_rows())
    check.equal("headings", [cell.value for cell in rows[0]], HEADINGS)
    check.equal("heading bold", all(cell.font.b for cell in rows[0]), True)
    check.equal("frozen", sheet.freeze_panes, "A2")
    check.equal("filter", sheet.auto_filter.ref, "A1:L5")
    expected = expected_rows(photos)
    check.equal("photos", sorted(row[0].value for row in rows[1:]), sorted(expected))
    for row in rows[1:]:
        name = row[0].value
        for cell in row:
            if cell.data_type == "f":
                check.problems.append("%s %s: a formula" % (name, cell.coordinate))
        link = row[0].hyperlink.target if row[0].hyperlink else ""
        check.equal(name + " link", urllib.parse.unquote(link), "file://" + os.path.join(photos, name))
        for cell, value in zip(row[1:], expected[name]):
            got = cell.value
            if isinstance(value, float) and isinstance(got, float):
                got = round(got, 6)
            check.equal("%s %s" % (name, cell.coordinate), got, value)
        latitude = row[HEADINGS.index("GPS latitude")]
        if latitude.value is not None:
            target = latitude.hyperlink.target if latitude.hyperlink else ""
            check.equal(name + " map link", target.startswith(
                "https://www.openstreetmap.org/?mlat=%s&mlon=" % latitude.value), True)
    cafe = next(row for row in rows if row[0].value == "cafe.jpg")
    check.equal("date layout", [cafe[HEADINGS.index(heading)].number_format for heading in ("Date", "Time", "Date and time")],
                ["yyyy\\:mm\\:dd", "hh:mm:ss", "yyyy\\:mm\\:dd hh:mm:ss"])


def check_with_libreoffice(soffice, photos, output, folder, check):
    # A profile of its own, so that neither a running LibreOffice nor a parallel test gets in the way.
    profile = "file://" + os.path.join(folder, "profile")
    subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                    "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", folder, output],
                   check=True, capture_output=True, timeout=240)
    with open(os.path.join(folder, "photos.csv"), encoding="utf-8", newline="") as file:
        rows = list(csv.reader(file))
    check.equal("headings", rows[0], HEADINGS)
    by_name = {row[0]: row for row in rows[1:]}
    check.equal("photos", sorted(by_name), sorted(expected_rows(photos)))
    # As the cells show them: the dates in the program's layout, the numbers as they are.
    shown = {
        "cafe.jpg": ["2008:10:22", "16:29:49", "2008:10:22 16:29:49", None, "5.6", "200", "48.8584", "2.2945", "35",
                     "Café Zürich", CAPTION],
        LINK_NAME: ["2021:02:30", "10:00:00", "2021:02:30 10:00:00", None, "", "", "", "", "", "=1+1", "@SUM(A1)"],
        "phone.jpg": ["2020:02:29", "00:00:00", "2020:02:29 00:00:00", None, "", "3200", "-33.8568", "-151.2153", "",
                      "+44 20 7946", "-5"],
        "zero.jpg": ["1999:12:31", "23:59:59", "1999:12:31 23:59:59", None, "", "", "", "", "", "007", "日本"],
    }
    for name, values in shown.items():
        got = by_name.get(name, [""] * len(HEADINGS))[1:]
        # The size depends on exiftool's version; the openpyxl check holds it.
        check.equal(name, [None if value is None else cell for cell, value in zip(got, values)], values)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--libreoffice", action="store_true")
    args = parser.parse_args()
    check = Checker()
    soffice = shutil.which("soffice")
    if args.libreoffice and soffice is None:
        print("skipped: LibreOffice (soffice) is not installed")
        return SKIPPED
    with tempfile.TemporaryDirectory() as folder:
        photos, output = write_workbook(args.cli, folder)
        if args.libreoffice:
            check_with_libreoffice(soffice, photos, output, folder, check)
        else:
            check_with_openpyxl(photos, output, check)
    for problem in check.problems:
        print(problem)
    return 1 if check.problems else 0


if __name__ == "__main__":
    sys.exit(main())
