#!/usr/bin/env bash
# hostile.sh [--no-build] -- makes each worst-case input the program must survive cheaply and prints
# the batch command's time and peak memory on it, against the targets: every hostile photo under
# 2 s and 1 GiB, a tree of folders 2,000 deep under 5 s.
#
#   segments-65k       a JPEG with 65,000 empty comment segments before its Exif
#   segments-70k       the same with 70,000
#   comments-65k       a JPEG with 65,000 one-byte comment segments before its Exif
#   sparse-3gib        a JPEG of 3 GiB: its start marker, 3 GiB of nothing (a sparse file), then
#                      the rest of a photo
#   heif-nested        a HEIF file of 240 KB whose meta boxes nest 20,000 deep
#   xmp-50mb.png       a PNG with an XMP packet of 50 MB (read by libexiv2)
#   xmp-50mb.tif       a TIFF with an XMP packet of 50 MB (read by FreeImage)
#   tree-2000          a chain of 2,000 folders, a photo in the deepest
#   tree-3000          a chain of 3,000 folders, beyond the longest path the system takes
#
# Each case is a folder of its own, read with one reader (--readers 1) into a CSV file. Times are
# wall times of the whole command; peak memory is GNU time's largest single process (the batch
# command or one of its readers). BENCH_DIR (default /tmp/fotoharvester-bench) holds the inputs;
# BUILD_DIR (default build/ in the repository) the programs. Needs exiftool, ImageMagick and
# python3, as the test photos do.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
build=${BUILD_DIR:-$repo/build}
work=${BENCH_DIR:-/tmp/fotoharvester-bench}/hostile
if [[ ${1:-} != --no-build ]]; then
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" --target fotoharvester-cli fotoharvester-reader >/dev/null
fi
cli=$build/bin/fotoharvester-cli

rm -rf "$work"
mkdir -p "$work"
cd "$work"
convert -size 64x48 xc:steelblue base.jpg
exiftool -q -overwrite_original -Make=Hostile -Model=Bench base.jpg
convert -size 64x48 xc:steelblue base.tif
exiftool -q -overwrite_original -Make=Hostile -Model=Bench base.tif

python3 - <<'EOF'
import os, struct, zlib

base = open('base.jpg', 'rb').read()

def folder(name):
    os.makedirs(name, exist_ok=True)
    return name

def jpeg(name, inserted, hole=0):
    with open(os.path.join(folder(name), 'photo.jpg'), 'wb') as out:
        out.write(base[:2] + inserted)
        out.seek(hole, os.SEEK_CUR)
        out.write(base[2:])

jpeg('segments-65k', b'\xff\xfe\x00\x02' * 65000)
jpeg('segments-70k', b'\xff\xfe\x00\x02' * 70000)
jpeg('comments-65k', b'\xff\xfe\x00\x03c' * 65000)
jpeg('sparse-3gib', b'', 3 << 30)

def box(kind, content):
    return struct.pack('>I', 8 + len(content)) + kind + content

levels = 20000
heif = box(b'ftyp', b'heic\0\0\0\0mif1heic')
heif += b''.join(struct.pack('>I', 12 * (levels - level)) + b'meta\0\0\0\0' for level in range(levels))
open(os.path.join(folder('heif-nested'), 'photo.heic'), 'wb').write(heif)

packet = (b"<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
          b"<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
          b"xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' photoshop:Headline='"
          + b'h' * (50 << 20) + b"'/></rdf:RDF></x:xmpmeta><?xpacket end='w'?>")
open('big.xmp', 'wb').write(packet)

def chunk(kind, content):
    return struct.pack('>I', len(content)) + kind + content + struct.pack('>I', zlib.crc32(kind + content))

pixels = zlib.compress(b'\0' + b'\0\0\0' * 8)
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 8, 1, 8, 2, 0, 0, 0))
png += chunk(b'iTXt', b'XML:com.adobe.xmp\0\0\0\0\0' + packet) + chunk(b'IDAT', pixels) + chunk(b'IEND', b'')
open(os.path.join(folder('xmp-50mb.png'), 'photo.png'), 'wb').write(png)

def chain(name, depth):
    top = os.open(folder(name), os.O_RDONLY)
    current = top
    for _ in range(depth):
        os.mkdir('d', dir_fd=current)
        inner = os.open('d', os.O_RDONLY, dir_fd=current)
        if current != top:
            os.close(current)
        current = inner
    with open(os.open('photo.jpg', os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=current), 'wb') as out:
        out.write(base)
    os.close(current)
    os.close(top)

chain('tree-2000', 2000)
chain('tree-3000', 3000)
EOF
mkdir -p xmp-50mb.tif
cp base.tif xmp-50mb.tif/photo.tif
exiftool -q -overwrite_original '-xmp<=big.xmp' xmp-50mb.tif/photo.tif
rm big.xmp

limit_kib=$((1024 * 1024))
printf '%-16s %9s %9s %8s  %s\n' input seconds "peak MB" target outcome
for case in segments-65k segments-70k comments-65k sparse-3gib heif-nested xmp-50mb.png xmp-50mb.tif tree-2000 tree-3000; do
    seconds_target=2
    [[ $case == tree-* ]] && seconds_target=5
    set +e
    /usr/bin/time -f '%e %M' -o time.txt "$cli" --defaults --readers 1 --subfolders --columns 3,15 \
        --output "$work/$case.csv" -- "$work/$case" 2>stderr.txt
    status=$?
    set -e
    read -r seconds kib < <(tail -n 1 time.txt)
    outcome=$(tail -n 1 stderr.txt | sed "s|$work/||g; s|^fotoharvester-cli: ||")
    met=$(awk -v s="$seconds" -v t="$seconds_target" -v k="$kib" -v l="$limit_kib" \
        'BEGIN { print (s < t && k < l) ? "met" : "MISSED" }')
    printf '%-16s %9.2f %9.1f %8s  exit %d: %s\n' "$case" "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" \
        "$met" "$status" "$outcome"
done
echo "  target: under 2 s and 1 GiB each; the folder trees under 5 s"
