#!/usr/bin/env bash
# make-real-library.sh [--copies] [--damaged] [--mixed] N DIR -- fills DIR with N photos laid out
# like a photo library (DIR/YYYY/MM/DD/IMG_nnnnnn.ext, 100 to a folder), taken in turn from the
# real camera photos in ../shared/photos (its JPEGs and TIFFs, which FreeImage reads).
#
#   --copies   every photo is a file of its own, for the cold-cache run: hard links to a few dozen
#              files would come from the disk once and from the cache ever after. Takes N times
#              the average photo (about 160 KB) of disk space.
#   --damaged  every hundredth photo (1%) is one that crashes FreeImage: a small JPEG whose first
#              Exif directory claims 0xFFFF entries (crash-ifd-count.jpg of
#              tests/photos/make-photos.sh). The other photos are those of the library without
#              --damaged, in the same places.
#   --mixed    the other formats mixed in: the real HEIC, AVIF, CR3 and JPEG XL files of
#              ../shared/photos, a real camera JPEG (Canon_40D.jpg) converted to JPEG XL by cjxl as
#              cameras' JPEGs are converted, and a PNG, a WebP, a DNG, a NEF and a tagged JPEG XL of
#              tests/photos/make-photos.sh; and one photo in a hundred a video, as on a phone's
#              camera roll: a minute of an iPhone's MOV and of an Android phone's MP4 (30 pictures
#              a second and sound, so that their headers list as many samples as a real minute's),
#              tagged as those phones tag.
#
# Without --copies the photos are hard links, which take no space. The same arguments give the
# same library every time; a DIR that already holds it is left as it is, a DIR made by this script
# with other arguments is emptied and made again, and any other non-empty DIR is refused. Exits
# with status 3 when ../shared/photos is not there.
set -euo pipefail

copies=0
damaged=0
mixed=0
while [[ $# -gt 0 && $1 == --* ]]; do
    case $1 in
    --copies) copies=1 ;;
    --damaged) damaged=1 ;;
    --mixed) mixed=1 ;;
    *) echo "$0: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
if [[ $# -ne 2 || ! $1 =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [--copies] [--damaged] [--mixed] N DIR   (N photos, N > 0)" >&2
    exit 2
fi
count=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
shared=$(cd "$repo/.." && pwd)/shared/photos
recipe=2
stamp="$dir/.bench-real-library"
wanted="$count $recipe copies=$copies damaged=$damaged mixed=$mixed"

if [[ ! -d $shared ]]; then
    echo "$0: $shared is not there: no real photos to make a library of" >&2
    exit 3
fi
if [[ -f $stamp && $(cat "$stamp") == "$wanted" ]]; then
    echo "$dir already holds this $count-photo library."
    exit 0
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
started=$SECONDS

# The bases are copied beside DIR first (hard links need the same file system, and the shared
# photos are not ours to link to), and removed once linked or copied in.
work=$(mktemp -d "$dir.bases.XXXXXX")
trap 'rm -rf "$work"' EXIT
bases=()
heic=()
((mixed)) && heic=(-o -iname '*.heic' -o -iname '*.avif' -o -iname '*.cr3' -o -iname '*.jxl')
n=0
while IFS= read -r -d '' found; do
    base=$work/base-$n.${found##*.}
    cp "$found" "$base"
    bases+=("$base")
    n=$((n + 1))
done < <(find "$shared" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.tif' -o -iname '*.tiff' \
                                   "${heic[@]}" \) -print0 | LC_ALL=C sort -z)
crash=
if ((damaged || mixed)); then
    "$repo/tests/photos/make-photos.sh" "$work/test-photos" >/dev/null
    crash=$( ((damaged)) && echo "$work/test-photos/crash-ifd-count.jpg" || true)
fi
videos=()
if ((mixed)); then
    for generated in format.png format.webp format.dng format.nef jxl-tagged.jxl; do
        bases+=("$work/test-photos/$generated")
    done
    cjxl "$shared/jpg/Canon_40D.jpg" "$work/converted.jxl" >/dev/null 2>&1
    bases+=("$work/converted.jxl")
    # The pictures are tiny: what a reader reads of a video is its headers, whose size goes with
    # the number of samples, not with the size of the picture.
    android=(-movflags use_metadata_tags -metadata com.android.manufacturer=Google -metadata 'com.android.model=Pixel 7'
             -metadata creation_time=2023-05-06T07:08:09Z)
    for video in phone.mov android.mp4; do
        tags=()
        [[ $video == *.mp4 ]] && tags=("${android[@]}")
        ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:duration=60:rate=30 -f lavfi -i sine=duration=60 \
            -pix_fmt yuv420p -c:v libx264 -preset ultrafast -c:a aac -b:a 32k -threads 1 "${tags[@]}" "$work/$video"
        videos+=("$work/$video")
    done
    exiftool -q -q -overwrite_original -Rotation=90 '-Keys:CreationDate=2023:04:05 06:07:08+02:00' \
        '-QuickTime:CreateDate=2023:04:05 04:07:08' -Keys:Make=Apple '-Keys:Model=iPhone 13 Pro' \
        '-Keys:GPSCoordinates=48.8566 N, 2.3522 E, 35 m' "$work/phone.mov"
    exiftool -q -q -overwrite_original '-UserData:GPSCoordinates=40.7128, -74.0060, 10' "$work/android.mp4"
fi

# One link() or copy per photo from perl, rather than a process per photo.
perl -e '
    use strict; use warnings; use File::Copy qw(copy); use File::Path qw(make_path);
    my ($count, $dir, $copies, $crash, $videos, @bases) = @ARGV;
    my @videos = split /\n/, $videos;
    my $last = "";
    for my $i (0 .. $count - 1) {
        my $base = $bases[$i % @bases];
        $base = $crash if $crash ne "" && $i % 100 == 50;
        $base = $videos[int($i / 100) % @videos] if @videos && $i % 100 == 25;
        my ($ext) = $base =~ /\.([^.\/]+)$/;
        my $folder = int($i / 100);
        my $sub = sprintf("%s/%04d/%02d/%02d", $dir, 2000 + int($folder / 372), 1 + int($folder / 31) % 12, 1 + $folder % 31);
        if ($sub ne $last) { make_path($sub); $last = $sub; }
        my $photo = sprintf("%s/IMG_%06d.%s", $sub, $i, lc $ext);
        if ($copies) { copy($base, $photo) or die "$photo: $!\n"; }
        else { link($base, $photo) or die "$photo: $!\n"; }
    }
' "$count" "$dir" "$copies" "$crash" "$(printf '%s\n' "${videos[@]}")" "${bases[@]}"
echo "$wanted" >"$stamp"
echo "$dir: $count photos from ${#bases[@]} bases$( ((damaged)) && echo ", 1% crashing")$( ((mixed)) && echo ", other formats and 1% videos mixed in")$( ((copies)) && echo ", each a copy") ($((SECONDS - started)) s)."
