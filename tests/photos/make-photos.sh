#!/usr/bin/env bash
# Writes the photos and videos the metadata tests read into OUTDIR (created if missing). Needs
# exiftool, ImageMagick's convert, ffmpeg, perl (which exiftool needs anyway) and libjxl's cjxl.
# The files are tiny and all the tagging is one exiftool run, so this takes a few seconds; the
# tests regenerate the files rather than keep binaries in git.
#
# exiftool writes nearly everything. What it refuses to write -- a rational with a zero
# denominator in most tags, an XP text that is not valid UTF-16 or has an odd length, a tag with
# the wrong type or too few values, a broken directory -- is patched afterwards by `patch_exif`,
# which walks the Exif block of a JPEG and changes one directory entry in place.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
mkdir -p "$out"
cd "$out"

for tool in exiftool convert ffmpeg perl cjxl; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not on PATH" >&2; exit 1; }
done

# patch_exif FILE OPERATION ARGS... -- OPERATION is one of
#   rational DIR TAG INDEX NUM DEN   value INDEX of rational tag TAG becomes NUM/DEN
#   bytes DIR TAG HEX                BYTE tag TAG holds exactly the bytes HEX (no longer than now)
#   count DIR TAG N                  entry TAG claims N values (N no more than now)
#   type DIR TAG T                   entry TAG claims type T (same value size as now)
#   entries DIR N                    directory DIR claims N entries
# DIR is IFD0, ExifIFD or GPS; TAG is a number (0x... allowed). Fails loudly when the tag is
# missing, so that a change in exiftool's output cannot quietly produce the wrong photo.
patch_exif() {
    perl -e '
        use strict; use warnings;
        my ($file, $op, $dirname, @arg) = @ARGV;
        open(my $fh, "+<:raw", $file) or die "$file: $!";
        my $data = do { local $/; <$fh> };
        my $exif = index($data, "Exif\0\0");
        die "$file: no Exif block\n" if $exif < 0;
        my $tiff = $exif + 6;
        my $le = substr($data, $tiff, 2) eq "II";
        my ($p16, $p32) = $le ? ("v", "V") : ("n", "N");
        my $get16 = sub { unpack($p16, substr($data, $tiff + $_[0], 2)) };
        my $get32 = sub { unpack($p32, substr($data, $tiff + $_[0], 4)) };
        my $put16 = sub { substr($data, $tiff + $_[0], 2) = pack($p16, $_[1]) };
        my $put32 = sub { substr($data, $tiff + $_[0], 4) = pack($p32, $_[1]) };
        my $entry = sub {
            my ($dir, $tag) = @_;
            my $n = $get16->($dir);
            for my $i (0 .. $n - 1) {
                my $at = $dir + 2 + 12 * $i;
                return $at if $get16->($at) == $tag;
            }
            die sprintf("%s: no tag 0x%04x\n", $file, $tag);
        };
        my $ifd0 = $get32->(4);
        my %pointer = (ExifIFD => 0x8769, GPS => 0x8825);
        my $dir = $dirname eq "IFD0" ? $ifd0 : $get32->($entry->($ifd0, $pointer{$dirname}) + 8);
        my $num = sub { $_[0] =~ /^0x/i ? hex($_[0]) : $_[0] };
        if ($op eq "entries") {
            $put16->($dir, $num->($arg[0]));
        } else {
            my $at = $entry->($dir, $num->(shift @arg));
            my $count = $get32->($at + 4);
            if ($op eq "rational") {
                my ($index, $n, $d) = @arg;
                die "$file: not a rational\n" unless $get16->($at + 2) == 5 && $index < $count;
                my $value = $get32->($at + 8) + 8 * $index;
                $put32->($value, $n);
                $put32->($value + 4, $d);
            } elsif ($op eq "bytes") {
                my $bytes = pack("H*", $arg[0]);
                my $size = length($bytes);
                die "$file: not a BYTE tag\n" unless $get16->($at + 2) == 1;
                die "$file: $size bytes do not fit in $count\n" if $size > $count;
                # Four bytes or fewer live in the entry itself, more at the entry offset.
                my $where = $size <= 4 ? $at + 8 : $get32->($at + 8);
                substr($data, $tiff + $where, $size <= 4 ? 4 : $size) = $size <= 4 ? pack("a4", $bytes) : $bytes;
                $put32->($at + 4, $size);
            } elsif ($op eq "count") {
                die "$file: count only shrinks\n" if $arg[0] > $count;
                $put32->($at + 4, $arg[0]);
            } elsif ($op eq "type") {
                $put16->($at + 2, $arg[0]);
            } else {
                die "unknown operation $op\n";
            }
        }
        seek($fh, 0, 0) or die;
        print $fh $data or die;
        close($fh) or die;
    ' "$@"
}

convert -size 8x6 xc:red base.jpg
convert -size 8x6 xc:blue -compress none base.tif

# Starting exiftool costs a quarter of a second, so the tagging is collected here and done by one
# exiftool run, one -execute per photo, in the order written; the patches come after it.
exiftool_args=()
et() {  # et ARGS... FILE
    exiftool_args+=("$@" -execute)
}
photo() {  # photo NAME -- a fresh copy of the JPEG base
    cp base.jpg "$1"
}
patches=()
tiff_patches=()
patch() {  # patch FILE OPERATION ARGS... -- see patch_exif; run after the tagging
    patches+=("$(printf '%q ' "$@")")
}

# One photo with every tag the program collects, in the values a camera would write, plus blanks
# around Make and Model (which are trimmed) and around LensModel and Headline (which are not).
# The Model ends in a tab before its blank: only blanks are trimmed. XPComment is written with a
# placeholder and then given the surrogate pair of U+1F600, which exiftool cannot write (it
# truncates characters beyond U+FFFF).
photo camera-full.jpg
et -Make='  Canon  ' -Model=$' EOS 5D Mark IV\t ' \
   -ModifyDate='2022:01:02 03:04:05' -DateTimeOriginal='2021:07:14 09:30:15' -Orientation#=6 \
   -ExposureTime=1/250 -FNumber=5.6 -ISO=400 -EXIF:Flash#=16 -FocalLength=50 -SubjectDistance=3.5 \
   -LensModel=' EF50mm f/1.8 STM ' \
   -XPTitle='Hello' -XPAuthor='José' -XPSubject='日本' -XPComment='smile QZ' -XPKeywords='cat;dog' \
   -GPSLatitude='48 51 23.76' -GPSLatitudeRef=N -GPSLongitude='2 17 40.2' -GPSLongitudeRef=E \
   -GPSAltitude=123.4 -GPSAltitudeRef#=1 -GPSDateStamp=2021:07:14 -GPSTimeStamp=07:30:15 \
   -GPSImgDirection=271.5 \
   -IPTC:Headline='  Paris headline ' -IPTC:Caption-Abstract='Eiffel tower caption' \
   -IPTC:Keywords=alpha -IPTC:Keywords=beta -IPTC:Keywords='gamma delta' \
   -Comment='A JPEG comment' camera-full.jpg
patch camera-full.jpg bytes IFD0 0x9c9c 73006d0069006c00650020003dd800de0000

# Southern and western hemisphere, above sea level (reference byte 0), a flash that fired.
photo gps-south-west.jpg
et -GPSLatitude='22 54 24.48' -GPSLatitudeRef=S -GPSLongitude='43 10 22.44' -GPSLongitudeRef=W \
   -GPSAltitude=760 -GPSAltitudeRef#=0 -GPSTimeStamp=23:59:58 -GPSDateStamp=1999:12:31 \
   -GPSImgDirection=0.25 -EXIF:Flash#=1 -ExposureTime=2 -FNumber=11 -FocalLength=18.5 \
   gps-south-west.jpg

# Zero denominators: altitude 5/0, image direction 1/0 (exiftool writes "inf" so), latitude
# seconds 7/0 and longitude minutes 0/0.
photo gps-zero-denominator.jpg
et -GPSAltitude=9.75 -GPSImgDirection#=inf -GPSLatitude='10 20 30' -GPSLatitudeRef=N \
   -GPSLongitude='40 50 30' -GPSLongitudeRef=E gps-zero-denominator.jpg
patch gps-zero-denominator.jpg rational GPS 0x0006 0 5 0
patch gps-zero-denominator.jpg rational GPS 0x0002 2 7 0
patch gps-zero-denominator.jpg rational GPS 0x0004 1 0 0

# Coordinates that are not three rationals: a latitude that claims two values, a longitude typed
# SRATIONAL. Their references are still read. The altitude becomes one LONG (which has no text
# here), held in the entry itself.
photo gps-malformed.jpg
et -GPSLatitude='10 20 30' -GPSLatitudeRef=S -GPSLongitude='40 50 30' -GPSLongitudeRef=W \
   -GPSAltitude=12 gps-malformed.jpg
patch gps-malformed.jpg count GPS 0x0002 2
patch gps-malformed.jpg type GPS 0x0004 10
patch gps-malformed.jpg type GPS 0x0006 4
patch gps-malformed.jpg count GPS 0x0006 1

# The three ways a photo can carry its date.
photo date-modified-only.jpg
et -ModifyDate='2018:03:04 05:06:07' date-modified-only.jpg
photo date-both.jpg
et -ModifyDate='2018:03:04 05:06:07' -DateTimeOriginal='2017:01:02 03:04:05' date-both.jpg
photo date-none.jpg
et -Make=Pentax date-none.jpg

# Tags under names the program knows, but in the wrong directory or under a neighbouring name:
# a DateTimeOriginal in IFD0 (FreeImage files it under the main model with that very key), an
# Exif UserComment, and an IPTC caption but no JPEG comment.
photo wrong-model.jpg
et -ModifyDate='2016:06:06 06:06:06' -IFD0:DateTimeOriginal='2015:05:05 05:05:05' \
   -UserComment='user comment' -IPTC:Caption-Abstract='iptc caption' wrong-model.jpg

# XP texts that are not well-formed UTF-16: a lone high surrogate, a low surrogate followed by a
# high one at the very end, an odd trailing byte, a U+0000 in the middle; and an XPComment
# retyped ASCII.
photo xp-malformed.jpg
et -XPKeywords='placeholder' -XPAuthor='placeholder' -XPTitle='placeholder' \
   -XPSubject='placeholder' -XPComment='placeholder' xp-malformed.jpg
patch xp-malformed.jpg bytes IFD0 0x9c9e 410000d842000000   # A, D800, B
patch xp-malformed.jpg bytes IFD0 0x9c9d 410000dc3dd8       # A, DC00, D83D
patch xp-malformed.jpg bytes IFD0 0x9c9b 4100e90042         # A, é, and a lone 0x42
patch xp-malformed.jpg bytes IFD0 0x9c9f 4100000042000000   # A, U+0000, B
patch xp-malformed.jpg bytes IFD0 0x9c9c 4869210000         # "Hi!" as plain bytes
patch xp-malformed.jpg type IFD0 0x9c9c 2

# An XP text of the characters on each side of the limits of UTF-8's one-, two- and three-byte forms.
photo xp-limits.jpg
et -XPTitle=$'\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80' xp-limits.jpg

# A Make that claims no characters at all.
photo count-zero.jpg
et -Make='Leica' -Model='M6' count-zero.jpg
patch count-zero.jpg count IFD0 0x010f 0

# Orientations 1 to 8, one no camera writes, and one beyond the SHORT's signed range.
for n in 1 2 3 4 5 6 7 8 9 65535; do
    photo "orientation-$n.jpg"
    et -Orientation#="$n" "orientation-$n.jpg"
done

# A TIFF carrying tags in IFD0, the Exif directory and IPTC.
cp base.tif tagged.tif
et -Make='Nikon ' -Model='D750' -ModifyDate='2019:05:06 07:08:09' -DateTimeOriginal='2019:05:06 07:08:00' \
   -FNumber=8 -ISO=200 -EXIF:Flash#=1 -XPTitle='Tiff title' -IPTC:Headline='tiff headline' tagged.tif

# As in wrong-model.jpg, but in a TIFF, which FreeImage reads whole: a DateTimeOriginal in IFD0 is not
# the moment the picture was taken.
cp base.tif date-in-ifd0.tif
et -ModifyDate='2016:06:06 06:06:06' -IFD0:DateTimeOriginal='2015:05:05 05:05:05' date-in-ifd0.tif

# A TIFF whose only metadata is an ICC profile (a bare header, no tags in it). FreeImage then
# keeps an empty main model whose first tag is garbage.
convert -size 8x6 xc:gray -colorspace gray -compress none icc-only.tif
perl -e 'print pack("N", 132), "none", pack("N", 0x02100000), "mntrRGB XYZ ", "\0" x 12, "acsp",
               "\0" x 88, pack("N", 0)' > bare.icc
et '-ICC_Profile<=bare.icc' icc-only.tif

# A camera photo with its small preview (the Exif thumbnail in the second directory), which the
# reader leaves undecoded.
convert -size 64x48 gradient:red-blue thumbnail-base.jpg
convert -seed 7 -size 160x120 plasma:fractal with-thumbnail.jpg
et -Make=Olympus -Model=E-M10 -DateTimeOriginal='2016:06:07 08:09:10' -ISO=800 \
   '-ThumbnailImage<=thumbnail-base.jpg' with-thumbnail.jpg

# Everything stripped, even the JFIF header.
photo no-metadata.jpg
et -Make=Sony -Comment='gone' -IPTC:Headline='gone' no-metadata.jpg
et -all= no-metadata.jpg

printf 'This is a text file, not a photo.\n' > not-an-image.jpg
# A good JPEG under a name FreeImage does not know: the format goes by the name.
cp base.jpg jpeg-with-unknown-extension.xyz

# Kills FreeImage 3.18 inside FreeImage_Load: IFD0 claims 65535 entries and FreeImage's Exif
# reader follows them past the end of the block. Never open it in a test process; it is for the
# tests of the reader process isolation.
photo crash-ifd-count.jpg
et -Make=Crash -Model=Test -ModifyDate='2020:02:02 02:02:02' crash-ifd-count.jpg
patch crash-ifd-count.jpg entries IFD0 0xFFFF
# The same with the Exif block in Intel byte order, which FreeImage reads past its end elsewhere.
photo crash-ifd-count-ii.jpg
et -ExifByteOrder=II -Make=Crash -Model=Intel -ModifyDate='2020:02:02 02:02:02' crash-ifd-count-ii.jpg
patch crash-ifd-count-ii.jpg entries IFD0 0xFFFF

# A TIFF whose IPTC headline claims more bytes than the IPTC block holds. FreeImage 3.18 bounds a
# TIFF's IPTC block at four times its size (it takes libtiff's count of bytes for a count of
# 32-bit words), so it copies the headline from beyond its buffer. Without a sanitizer that goes
# unnoticed (the headline gets whatever follows); a reader built with AddressSanitizer dies of it.
# Never open it in a test process.
cp base.tif crash-iptc-length.tif
et -Make=Overrun -IPTC:Headline='headline' crash-iptc-length.tif

# Values that FreeImage's texts get wrong or that real cameras write in ways of their own: an
# iPhone's ISO 32, an exposure time stored unreduced, a distance of 0/0 (unknown), a position in
# signed rationals as a Nokia phone writes it.
photo iso-32.jpg
et -ISO=32 -Make=Apple iso-32.jpg
photo exposure-unreduced.jpg
et -ExposureTime=1/178 exposure-unreduced.jpg
patch exposure-unreduced.jpg rational ExifIFD 0x829a 0 140213 25000000
photo distance-unknown.jpg
et -SubjectDistance=1 -FocalLength=4.5 distance-unknown.jpg
patch distance-unknown.jpg rational ExifIFD 0x9206 0 0 0
photo gps-signed.jpg
et -GPSLatitude='60 8 48.14' -GPSLatitudeRef=N -GPSLongitude='24 54 24.38' -GPSLongitudeRef=E gps-signed.jpg
patch gps-signed.jpg type GPS 0x0002 10
patch gps-signed.jpg type GPS 0x0004 10

# Values of the column texts' own cases: an exposure of 10/1000 s (to be reduced) and one of
# 10/2187 s (between two 1/N), two and a half seconds, a flash value no camera writes, a distance
# of 0 (unknown), an altitude of three decimals, and below sea level one of a centimetre or less
# (what a receiver without a fix writes) and one of two; a headline in IPTC and XMP (IPTC's counts),
# a date in IPTC and XMP (XMP's counts), an IPTC date without its time, a PNG's date beside
# Photoshop's (which counts), and a PNG's date in the Exif layout.
photo values-a.jpg
et -ExposureTime=1/100 -EXIF:Flash#=99 -SubjectDistance=0 -GPSAltitude=12345.678 -GPSAltitudeRef#=0 \
   -IPTC:Headline=iptc -XMP-photoshop:Headline=xmp -IPTC:DateCreated=2019:08:17 -IPTC:TimeCreated=14:02:11 \
   '-XMP-xmp:CreateDate=2018:01:02 03:04:05' values-a.jpg
patch values-a.jpg rational ExifIFD 0x829a 0 10 1000
photo values-b.jpg
et -ExposureTime=1/218 -GPSAltitude=0.005 -GPSAltitudeRef#=1 -IPTC:DateCreated=2021:07:14 values-b.jpg
patch values-b.jpg rational ExifIFD 0x829a 0 10 2187
photo values-c.jpg
et -ExposureTime=2.5 -GPSAltitude=0.02 -GPSAltitudeRef#=1 values-c.jpg
convert -size 8x6 xc:green png-two-dates.png
et -api StrictDate=1 -PNG:CreationTime='2016:05:06 07:08:09+02:00' -XMP-photoshop:DateCreated=2018:03:04 png-two-dates.png
convert -size 8x6 xc:green png-exif-date.png
et -PNG:CreationTime='2021:07:14 09:30:15' png-exif-date.png

# Texts beyond FreeImage's 511 bytes, with a character of several bytes across the 511th, in the
# IPTC caption, the keywords and the JPEG comment.
long_text=$(perl -CS -e 'print "x" x 510, "\x{e9}\x{65e5}", "y" x 100, " end"')
photo long-texts.jpg
et -IPTC:CodedCharacterSet=UTF8 "-IPTC:Caption-Abstract=$long_text" "-Comment=$long_text" \
   $(for k in $(seq 1 60); do printf -- '-IPTC:Keywords=keyword%02d ' "$k"; done) long-texts.jpg

# Texts that are not UTF-8: IPTC in Latin-1 with no character set named, Windows-1252 in the JPEG
# comment and in Make; IPTC that names UTF-8; and IPTC that names Latin-1 although its bytes
# would also read as UTF-8 ("Ã©" stays two characters).
photo latin1.jpg
et -charset iptc=Latin -IPTC:Headline='Crème brûlée' -IPTC:Keywords='café' -IPTC:Keywords='thé' \
   -Comment=$'Cr\xe8me \x80uro' -Make=$'Soci\xe9t\xe9' latin1.jpg
photo iptc-utf8.jpg
et -IPTC:CodedCharacterSet=UTF8 -IPTC:Headline='Crème brûlée' iptc-utf8.jpg
photo iptc-latin1-named.jpg
et -charset iptc=Latin -IPTC:CodedCharacterSet='ESC . A' -IPTC:Headline='Ã©' iptc-latin1-named.jpg

# TIFFs as scanners and cameras write them, in both byte orders, turned a quarter (orientation 6),
# with a GPS position and IPTC. The big-endian one keeps its IPTC block as UNDEFINED bytes, the
# way that makes FreeImage 3.18 swap past the block.
convert -size 8x6 xc:blue -compress none -define tiff:endian=msb base-mm.tif
for order in ii mm; do
    if [[ $order == ii ]]; then cp base.tif "tiff-$order.tif"; else cp base-mm.tif "tiff-$order.tif"; fi
    et -Make="Scanner $order" -Orientation#=6 -DateTimeOriginal='2020:03:04 05:06:07' \
       -GPSLatitude='51 30 26.4' -GPSLatitudeRef=N -GPSLongitude='0 7 39.9' -GPSLongitudeRef=W \
       -GPSAltitude=35 -GPSAltitudeRef#=0 -GPSDateStamp=2020:03:04 -GPSTimeStamp=05:06:07 -GPSImgDirection=90 \
       -IPTC:Headline="tiff $order headline" -IPTC:Keywords=one -IPTC:Keywords=two "tiff-$order.tif"
done
tiff_patches+=("tiff-mm.tif")
# A big-endian TIFF that FreeImage refuses (samples of 3 bits, which it has no image type for, even
# when asked for no pixels) and libexiv2 reads.
cp base-mm.tif tiff-mm-odd-bits.tif
et -Make='Scanner odd' -DateTimeOriginal='2020:03:04 05:06:07' -IPTC:Headline='odd bits' \
   '-BitsPerSample=3 3 3' tiff-mm-odd-bits.tif

# Photos of the formats libexiv2 reads, tagged as cameras and catalogues tag them: HEIC, PNG and WebP
# with Exif and XMP, TIFF-based raw files (a DNG and a Nikon NEF are TIFF files with tags of their own),
# and a PNG under a JPEG's name, which FreeImage cannot open and libexiv2 reads by its content.
convert -size 8x6 xc:green format.png
convert -size 8x6 xc:green format.webp
convert -size 8x6 xc:green format.heic
cp base.tif format.dng
cp base.tif format.nef
for file in format.heic format.png format.webp format.dng format.nef; do
    et -Make="Maker ${file#format.}" -Model='Model 1' -DateTimeOriginal='2022:08:09 10:11:12' -ISO=250 \
       -ExposureTime=1/320 -FNumber=4 -FocalLength=35 -Orientation#=8 \
       -GPSLatitude='35 41 22.2' -GPSLatitudeRef=N -GPSLongitude='139 41 30.1' -GPSLongitudeRef=E \
       -XMP-photoshop:Headline="$file headline" -XMP-dc:Subject=red -XMP-dc:Subject=green "$file"
done
et -DNGVersion=1.4.0.0 format.dng
# A raw file as cameras lay it out: the first directory is a small preview (new subfile type 1),
# the full image is described in a sub-directory (type 0). Its size is the full image's.
perl -e 'sub entry { my ($tag, $type, $count, $value) = @_; pack("vvV", $tag, $type, $count) . $value }
    print "II*\0", pack("V", 8), pack("v", 7),
        entry(0xFE, 4, 1, pack("V", 1)), entry(0x100, 4, 1, pack("V", 160)), entry(0x101, 4, 1, pack("V", 120)),
        entry(0x10F, 2, 18, pack("V", 98)), entry(0x110, 2, 11, pack("V", 116)), entry(0x112, 3, 1, pack("vv", 1, 0)),
        entry(0x14A, 4, 1, pack("V", 128)), pack("V", 0), "NIKON CORPORATION\0", "NIKON D750\0\0",
        pack("v", 5), entry(0xFE, 4, 1, pack("V", 0)), entry(0x100, 4, 1, pack("V", 6032)),
        entry(0x101, 4, 1, pack("V", 4032)), entry(0x102, 3, 1, pack("vv", 14, 0)),
        entry(0x103, 3, 1, pack("vv", 34713, 0)), pack("V", 0)' > raw-preview.nef
cp format.png png-named.jpg

# A photo edited in a catalogue program: headline, description, keywords and capture date (to a
# fraction of a second) in XMP only, no IPTC and no Exif date.
photo xmp-only.jpg
et -XMP-photoshop:Headline='xmp headline' '-XMP-dc:Description=xmp description' -XMP-dc:Subject=one \
   -XMP-dc:Subject='two words' -XMP-exif:DateTimeOriginal='2019:02:03 04:05:06.25+01:00' xmp-only.jpg
# XMP dates in the shorter forms ISO 8601 allows: without seconds, and the month or the year alone.
for date in '2021:07:14 09:30-05:00' '2021:07' '2021'; do
    photo "xmp-date-${#date}.jpg"
    et "-XMP-exif:DateTimeOriginal=$date" "xmp-date-${#date}.jpg"
done

# --- Tags asked for by key -----------------------------------------------------------------------
# The same tags of every kind a user may ask for by key -- Exif texts, a whole number, rationals,
# a repeated IPTC dataset, an XMP number, language alternatives and lists -- in a JPEG and a TIFF
# (read by FreeImage, the keys by libexiv2) and a PNG (read by libexiv2 alone).
photo keys.jpg
cp base.tif keys.tif
convert -size 8x6 xc:green keys.png
for file in keys.jpg keys.tif keys.png; do
    et -LensSerialNumber=0000123456 -OffsetTimeOriginal=+02:00 -Artist='Jane Doe' -Copyright='(c) 2024 Jane Doe' \
       -ISO=200 -ExposureCompensation=-0.7 -XResolution=300 -YResolution=72.5 \
       -IPTC:City='Zürich' -IPTC:CodedCharacterSet=UTF8 -IPTC:Keywords=one -IPTC:Keywords='two words' \
       -XMP-xmp:Rating=4 -XMP-dc:Rights='All rights kept' -XMP-dc:Rights-de='Alle Rechte' \
       -XMP-dc:Creator='Ann Example' -XMP-dc:Creator='Bob Example' -XMP-photoshop:City=Lyon \
       -XMP-iptcCore:Location='Old town' "$file"
done

# --- The capture date outside Exif, sidecars, JPEG XL and CR3 -----------------------------------
# The date only in IPTC (with its time and zone), only in Photoshop's XMP (a date without a time)
# and only in a PNG's text (RFC 1123, as the PNG standard has it).
photo iptc-date.jpg
et -IPTC:DateCreated=2019:08:17 -IPTC:TimeCreated=14:02:11+02:00 iptc-date.jpg
photo photoshop-date.jpg
et -XMP-photoshop:DateCreated=2018:03:04 photoshop-date.jpg
convert -size 8x6 xc:green png-date.png
et -api StrictDate=1 -PNG:CreationTime='2016:05:06 07:08:09+02:00' png-date.png
# A photo with XMP of its own and two sidecars: sidecar.xmp overrides its keywords and date,
# sidecar.jpg.XMP (upper case) the keywords again; the headline stays the photo's.
photo sidecar.jpg
et -XMP-photoshop:Headline='own headline' -XMP-dc:Subject=own -XMP-exif:DateTimeOriginal='2001:01:01 01:01:01' \
   sidecar.jpg
rm -f sidecar.xmp sidecar.jpg.XMP  # exiftool -o makes new files only
et -o sidecar.xmp -XMP-dc:Subject=sidecar -XMP-dc:Subject=words -XMP-exif:DateTimeOriginal='2002:02:02 02:02:02'
et -o sidecar.jpg.XMP -XMP-dc:Subject='this very file'
# JPEG XL: a bare codestream (its size only), and the same wrapped by exiftool in a container with
# Exif and XMP boxes. Its Exif orientation does not turn it: the codestream's orientation does.
convert -size 64x48 gradient:red-blue jxl.png
cjxl jxl.png jxl-bare.jxl >/dev/null 2>&1
cp jxl-bare.jxl jxl-tagged.jxl
et -m -Make='Maker jxl' -Model='Model 2' -DateTimeOriginal='2023:05:06 07:08:09' -ISO=100 -ExposureTime=1/60 \
   -FNumber=2.8 -Orientation#=6 -GPSLatitude='59 19 45.6' -GPSLatitudeRef=N -GPSLongitude='18 4 6.1' \
   -GPSLongitudeRef=E -XMP-photoshop:Headline='jxl headline' -XMP-dc:Subject=north jxl-tagged.jxl
# A JPEG that cjxl turns into JPEG XL below, as cameras' JPEGs are converted: its Exif and XMP
# then go into compressed boxes, its orientation into the codestream.
photo jxl-source.jpg
et -Make='Maker jpeg' -Model='Model 3' -DateTimeOriginal='2021:10:11 12:13:14' -Orientation#=6 \
   -GPSLatitude='10 20 30' -GPSLatitudeRef=S -XMP-dc:Subject=converted jxl-source.jpg

# Videos of phones and cameras, a second of a 64x48 test picture each, with the tags each kind of
# device writes: an iPhone's QuickTime keys (its own local time, here of another zone than the
# computer's, the container's UTC time, a position with altitude) held upright (turned a quarter);
# a 3GP whose only date is the container's UTC time, its headers after its pictures (as ffmpeg
# writes them; exiftool moves them to the front); Android's keys and position (below sea level),
# dated just before a new year in UTC (ffmpeg writes the keys; exiftool cannot); a camera's user
# data (make, model), turned three quarters.
video() {  # video NAME FFMPEG-OPTIONS... -- a fresh video of the test picture
    local name=$1
    shift
    ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:duration=1:rate=5 -pix_fmt yuv420p -c:v libx264 \
        -threads 1 "$@" "$name"
}
video video-upright.mov
et -Rotation=90 '-Keys:CreationDate=2023:04:05 06:07:08-05:00' '-QuickTime:CreateDate=2023:04:05 11:07:08' \
   -Keys:Make=Apple '-Keys:Model=iPhone 13 Pro' '-Keys:GPSCoordinates=40.7128 N, 74.0060 W, 12.5 m' \
   video-upright.mov
video video-utc-only.3gp -metadata creation_time=2023-07-01T22:30:00Z
video video-android.mp4 -movflags use_metadata_tags -metadata com.android.manufacturer=Google \
    -metadata com.android.model='Pixel 7' -metadata creation_time=2022-12-31T23:30:00Z
et '-UserData:GPSCoordinates=-22.9068, -43.1729, -11' video-android.mp4
video video-camera.m4v -f mp4
video keys-last.mp4 -movflags use_metadata_tags -metadata com.android.manufacturer=Google \
    -metadata com.android.model='Pixel 7'
et -Rotation=270 -UserData:Make=GoPro '-UserData:Model=HERO9 Black' video-camera.m4v

exiftool "${exiftool_args[@]}" -common_args -q -q -overwrite_original
for p in "${patches[@]}"; do
    eval "patch_exif $p"
done
# The IPTC entry of a TIFF's first directory becomes UNDEFINED bytes (exiftool writes LONGs).
for file in "${tiff_patches[@]}"; do
    perl -e '
        open(my $fh, "+<:raw", $ARGV[0]) or die "$ARGV[0]: $!";
        my $data = do { local $/; <$fh> };
        my $le = substr($data, 0, 2) eq "II";
        my ($p16, $p32) = $le ? ("v", "V") : ("n", "N");
        my $ifd = unpack($p32, substr($data, 4, 4));
        my $found = 0;
        for my $i (0 .. unpack($p16, substr($data, $ifd, 2)) - 1) {
            my $at = $ifd + 2 + 12 * $i;
            next unless unpack($p16, substr($data, $at, 2)) == 0x83BB;
            my $count = unpack($p32, substr($data, $at + 4, 4));
            substr($data, $at + 2, 6) = pack($p16 . $p32, 7, 4 * $count);
            $found = 1;
        }
        die "$ARGV[0]: no IPTC entry\n" unless $found;
        seek($fh, 0, 0) or die;
        print $fh $data or die;
        close($fh) or die;
    ' "$file"
done
# patch_iptc FILE DATASET LENGTH -- the first IPTC dataset 2:DATASET claims LENGTH bytes.
perl -e '
    my ($file, $dataset, $length) = @ARGV;
    open(my $fh, "+<:raw", $file) or die "$file: $!";
    my $data = do { local $/; <$fh> };
    my $at = index($data, "\x1C\x02" . chr($dataset));
    die "$file: no IPTC dataset 2:$dataset\n" if $at < 0;
    substr($data, $at + 3, 2) = pack("n", $length);
    seek($fh, 0, 0) or die;
    print $fh $data or die;
    close($fh) or die;
' crash-iptc-length.tif 105 60
# camera-full.jpg with 40,000 small segments (of an application kind nobody reads) after its
# start: a valid photo of 330 KB that FreeImage takes seconds over, as its JPEG decoder walks the
# list of segments it keeps once for every segment, but that it keeps reading all the while.
perl -e '
    open(my $in, "<:raw", "camera-full.jpg") or die "camera-full.jpg: $!";
    my $data = do { local $/; <$in> };
    substr($data, 2, 0) = ("\xFF\xEF\x00\x06pad!") x 40000;
    open(my $out, ">:raw", "many-segments.jpg") or die "many-segments.jpg: $!";
    print $out $data or die;
    close($out) or die;
'
# The JPEG in JPEG XL (Exif and XMP in "brob" boxes, the codestream split into "jxlp" boxes), and
# the same with its compressed boxes moved behind the codestream.
cjxl jxl-source.jpg jxl-from-jpeg.jxl >/dev/null 2>&1
perl -e '
    open(my $in, "<:raw", "jxl-from-jpeg.jxl") or die "jxl-from-jpeg.jxl: $!";
    my $data = do { local $/; <$in> };
    my (@boxes, @compressed);
    for (my $at = 0; $at < length $data;) {
        my $size = unpack("N", substr($data, $at, 4));
        die "jxl-from-jpeg.jxl: a box of size $size\n" if $size < 8;
        my $box = substr($data, $at, $size);
        if (substr($box, 4, 4) eq "brob") { push @compressed, $box } else { push @boxes, $box }
        $at += $size;
    }
    die "jxl-from-jpeg.jxl: no compressed boxes\n" unless @compressed;
    open(my $out, ">:raw", "jxl-boxes-last.jxl") or die "jxl-boxes-last.jxl: $!";
    print $out @boxes, @compressed or die;
    close($out) or die;
'
# A CR3 file as Canon's cameras lay out their metadata: in the movie box, Canon's box with the
# first, Exif, maker note and GPS directories, each a TIFF structure of its own (CMT1 to CMT4),
# and an XMP box after it; the picture itself is left out (exiftool reads it as a CR3 all the same).
perl -e '
    use strict; use warnings;
    # tiff(ENTRY...) -- a little-endian TIFF whose first directory holds the entries, each
    # [tag, type, count, value bytes]; values of more than four bytes follow the directory.
    sub tiff {
        my @entries = sort { $a->[0] <=> $b->[0] } @_;
        my $data_at = 8 + 2 + 12 * @entries + 4;
        my ($dir, $data) = (pack("v", scalar @entries), "");
        for my $e (@entries) {
            my ($tag, $type, $count, $bytes) = @$e;
            if (length $bytes <= 4) {
                $dir .= pack("vvV", $tag, $type, $count) . pack("a4", $bytes);
            } else {
                $dir .= pack("vvVV", $tag, $type, $count, $data_at + length $data);
                $data .= $bytes . (length($bytes) % 2 ? "\0" : "");
            }
        }
        return "II*\0" . pack("V", 8) . $dir . pack("V", 0) . $data;
    }
    sub ascii { my ($tag, $text) = @_; [$tag, 2, length($text) + 1, "$text\0"] }
    sub short { my ($tag, $value) = @_; [$tag, 3, 1, pack("v", $value)] }
    sub rationals { my ($tag, @values) = @_; [$tag, 5, @values / 2, pack("V*", @values)] }
    sub box { my ($type, $content) = @_; pack("N", 8 + length $content) . $type . $content }
    my $cmt1 = tiff(short(0x100, 6000), short(0x101, 4000), ascii(0x10F, "Canon"), ascii(0x110, "Canon EOS R5"),
                    short(0x112, 8), ascii(0x132, "2023:01:02 03:04:05"));
    my $cmt2 = tiff(rationals(0x829A, 1, 500), rationals(0x829D, 28, 10), short(0x8827, 800),
                    ascii(0x9003, "2023:01:02 03:04:00"), short(0x9209, 16), rationals(0x920A, 50, 1),
                    ascii(0x9291, "42"), ascii(0xA434, "RF50mm F1.8 STM"));
    my $cmt4 = tiff([0, 1, 4, pack("C4", 2, 3, 0, 0)], ascii(1, "N"), rationals(2, 45, 1, 30, 1, 1234, 100),
                    ascii(3, "W"), rationals(4, 73, 1, 35, 1, 4321, 100), [5, 1, 1, pack("C", 0)],
                    rationals(6, 2105, 10), rationals(7, 8, 1, 4, 1, 0, 1), ascii(0x1D, "2023:01:02"));
    my $xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
            . "<rdf:Description rdf:about=\"\" xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\""
            . " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" photoshop:Headline=\"cr3 headline\">"
            . "<dc:subject><rdf:Bag><rdf:li>raw</rdf:li><rdf:li>canon</rdf:li></rdf:Bag></dc:subject>"
            . "</rdf:Description></rdf:RDF></x:xmpmeta>";
    my $canon = box("CNCV", "CanonCR3_001/00.10.00/00.00.00") . box("CMT1", $cmt1) . box("CMT2", $cmt2)
              . box("CMT3", tiff()) . box("CMT4", $cmt4);
    open(my $out, ">:raw", "canon-boxes.cr3") or die "canon-boxes.cr3: $!";
    print $out box("ftyp", "crx " . pack("N", 1) . "crx isom"),
               box("moov", box("uuid", pack("H*", "85c0b687820f11e08111f4ce462b6a48") . $canon)),
               box("uuid", pack("H*", "be7acfcb97a942e89c71999491e3afac") . $xmp) or die;
    close($out) or die;
'
# Damaged videos: a video whose headers follow its pictures and end in its keys, cut short inside
# them, as an interrupted copy leaves it (libavformat reads such a video as if the keys cut off had
# never been there); and copies of video-upright.mov with its table of sample sizes renamed (which
# makes libavformat drop the track, when it reads the sample tables), and with 64 bytes of its
# headers inverted, one every seventh byte.
perl -e '
    open(my $in, "<:raw", "video-upright.mov") or die "video-upright.mov: $!";
    my $data = do { local $/; <$in> };
    open(my $late, "<:raw", "keys-last.mp4") or die "keys-last.mp4: $!";
    my $keysLast = do { local $/; <$late> };
    my $movie = index($data, "moov");
    my $sizes = index($data, "stsz");
    die "video-upright.mov: no movie box or sample size table\n" if $movie < 0 || $sizes < 0;
    die "keys-last.mp4: its keys do not come last\n" if index($keysLast, "ilst") < index($keysLast, "mdat");
    my %damaged = ("video-truncated.mp4" => substr($keysLast, 0, length($keysLast) - 30),
                   "video-broken-track.mov" => $data, "video-flipped.mov" => $data);
    substr($damaged{"video-broken-track.mov"}, $sizes, 4) = "free";
    substr($damaged{"video-flipped.mov"}, $movie + 100 + 7 * $_, 1) ^= "\xFF" for 0 .. 63;
    for my $name (keys %damaged) {
        open(my $out, ">:raw", $name) or die "$name: $!";
        print $out $damaged{$name} or die;
        close($out) or die;
    }
'
rm -f base.jpg base.tif base-mm.tif bare.icc thumbnail-base.jpg keys-last.mp4 jxl.png
