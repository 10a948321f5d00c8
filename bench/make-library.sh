#!/usr/bin/env bash
# make-library.sh N DIR -- fills DIR with N photos laid out like a photo library
# (DIR/YYYY/MM/DD/IMG_nnnnnn.jpg, 100 to a folder), for the benchmark.
#
# A few dozen base photos are made once -- camera, phone, edited, scanned and stripped JPEGs and
# TIFFs at real camera sizes, tagged by exiftool the way those sources tag them, most with an
# Exif thumbnail (FreeImage decodes it even when asked for no pixels, so it matters for the cost)
# -- plus the real JPEG/TIFF files Debian packages happen to ship, plus the test photos that
# FreeImage reads without crashing. The library is then hard links to those bases, so 100,000
# photos take the disk space of the bases only. The same N gives the same library every time.
#
# A DIR that already holds this library with N photos is left as it is. A DIR made by this
# script for another N is emptied and made again; any other non-empty DIR is refused.
#
# BENCH_TEST_PHOTOS=0 leaves the test photos out.
set -euo pipefail

if [[ $# -ne 2 || ! $1 =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 N DIR   (N photos, N > 0)" >&2
    exit 2
fi
count=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
# Bump when the base photos change, so that an old library is not taken for a current one.
recipe=4
stamp="$dir/.bench-library"

for tool in exiftool convert perl; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not on PATH" >&2; exit 1; }
done

if [[ -f $stamp && $(cat "$stamp") == "$count $recipe" ]]; then
    held=$(find "$dir" -type f -name 'IMG_*' | wc -l)
    if [[ $held -eq $count ]]; then
        echo "$dir already holds the $count-photo library."
        exit 0
    fi
fi
if [[ -d $dir && -n $(ls -A "$dir") ]]; then
    if [[ ! -f $stamp ]]; then
        echo "$0: $dir is not empty and was not made by this script; choose another folder" >&2
        exit 1
    fi
    find "$dir" -mindepth 1 -delete
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# The bases live beside DIR (hard links need the same file system) until linked in.
bases=$(mktemp -d "$dir.bases.XXXXXX")
trap 'rm -rf "$bases"' EXIT
started=$SECONDS
cd "$bases"

# One textured picture is rendered; every base is a resize of it, which is much cheaper than
# rendering each at full size. A flat colour would compress to nothing and make unrealistically
# small files.
convert -size 800x600 -seed 2024 plasma:fractal -blur 0x1 texture.png
convert texture.png -resize 160x120\! -quality 75 thumb.jpg

jpeg() {  # jpeg NAME WIDTH HEIGHT QUALITY
    convert texture.png -resize "$2x$3"\! -quality "$4" -sampling-factor 2x2 "$1"
}
tiff() {  # tiff NAME WIDTH HEIGHT COMPRESSION
    convert texture.png -resize "$2x$3"\! -strip -compress "$4" "$1"
}
# Renders in parallel: most of the time here is ImageMagick resizing.
jpeg cam-canon.jpg 4000 3000 92 &
jpeg cam-nikon.jpg 6000 4000 94 &
jpeg phone-apple.jpg 4032 3024 88 &
jpeg phone-samsung.jpg 4000 3000 90 &
wait
jpeg edited.jpg 1920 1280 85 &
jpeg scan-a4.jpg 2480 3508 80 &
jpeg web-stripped.jpg 1200 800 80 &
jpeg web-comment.jpg 800 600 80 &
jpeg compact-old.jpg 2048 1536 90 &
jpeg windows-tagged.jpg 3000 2000 88 &
wait
tiff scan-lzw.tif 1600 1200 LZW &
tiff plain.tif 1024 768 None &
tiff camera.tif 2000 1333 LZW &
wait

# All the tagging in one exiftool run (starting exiftool costs a quarter of a second).
args=()
et() { args+=("$@" -execute); }
thumb=(-ThumbnailImage'<=thumb.jpg')

et "${thumb[@]}" -Make=Canon -Model='Canon EOS 80D' -Orientation#=1 \
   -ModifyDate='2019:08:17 16:02:11' -DateTimeOriginal='2019:08:17 16:02:11' -CreateDate='2019:08:17 16:02:11' \
   -ExposureTime=1/320 -FNumber=8 -ISO=200 -EXIF:Flash#=16 -FocalLength=35 -SubjectDistance=12.5 \
   -LensModel='EF-S18-135mm f/3.5-5.6 IS USM' -Software='Canon EOS 80D Firmware Version 1.0.3' cam-canon.jpg
et "${thumb[@]}" -Make='NIKON CORPORATION' -Model='NIKON D750' -Orientation#=6 \
   -ModifyDate='2021:05:02 10:11:12' -DateTimeOriginal='2021:05:02 10:11:12' \
   -ExposureTime=1/1000 -FNumber=2.8 -ISO=100 -EXIF:Flash#=0 -FocalLength=85 \
   -LensModel='AF-S NIKKOR 85mm f/1.8G' \
   -GPSLatitude='46 33 21.12' -GPSLatitudeRef=N -GPSLongitude='7 58 36.6' -GPSLongitudeRef=E \
   -GPSAltitude=2061.5 -GPSAltitudeRef#=0 -GPSDateStamp=2021:05:02 -GPSTimeStamp=08:11:12 \
   cam-nikon.jpg
et "${thumb[@]}" -Make=Apple -Model='iPhone 12' -Orientation#=1 \
   -ModifyDate='2022:12:24 18:40:03' -DateTimeOriginal='2022:12:24 18:40:03' \
   -ExposureTime=1/60 -FNumber=1.6 -ISO=640 -EXIF:Flash#=24 -FocalLength=4.2 \
   -LensModel='iPhone 12 back dual wide camera 4.2mm f/1.6' -Software=16.1.2 \
   -GPSLatitude='51 30 26.46' -GPSLatitudeRef=N -GPSLongitude='0 7 39.93' -GPSLongitudeRef=W \
   -GPSAltitude=21.3 -GPSAltitudeRef#=0 -GPSDateStamp=2022:12:24 -GPSTimeStamp=18:40:02 \
   -GPSImgDirection=187.24 -GPSImgDirectionRef=T phone-apple.jpg
et "${thumb[@]}" -Make=samsung -Model=SM-G991B -Orientation#=8 \
   -ModifyDate='2023:02:11 07:15:44' -DateTimeOriginal='2023:02:11 07:15:44' \
   -ExposureTime=1/2200 -FNumber=1.8 -ISO=50 -EXIF:Flash#=0 -FocalLength=5.4 \
   -GPSLatitude='33 51 24.9' -GPSLatitudeRef=S -GPSLongitude='151 12 55.1' -GPSLongitudeRef=E \
   -GPSAltitude=3 -GPSAltitudeRef#=1 -GPSDateStamp=2023:02:10 -GPSTimeStamp=20:15:44 \
   -GPSImgDirection=45 phone-samsung.jpg
et "${thumb[@]}" -Make=FUJIFILM -Model=X-T3 -DateTimeOriginal='2020:06:30 12:00:01' \
   -ModifyDate='2020:07:02 09:13:00' -Software='Adobe Photoshop Lightroom Classic 9.2' \
   -ExposureTime=1/125 -FNumber=4 -ISO=400 -FocalLength=23 -LensModel='XF23mmF2 R WR' \
   -IPTC:Headline='Harbour at noon' -IPTC:Caption-Abstract='Fishing boats in the old harbour, "Le Vieux Port"' \
   -IPTC:Keywords=harbour -IPTC:Keywords=boats -IPTC:Keywords=summer -IPTC:Keywords='Marseille, France' \
   -XPTitle='Harbour at noon' -XPKeywords='harbour;boats;summer' -Comment='Exported for the web gallery' \
   edited.jpg
et -Make='EPSON' -Model='Perfection V600' -Software='EPSON Scan' -XResolution=300 -YResolution=300 scan-a4.jpg
et -all= web-stripped.jpg
et -all= -Comment='CREATOR: gd-jpeg v1.0 (using IJG JPEG v80), quality = 80' web-comment.jpg
et "${thumb[@]}" -Make='OLYMPUS IMAGING CORP.' -Model='u740,S740' -Orientation#=1 \
   -ModifyDate='2008:04:05 14:30:59' -DateTimeOriginal='2008:04:05 14:30:59' \
   -ExposureTime=1/40 -FNumber=3.3 -ISO=64 -EXIF:Flash#=25 -FocalLength=6.4 \
   -UserComment='OLYMPUS DIGITAL CAMERA' compact-old.jpg
et "${thumb[@]}" -Make=Panasonic -Model=DMC-TZ70 -DateTimeOriginal='2016:09:09 09:09:09' \
   -ExposureTime=1/200 -FNumber=3.3 -ISO=80 -FocalLength=4.3 \
   -XPTitle='Lake' -XPAuthor='Anna Müller' -XPSubject='Holiday 2016' -XPComment='Taken from the boat' \
   -XPKeywords='lake;holiday;mountains' -Rating=4 windows-tagged.jpg
et -Make='Canon' -Model='CanoScan 9000F' -ModifyDate='2014:11:30 20:00:00' \
   -IPTC:Headline='Grandparents, 1962' -IPTC:Keywords=family -IPTC:Keywords=scan scan-lzw.tif
et -Make='Sony' -Model='ILCE-7M3' -ModifyDate='2018:10:01 11:22:33' -DateTimeOriginal='2018:10:01 11:22:33' \
   -ExposureTime=1/500 -FNumber=5.6 -ISO=100 -FocalLength=55 -LensModel='FE 55mm F1.8 ZA' \
   -GPSLatitude='40 44 54.36' -GPSLatitudeRef=N -GPSLongitude='73 59 8.36' -GPSLongitudeRef=W \
   -GPSAltitude=10 -GPSAltitudeRef#=0 camera.tif
exiftool "${args[@]}" -common_args -q -q -overwrite_original
rm -f texture.png thumb.jpg

# The mix of the library: each base as often as it is listed here.
main_bases=(
    cam-canon.jpg cam-canon.jpg cam-canon.jpg cam-canon.jpg cam-canon.jpg
    phone-apple.jpg phone-apple.jpg phone-apple.jpg phone-apple.jpg phone-apple.jpg
    cam-nikon.jpg cam-nikon.jpg phone-samsung.jpg phone-samsung.jpg phone-samsung.jpg
    edited.jpg edited.jpg compact-old.jpg compact-old.jpg windows-tagged.jpg
    scan-a4.jpg web-stripped.jpg web-comment.jpg scan-lzw.tif camera.tif plain.tif
)

# Is this file a JPEG or a TIFF by its first bytes (the name alone can lie)?
is_photo() {
    local magic
    magic=$(head -c 4 "$1" | od -An -tx1 | tr -d ' \n')
    [[ $magic == ffd8ff* || $magic == 49492a00 || $magic == 4d4d002a ]]
}

# Real photos that Debian packages ship, and the test photos, fill one photo in ten.
extra_bases=()
n=0
while IFS= read -r -d '' found; do
    is_photo "$found" || continue
    ext=${found##*.}
    cp "$found" "real-$n.${ext,,}"
    extra_bases+=("real-$n.${ext,,}")
    n=$((n + 1))
done < <(find /usr/share \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.tif' -o -iname '*.tiff' \) \
             -type f -size +10k -print0 2>/dev/null | sort -z)
if [[ ${BENCH_TEST_PHOTOS:-1} != 0 && -x $repo/tests/photos/make-photos.sh ]]; then
    if "$repo/tests/photos/make-photos.sh" "$bases/test-photos" >/dev/null 2>&1; then
        for found in "$bases"/test-photos/*; do
            name=${found##*/}
            # The crash photos kill FreeImage, and many-segments.jpg takes it seconds: a benchmark
            # of reading measures neither reader restarts nor that one photo.
            [[ $name == *crash* || $name == many-segments* ]] && continue
            [[ ${name,,} =~ \.(jpe?g|jpe|tiff?)$ ]] || continue
            is_photo "$found" || continue
            mv "$found" "test-$name"
            extra_bases+=("test-$name")
        done
    else
        echo "note: tests/photos/make-photos.sh failed; the library goes without the test photos" >&2
    fi
    rm -rf "$bases/test-photos"
fi

# The links, by perl: one link() call per photo instead of one cp process.
perl -e '
    use strict; use warnings; use File::Path qw(make_path);
    my ($count, $dir, $nmain, @all) = @ARGV;
    my @main = @all[0 .. $nmain - 1];
    my @extra = @all[$nmain .. $#all];
    my $last = "";
    for my $i (0 .. $count - 1) {
        my $base;
        if (@extra && $i % 10 == 9) {
            $base = $extra[int($i / 10) % @extra];
        } else {
            $base = $main[($i - int($i / 10)) % @main];
        }
        my $f = int($i / 100);
        my $folder = sprintf("%s/%04d/%02d/%02d", $dir, 2005 + int($f / 336), int($f / 28) % 12 + 1, $f % 28 + 1);
        if ($folder ne $last) {
            make_path($folder);
            $last = $folder;
        }
        my ($ext) = $base =~ /\.([^.]+)$/;
        my $target = sprintf("%s/IMG_%06d.%s", $folder, $i + 1, $ext);
        link($base, $target) or die "link $base $target: $!\n";
    }
' "$count" "$dir" "${#main_bases[@]}" "${main_bases[@]}" "${extra_bases[@]}"

echo "$count $recipe" >"$stamp"
echo "$dir: $count photos from ${#main_bases[@]} generated and ${#extra_bases[@]} other bases ($((SECONDS - started)) s)."
