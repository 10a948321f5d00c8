#!/usr/bin/env bash
# make-bases.sh OUTDIR -- writes the photos the mutation run mutates into OUTDIR (created if
# missing): small pictures carrying as much metadata as cameras, phones, editors and Windows
# write -- Exif in both byte orders with a thumbnail, GPS, IPTC, XMP, XP texts, comments -- as
# JPEG (baseline and progressive) and TIFF (both byte orders), HEIF, PNG, DNG and JPEG XL, and the
# headers of phone and camera videos (MOV and MP4), plus the test photos and videos of
# tests/photos/make-photos.sh (a CR3 built from Canon's boxes among them). Every base is made here,
# so the run is the same on every machine, with one exception: the real Canon CR3 of
# ../shared/photos joins them where it is there (no CR3 can be made here with its picture boxes).
# Pictures are tiny so that the mutations fall mostly on the metadata.
set -euo pipefail
if [[ $# -ne 1 ]]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
for tool in exiftool convert cjxl ffmpeg; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not on PATH" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

convert -size 64x48 -seed 11 plasma:fractal texture.png
convert texture.png -resize 32x24\! -quality 70 thumb.jpg
convert texture.png -quality 85 "$out/camera-mm.jpg"
convert texture.png -quality 85 "$out/camera-ii.jpg"
convert texture.png -quality 80 "$out/phone.jpg"
convert texture.png -quality 90 "$out/edited.jpg"
convert texture.png -quality 88 "$out/windows.jpg"
convert texture.png -quality 75 -interlace Plane "$out/progressive.jpg"
convert texture.png -quality 60 "$out/comment-only.jpg"
convert texture.png -depth 8 -define tiff:endian=msb -compress None "$out/scan-mm.tif"
convert texture.png -depth 8 -define tiff:endian=lsb -compress LZW "$out/scan-ii.tif"
convert texture.png "$out/phone.heic"
convert texture.png "$out/screenshot.png"
convert texture.png -depth 8 -define tiff:endian=lsb -compress None camera.tif
mv camera.tif "$out/camera.dng"
for video in phone.mov camera.mp4; do
    ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:duration=1:rate=5 -pix_fmt yuv420p -c:v libx264 -threads 1 \
        "$out/$video"
done

camera=(-Make='Canon' -Model='Canon EOS 80D' -Orientation#=6 -Software='Firmware 1.0.3' -Artist='A. Photographer'
        -ModifyDate='2019:08:17 16:02:11' -DateTimeOriginal='2019:08:17 16:02:11' -CreateDate='2019:08:17 16:02:11'
        -ExposureTime=1/320 -FNumber=8 -ISO=200 -EXIF:Flash#=16 -FocalLength=35 -SubjectDistance=12.5
        -LensModel='EF-S18-135mm f/3.5-5.6 IS USM' -UserComment='camera comment' -InteropIndex=R98
        -GPSLatitude='46 33 21.12' -GPSLatitudeRef=N -GPSLongitude='7 58 36.6' -GPSLongitudeRef=E
        -GPSAltitude=2061.5 -GPSAltitudeRef#=0 -GPSDateStamp=2019:08:17 -GPSTimeStamp=14:02:11
        -GPSImgDirection=187.24 -GPSImgDirectionRef=T)
thumbnail=('-ThumbnailImage<=thumb.jpg')
iptc=(-IPTC:Headline='Harbour at noon' -IPTC:Caption-Abstract='Fishing boats in the old harbour, "Le Vieux Port"'
      -IPTC:Keywords=harbour -IPTC:Keywords=boats -IPTC:Keywords='Marseille, France' -IPTC:By-line='A. Photographer'
      -IPTC:City=Marseille -IPTC:DateCreated=2019:08:17)
xp=(-XPTitle='Lake' -XPAuthor='Anna Müller' -XPSubject='Holiday 日本' -XPComment='Taken from the boat'
    -XPKeywords='lake;holiday;mountains')

exiftool -q -q -overwrite_original "${camera[@]}" "${thumbnail[@]}" "${iptc[@]}" -Comment='A JPEG comment' \
    "$out/camera-mm.jpg"
exiftool -q -q -overwrite_original -ExifByteOrder=II "${camera[@]}" "${thumbnail[@]}" "${iptc[@]}" "${xp[@]}" \
    "$out/camera-ii.jpg"
exiftool -q -q -overwrite_original -ExifByteOrder=II -Make=Apple -Model='iPhone 12' -Orientation#=1 \
    -DateTimeOriginal='2022:12:24 18:40:03' -ExposureTime=1/60 -FNumber=1.6 -ISO=640 -FocalLength=4.2 \
    -LensModel='iPhone 12 back dual wide camera 4.2mm f/1.6' \
    -GPSLatitude='51 30 26.46' -GPSLatitudeRef=N -GPSLongitude='0 7 39.93' -GPSLongitudeRef=W \
    -GPSAltitude=3 -GPSAltitudeRef#=1 -GPSDateStamp=2022:12:24 -GPSTimeStamp=18:40:02 -GPSImgDirection=45 \
    "${thumbnail[@]}" "$out/phone.jpg"
exiftool -q -q -overwrite_original -Make=FUJIFILM -Model=X-T3 -DateTimeOriginal='2020:06:30 12:00:01' \
    -Software='Adobe Photoshop Lightroom Classic 9.2' "${iptc[@]}" -XMP:Title='Harbour' -XMP:Rating=4 \
    -XMP:Subject=harbour -XMP:Subject=boats "$out/edited.jpg"
exiftool -q -q -overwrite_original -ExifByteOrder=II -Make=Panasonic -Model=DMC-TZ70 \
    -DateTimeOriginal='2016:09:09 09:09:09' "${xp[@]}" -Rating=4 "$out/windows.jpg"
exiftool -q -q -overwrite_original "${camera[@]}" "${thumbnail[@]}" "${iptc[@]}" "${xp[@]}" "$out/progressive.jpg"
# HEIF, PNG and a TIFF-based raw file, which libexiv2 reads.
exiftool -q -q -overwrite_original -Make=Apple -Model='iPhone 13 Pro Max' -Orientation#=6 \
    -DateTimeOriginal='2023:04:05 06:07:08' -ISO=50 -GPSLatitude='40 26 49.1' -GPSLatitudeRef=N \
    -GPSLongitude='3 43 29.1' -GPSLongitudeRef=W "$out/phone.heic"
exiftool -q -q -overwrite_original -Software='Shutter 0.99' -XMP:Title='Screenshot' -XMP:Subject=screen \
    -DateTimeOriginal='2021:01:01 00:00:01' "$out/screenshot.png"
exiftool -q -q -overwrite_original -DNGVersion=1.4.0.0 "${camera[@]}" "${xp[@]}" "$out/camera.dng"
# An iPhone's video held upright, with its own local time and position; a camera's, with user data.
exiftool -q -q -overwrite_original -Rotation=90 '-Keys:CreationDate=2023:04:05 06:07:08+02:00' \
    '-QuickTime:CreateDate=2023:04:05 04:07:08' -Keys:Make=Apple '-Keys:Model=iPhone 13 Pro' \
    '-Keys:GPSCoordinates=48.8566 N, 2.3522 E, 35 m' "$out/phone.mov"
exiftool -q -q -overwrite_original '-QuickTime:CreateDate=2021:06:07 08:09:10' -UserData:Make=GoPro \
    '-UserData:Model=HERO9 Black' '-UserData:GPSCoordinates=46.5559, 7.9768, 2061.5' "$out/camera.mp4"
exiftool -q -q -overwrite_original -all= -Comment='CREATOR: gd-jpeg v1.0 (using IJG JPEG v80), quality = 60' \
    "$out/comment-only.jpg"
# A TIFF holds its Exif, GPS and IPTC directories in the file itself.
exiftool -q -q -overwrite_original "${camera[@]}" "${iptc[@]}" "${xp[@]}" "$out/scan-mm.tif"
exiftool -q -q -overwrite_original -Make=Nikon -Model=D750 -DateTimeOriginal='2019:05:06 07:08:00' \
    -FNumber=8 -ISO=200 -GPSLatitude='22 54 24.48' -GPSLatitudeRef=S -GPSLongitude='43 10 22.44' \
    -GPSLongitudeRef=W "${xp[@]}" "${iptc[@]}" "$out/scan-ii.tif"
# JPEG XL as cjxl converts a camera's JPEG (Exif and XMP in compressed boxes, the codestream split
# into parts) and as exiftool tags a new one (plain Exif and XMP boxes around one codestream).
cjxl "$out/camera-ii.jpg" "$out/camera.jxl" >/dev/null 2>&1
cjxl texture.png "$out/tagged.jxl" >/dev/null 2>&1
exiftool -q -q -overwrite_original -m "${camera[@]}" -XMP:Title='JPEG XL' -XMP:Subject=harbour "$out/tagged.jxl"
real_cr3=$here/../../../shared/photos/formats/Canon-R6-pruned.CR3
if [[ -f $real_cr3 ]]; then
    cp "$real_cr3" "$out/camera.cr3"
    chmod u+w "$out/camera.cr3"
fi

bash "$here/../photos/make-photos.sh" "$work/test-photos" >/dev/null
for photo in "$work"/test-photos/*; do
    cp "$photo" "$out/test-$(basename "$photo")"
done

echo "$out: $(ls "$out" | wc -l) base photos"
