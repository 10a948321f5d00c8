#!/usr/bin/env bash
# run.sh [OPTION]... [N] -- times the batch command against the bare FreeImage walk, exiftool and
# exiv2 over a library of N photos (default 10,000), all in this one run, and prints seconds,
# photos/s, peak memory and the speed ratios. The library is made of the real camera photos in
# ../shared/photos when that folder is there (bench/make-real-library.sh), else generated
# (bench/make-library.sh). With real photos it also times the batch command over the same
# library with 1% of its photos replaced by photos that crash the reader.
#
#   --cold           the cold-cache run instead: the batch command and the raw floor (opening each
#                    photo, reading its first 64 KiB and closing it, in one process) over N real
#                    photos that are each a file of their own, with the page cache dropped before
#                    every timed command. Needs root (sync; echo 3 > /proc/sys/vm/drop_caches);
#                    says so and skips otherwise. Takes N times 160 KB of disk for the copies.
#   --memory         the memory run instead: the batch command alone over N photos (default
#                    100,000), printing its peak memory; no peers (exiftool would take minutes)
#   --one-folder     the library's photos all in one folder (hard links beside the library), as
#                    a camera card or a phone's export lays them out; with --memory, the case of
#                    100,000 photos in one folder
#   --mixed          a library of the real photos with HEIC, AVIF, PNG, WebP, DNG, NEF, CR3 and JPEG
#                    XL photos and 1% videos mixed in (bench/make-real-library.sh --mixed), all
#                    formats read; also times the batch command over as many of its videos as of
#                    its JPEGs (a tenth of N each), for the cost of a video against a JPEG
#   --generated      the generated library even when real photos are there
#   --skip LIST      leave out tools, comma-separated: exiftool, exiv2, walk, readers1, damaged,
#                    keys, xlsx (also BENCH_SKIP=LIST); --skip exiftool saves ~40 s per 10,000 photos
#
# Besides the delimited file, the batch command writes the same photos to a workbook (.xlsx),
# timed beside it (in the memory run too): target at most 1.5 times the CSV's time, and a peak
# memory (GNU time's, of the largest process) below 40 MB.
#   --baseline CLI   also time another build's batch command (its reader beside it), e.g. that of
#                    the commit before a change, the same way, and print ours against it
#   --repeat K       time every tool K times and keep its fastest run (default 1)
#   --no-build       use the programs already built
#
# BENCH_DIR (default /tmp/fotoharvester-bench) holds the libraries and outputs; BUILD_DIR
# (default build/ in the repository) the programs, built RelWithDebInfo when not configured yet.
#
# Every figure is wall time of a whole command (start-up and photo collection included) from
# GNU time. Outside --cold an untimed pass first puts every file, folder and program in the page
# cache, and the library is hard links to a few dozen photos, so this measures reading metadata
# from memory, not from disk. With --cold every timed command starts with the page cache dropped
# and only the programs (not the photos or their folders) read back into it. Peak memory is GNU
# time's maximum resident set of the largest single process; the table also gives the first
# process's own peak and a sampled peak of it and its child processes together (for the batch
# command: the main process and its readers).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
build=${BUILD_DIR:-$repo/build}
work=${BENCH_DIR:-/tmp/fotoharvester-bench}
skip=",${BENCH_SKIP:-},"
repeat=1
memory=0
cold=0
mixed=0
one_folder=0
generated=0
baseline=
do_build=1
count=

while [[ $# -gt 0 ]]; do
    case $1 in
    --memory) memory=1 ;;
    --cold) cold=1 ;;
    --generated) generated=1 ;;
    --mixed) mixed=1 ;;
    --one-folder) one_folder=1 ;;
    --skip) skip+="$2,"; shift ;;
    --skip=*) skip+="${1#--skip=}," ;;
    --repeat) repeat=$2; shift ;;
    --baseline) baseline=$2; shift ;;
    --baseline=*) baseline=${1#--baseline=} ;;
    --no-build) do_build=0 ;;
    -h | --help) sed -n '2,41p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    [0-9]*) count=$1 ;;
    *) echo "$0: unknown option $1 (try --help)" >&2; exit 2 ;;
    esac
    shift
done
[[ $repeat =~ ^[1-9][0-9]*$ ]] || { echo "$0: --repeat takes a positive number" >&2; exit 2; }
((memory + cold < 2)) || { echo "$0: --memory and --cold are runs of their own; choose one" >&2; exit 2; }
if [[ -z $count ]]; then
    count=$((memory ? 100000 : 10000))
fi
[[ $count =~ ^[1-9][0-9]*$ ]] || { echo "$0: N must be a positive number" >&2; exit 2; }
skipped() { [[ $skip == *",$1,"* ]]; }

[[ -x /usr/bin/time ]] || { echo "$0: GNU time is needed (apt-get install time)" >&2; exit 1; }

# --- programs --------------------------------------------------------------------------------
if ((do_build)); then
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" --target fotoharvester-cli fotoharvester-reader freeimage-walk collect-bench head-floor >/dev/null
fi
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
case $build_type in
RelWithDebInfo | Release) ;;
*) echo "warning: $build is a '${build_type:-default}' build; the figures will not mean much" >&2 ;;
esac
cli=$build/bin/fotoharvester-cli
reader=$build/bin/fotoharvester-reader
walk=$build/bin/freeimage-walk
floor=$build/bin/head-floor
if [[ -n $baseline ]]; then
    baseline=$(realpath "$baseline")
    [[ -x $baseline && -x $(dirname "$baseline")/fotoharvester-reader ]] ||
        { echo "$0: --baseline needs a batch command with its reader beside it" >&2; exit 1; }
fi
for program in "$cli" "$reader" "$walk" "$floor"; do
    [[ -x $program ]] || { echo "$0: $program is missing; build it first" >&2; exit 1; }
done

# --- library ---------------------------------------------------------------------------------
mkdir -p "$work/out"
shared=$(cd "$repo/.." && pwd)/shared/photos
real=1
if ((generated)) || [[ ! -d $shared ]]; then
    real=0
    ((generated)) || echo "note: $shared is not there: the library is generated, and the damaged one left out" >&2
fi
damaged_library=
if ((cold)); then
    if [[ $(id -u) -ne 0 ]] || ! (: >/proc/sys/vm/drop_caches) 2>/dev/null; then
        echo "The cold-cache run is skipped: dropping the page cache needs root and a writable"
        echo "/proc/sys/vm/drop_caches (sync; echo 3 > /proc/sys/vm/drop_caches)."
        exit 0
    fi
    if ((!real)); then
        echo "The cold-cache run is skipped: it needs the real photos of $shared."
        exit 0
    fi
    library=$work/real-$count-copies
    "$here/make-real-library.sh" --copies "$count" "$library"
elif ((real && mixed)); then
    library=$work/real-$count-mixed
    "$here/make-real-library.sh" --mixed "$count" "$library"
elif ((real)); then
    library=$work/real-$count
    "$here/make-real-library.sh" "$count" "$library"
    if ((!memory)) && ! skipped damaged; then
        damaged_library=$work/real-$count-damaged
        "$here/make-real-library.sh" --damaged "$count" "$damaged_library"
    fi
else
    library=$work/library-$count
    "$here/make-library.sh" "$count" "$library"
fi
photo_list=$work/out/photos-$count.list
extensions=(jpg jpeg jpe tif tiff heic heif hif avif dng cr2 cr3 crw nef nrw arw sr2 orf rw2 raf pef srw mrw iiq
            3fr erf png webp jxl mp4 mov m4v 3gp)
names=()
for extension in "${extensions[@]}"; do
    names+=(${names:+-o} -iname "*.$extension")
done
find "$library" -type f \( "${names[@]}" \) -print0 | LC_ALL=C sort -z >"$photo_list"
if ((one_folder)); then
    flat=$library-one-folder
    made=$(md5sum <"$photo_list")
    if [[ ! -f $flat/.made || $(cat "$flat/.made") != "$made" ]]; then
        rm -rf "$flat"
        mkdir -p "$flat"
        FLAT=$flat perl -0 -ne 'chomp; my ($ext) = /\.([^.\/]+)$/; my $to = sprintf("%s/IMG_%06d.%s", $ENV{FLAT}, $. - 1, lc $ext);
                                link($_, $to) or die "$to: $!\n";' <"$photo_list"
        echo "$made" >"$flat/.made"
    fi
    library=$flat
    find "$library" -type f \( "${names[@]}" \) -print0 | LC_ALL=C sort -z >"$photo_list"
fi
photos=$(tr -cd '\0' <"$photo_list" | wc -c)
((photos > 0)) || { echo "$0: no photos in $library" >&2; exit 1; }

# The batch command must not pick up settings saved by the window on this machine.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"

# --- timing ----------------------------------------------------------------------------------
# Sums the memory of a process and all its descendants every 0.1 s and keeps the largest sums,
# and the main process's own peak (VmHWM); written to $1 when the process ends. Two sums: of the
# resident sizes (an upper bound: a shared library page counts once per process mapping it) and
# of the proportional set sizes (each shared page split among the processes that map it).
# Only bash built-ins inside the loop, so that the sampling does not compete with the run.
sample_tree() {  # sample_tree OUTFILE ROOTPID
    local out=$1 root=$2 peak=0 pss_peak=0 main_peak=0
    rss_of() {  # adds $1's and its descendants' sizes to `total` and `pss`; `hwm` gets $1's VmHWM
        local pid=$1 key value _ task child kids=()
        [[ -r /proc/$pid/status ]] || return 0
        while read -r key value _; do
            case $key in
            VmRSS:) total=$((total + value)) ;;
            VmHWM:) hwm=$value ;;
            esac
        done 2>/dev/null <"/proc/$pid/status" || true
        while read -r key value _; do
            [[ $key == Pss: ]] && pss=$((pss + value))
        done 2>/dev/null <"/proc/$pid/smaps_rollup" || true
        for task in /proc/$pid/task/*; do
            [[ -r $task/children ]] || continue
            read -r -a kids 2>/dev/null <"$task/children" || true
            for child in "${kids[@]}"; do
                local keep_hwm=$hwm
                rss_of "$child"
                hwm=$keep_hwm
            done
        done
    }
    while kill -0 "$root" 2>/dev/null; do
        local total=0 pss=0 hwm=0
        # GNU time is the root; the measured command is its only child.
        local first=()
        read -r -a first 2>/dev/null <"/proc/$root/task/$root/children" || true
        if [[ ${#first[@]} -gt 0 ]]; then
            rss_of "${first[0]}"
            ((total > peak)) && peak=$total
            ((pss > pss_peak)) && pss_peak=$pss
            ((hwm > main_peak)) && main_peak=$hwm
        fi
        sleep 0.1
    done
    echo "$peak $main_peak $pss_peak" >"$out"
}

declare -A seconds cpu_seconds peak_kib tree_kib pss_kib main_kib note files
tools=()

# measure NAME COMMAND... -- runs the command under GNU time `repeat` times, keeps the fastest
measure() {
    local name=$1
    shift
    local file=$work/out/${name// /_}
    local timing=$file.time sampled=$file.sampled log=$file.log
    local run best= best_kib= best_tree= best_main= best_cpu= best_pss=
    for ((run = 1; run <= repeat; run++)); do
        before_each
        printf '  %-22s run %d/%d ... ' "$name" "$run" "$repeat" >&2
        /usr/bin/time -f '%e %M %U %S' -o "$timing" "$@" >"$file.stdout" 2>"$log" &
        local timepid=$!
        sample_tree "$sampled" "$timepid" &
        local samplerpid=$!
        local status=0
        wait "$timepid" || status=$?
        wait "$samplerpid" || true
        local wall kib user system tree main pss
        # GNU time puts a "Command exited with non-zero status" line before its own.
        read -r wall kib user system <<<"$(grep -E '^[0-9.]+ [0-9]+ [0-9.]+ [0-9.]+$' "$timing" | tail -n 1)"
        read -r tree main pss <"$sampled"
        echo "${wall} s (exit status $status)" >&2
        # The batch command exits 3 when some photos were unreadable: still a complete run.
        if [[ $name == ours* && $status -ne 0 && $status -ne 3 ]]; then
            echo "$0: the batch command failed:" >&2
            cat "$log" >&2
            exit 1
        fi
        if [[ -z $best ]] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$wall best_kib=$kib best_tree=$tree best_main=$main best_pss=$pss
            best_cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
        fi
    done
    tools+=("$name")
    seconds[$name]=$best
    peak_kib[$name]=$best_kib
    tree_kib[$name]=$best_tree
    main_kib[$name]=$best_main
    cpu_seconds[$name]=$best_cpu
    pss_kib[$name]=$best_pss
}

# Run before every timed command: nothing when the cache is kept warm; with --cold, the page
# cache dropped, then the programs (and nothing else) read back in.
before_each() { :; }
if ((cold)); then
    before_each() {
        sync
        echo 3 >/proc/sys/vm/drop_caches
        "$cli" --version >/dev/null
        "$reader" </dev/null >/dev/null
        "$floor" /dev/null >/dev/null
    }
fi

echo "Fotoharvester benchmark: $photos photos in $library" >&2
if ((!cold)); then
    echo "warming the cache (untimed) ..." >&2
    xargs -0 -a "$photo_list" cat >/dev/null
    [[ -n $damaged_library ]] && find "$damaged_library" -type f -exec cat {} + >/dev/null
    "$walk" "$library" >/dev/null
    if ! skipped exiftool && command -v exiftool >/dev/null; then exiftool -ver >/dev/null; fi
    if ! skipped exiv2 && command -v exiv2 >/dev/null; then exiv2 --version >/dev/null; fi
    "$cli" --version >/dev/null
fi

common_args=(--subfolders --columns all --yes --headings --no-full-path --separator , --date-format 0
             --formats all-with-video)
ours_args=(--folder "$library" "${common_args[@]}" --output "$work/out/ours-$count.csv")
# Five tags by key, of every family and kind: texts, a rational, a repeated dataset, an XMP number.
keys=(Exif.Image.Artist Exif.Image.Copyright Exif.Photo.ExposureBiasValue Iptc.Application2.City Xmp.xmp.Rating)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

workbook_args=(--folder "$library" "${common_args[@]}" --output "$work/out/ours-$count.xlsx")
if ((memory)); then
    measure ours "$cli" "${ours_args[@]}"
    skipped xlsx || measure "ours, .xlsx" "$cli" "${workbook_args[@]}"
    collect_line=$("$build/bin/collect-bench" "$library")
elif ((cold)); then
    measure "raw floor" "$floor" "$photo_list"
    measure ours "$cli" "${ours_args[@]}"
else
    measure ours "$cli" "${ours_args[@]}"
    skipped xlsx || measure "ours, .xlsx" "$cli" "${workbook_args[@]}"
    if [[ -n $baseline ]]; then
        measure baseline "$baseline" "${ours_args[@]}" --output "$work/out/baseline-$count.csv"
    fi
    if ! skipped keys; then
        key_list=$(IFS=,; echo "${keys[*]}")
        measure "ours, 5 keys" "$cli" --folder "$library" "${common_args[@]}" --columns "$key_list" \
            --output "$work/out/ours-$count-keys.csv"
        if command -v exiv2 >/dev/null && ! skipped exiv2; then
            measure "exiv2, 5 keys" sh -c 'list=$1; shift; xargs -0 -a "$list" exiv2 -Pkt "$@" 2>/dev/null; exit 0' \
                sh "$photo_list" "${keys[@]/#/-K}"
        fi
    fi
    if [[ -n $damaged_library ]]; then
        measure "ours, 1% crashing" "$cli" --folder "$damaged_library" "${common_args[@]}" \
            --output "$work/out/ours-$count-damaged.csv"
    fi
    if ! skipped readers1; then
        measure "ours --readers 1" "$cli" "${ours_args[@]}" --readers 1
    fi
    if ! skipped walk; then
        measure freeimage-walk "$walk" "$library"
        # The reading our reader processes do, in one process: what the processes themselves cost.
        measure "walk, no thumbnails" "$walk" --no-thumbnails "$library"
    fi
    if skipped exiftool; then
        note[exiftool]="skipped"
    elif ! command -v exiftool >/dev/null; then
        note[exiftool]="not installed"
    else
        # The tags behind our columns, under exiftool's names, and a video's date and rotation.
        exiftool_tags=(DateTimeOriginal DateTime Make Model LensModel ImageWidth ImageHeight FileSize ExposureTime
                       FNumber ISO Flash SubjectDistance FocalLength UserComment GPSLatitude GPSLongitude
                       GPSAltitude GPSDateStamp GPSTimeStamp GPSImgDirection Headline Caption-Abstract Keywords
                       XPKeywords XPComment XPAuthor XPTitle XPSubject Orientation Comment CreationDate
                       CreateDate Rotation)
        measure exiftool exiftool -fast2 -csv -r -q -q "${exiftool_tags[@]/#/-}" "$library"
    fi
    if ((mixed)); then
        # As many videos as JPEGs of the library, each set a folder of hard links of its own.
        share=$((count / 10 > 100 ? count / 10 : 100))
        for kind in videos jpegs; do
            folder=$work/$kind-$share
            rm -rf "$folder"
            mkdir -p "$folder"
            if [[ $kind == videos ]]; then
                find "$library" -type f \( -iname '*.mov' -o -iname '*.mp4' \) -print0 | LC_ALL=C sort -z
            else
                find "$library" -type f -iname '*.jpg' -print0 | LC_ALL=C sort -z
            fi | SHARE=$share FOLDER=$folder perl -0 -ne 'chomp; push @found, $_; END {
                    for my $i (0 .. $ENV{SHARE} - 1) {
                        my $from = $found[$i % @found];
                        my ($ext) = $from =~ /\.([^.\/]+)$/;
                        link($from, sprintf("%s/IMG_%06d.%s", $ENV{FOLDER}, $i, lc $ext)) or die "$from: $!\n";
                    } }'
        done
        measure "ours, $share videos" "$cli" --folder "$work/videos-$share" "${common_args[@]}" \
            --output "$work/out/ours-videos.csv"
        measure "ours, $share JPEGs" "$cli" --folder "$work/jpegs-$share" "${common_args[@]}" \
            --output "$work/out/ours-jpegs.csv"
        files["ours, $share videos"]=$share
        files["ours, $share JPEGs"]=$share
    fi
    if skipped exiv2; then
        note[exiv2]="skipped"
    elif ! command -v exiv2 >/dev/null; then
        note[exiv2]="not installed"
    else
        # exiv2 takes many files at once; xargs hands it the whole list in a few calls. It exits
        # non-zero for photos without metadata, which is no failure here.
        measure exiv2 sh -c 'xargs -0 -a "$1" exiv2 -Pkt 2>/dev/null; exit 0' sh "$photo_list"
    fi
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- report ----------------------------------------------------------------------------------
# A record starts with the photo's name (every library names its photos IMG_n); a value may hold
# line breaks of its own.
records=$(grep -c '^"IMG_[0-9]*\.[A-Za-z0-9]*",' "$work/out/ours-$count.csv" || true)
unreadable=$(grep -o '[0-9]* photos\? could not be read' "$work/out/ours.log" | head -n 1 || true)
mb() { awk -v k="$1" 'BEGIN { if (k == "") print "-"; else printf "%.1f", k / 1024 }'; }

echo
echo "Fotoharvester benchmark, $(date '+%Y-%m-%d %H:%M')"
echo "  $photos photos in $library"
echo "  machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "  load average before: $load_before   after: $load_after"
echo "  build: $build ($build_type); best of $repeat run(s) per tool; page cache $( ((cold)) && echo "dropped before each" || echo warm)"
echo "  ours: $records records written to $work/out/ours-$count.csv${unreadable:+ ($unreadable)}"
echo "  a record for every photo: $( ((records == photos)) && echo met || echo "MISSED ($records of $photos)")"
if ((!memory)) && [[ -n ${seconds[freeimage-walk]:-} ]]; then
    echo "  freeimage-walk: $(cat "$work/out/freeimage-walk.stdout")"
fi
if [[ -n ${seconds["raw floor"]:-} ]]; then
    echo "  raw floor: $(cat "$work/out/raw_floor.stdout")"
fi
if [[ -n ${seconds["ours, 1% crashing"]:-} ]]; then
    echo "  damaged library: $damaged_library ($(grep -o '[0-9]* photos\? could not be read' "$work/out/ours,_1%_crashing.log" | head -n 1 || true))"
fi
echo
printf '%-20s %9s %9s %10s %10s %10s %10s\n' tool seconds "cpu s" photos/s "peak MB" "main MB" "all MB"
for tool in "${tools[@]}"; do
    printf '%-20s %9s %9s %10s %10s %10s %10s\n' "$tool" "${seconds[$tool]}" "${cpu_seconds[$tool]}" \
        "$(awk -v n="${files[$tool]:-$photos}" -v s="${seconds[$tool]}" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }')" \
        "$(mb "${peak_kib[$tool]}")" "$(mb "${main_kib[$tool]}")" "$(mb "${tree_kib[$tool]}")"
done
for tool in exiftool exiv2; do
    [[ -n ${note[$tool]:-} ]] && printf '%-20s %9s\n' "$tool" "(${note[$tool]})"
done
echo "  seconds: wall time; cpu s: user + system time of all its processes together"
echo "  peak MB: largest single process (GNU time); main MB: the first process's own peak;"
echo "  all MB: sampled peak of the resident sizes of it and its child processes together"
echo "  (readers, xargs' exiv2): shared library pages count once per process"
echo

# ratio PEER TARGET -- how many times as fast ours is as PEER, against the target factor
ratio() {
    local peer=$1 target=$2
    [[ -n ${seconds[$peer]:-} ]] || return 0
    awk -v ours="${seconds[ours]}" -v peer="${seconds[$peer]}" -v name="$peer" -v target="$target" 'BEGIN {
        r = (ours > 0 ? peer / ours : 0)
        printf "ours vs %-18s %6.2f times as fast   (target %s: %s)\n", name, r, target, (r >= target ? "met" : "MISSED")
    }'
}
if [[ -n ${seconds["ours, .xlsx"]:-} ]]; then
    # GNU time's peak: the workbook is put together as the run ends, after the last sample.
    awk -v x="${seconds["ours, .xlsx"]}" -v c="${seconds[ours]}" -v xm="${peak_kib["ours, .xlsx"]}" \
        -v cm="${peak_kib[ours]}" 'BEGIN {
        r = (c > 0 ? x / c : 0)
        printf "ours to .xlsx vs to .csv: %4.2f times the time   (target at most 1.5: %s)\n", r, (r <= 1.5 ? "met" : "MISSED")
        printf "ours to .xlsx, peak memory: %.1f MB (to .csv: %.1f MB)   (target < 40 MB: %s)\n", xm / 1024,
               cm / 1024, (xm / 1024 < 40 ? "met" : "MISSED")
    }'
fi
if ((memory)); then
    awk -v main="${main_kib[ours]}" -v all="${tree_kib[ours]}" -v pss="${pss_kib[ours]}" -v n="$photos" 'BEGIN {
        printf "batch command over %d photos, peak memory (target < 40 MB):\n", n
        printf "  main process (peak resident size)                %6.1f MB   %s\n", main / 1024, (main / 1024 < 40 ? "met" : "MISSED")
        printf "  main process and readers, resident sizes summed  %6.1f MB   %s\n", all / 1024, (all / 1024 < 40 ? "met" : "MISSED")
        printf "  main process and readers, proportional sizes     %6.1f MB   %s\n", pss / 1024, (pss / 1024 < 40 ? "met" : "MISSED")
    }'
    echo "collection before the first photo (target: well under a second): $collect_line"
elif ((cold)); then
    awk -v ours="${seconds[ours]}" -v floor="${seconds["raw floor"]}" 'BEGIN {
        r = (floor > 0 ? ours / floor : 0)
        printf "ours vs the raw floor, cold cache: %4.2f times the time   (target at most 1.3: %s)\n", r, (r <= 1.3 ? "met" : "MISSED")
    }'
else
    ratio freeimage-walk 1.3
    ratio exiftool 60
    ratio exiv2 4
    if [[ -n ${seconds["ours, 5 keys"]:-} && -n ${seconds["exiv2, 5 keys"]:-} ]]; then
        awk -v o="${seconds["ours, 5 keys"]}" -v e="${seconds["exiv2, 5 keys"]}" 'BEGIN {
            r = (o > 0 ? e / o : 0)
            printf "ours vs exiv2 -Pkt, the same 5 keys: %6.2f times as fast   (target 3: %s)\n", r, (r >= 3 ? "met" : "MISSED")
        }'
    fi
    if [[ -n ${seconds[baseline]:-} ]]; then
        awk -v o="${seconds[ours]}" -v b="${seconds[baseline]}" 'BEGIN {
            r = (b > 0 ? o / b : 0)
            printf "ours vs the baseline build: %4.3f times the time   (target at most 1.05: %s)\n", r, (r <= 1.05 ? "met" : "MISSED")
        }'
    fi
    if [[ -n ${seconds["ours, 1% crashing"]:-} ]]; then
        awk -v d="${seconds["ours, 1% crashing"]}" -v c="${seconds[ours]}" 'BEGIN {
            r = (c > 0 ? d / c : 0)
            printf "ours with 1%% crashing photos vs without: %4.2f times the time   (target at most 1.3: %s)\n", r, (r <= 1.3 ? "met" : "MISSED")
        }'
    fi
    if ((mixed)); then
        awk -v v="${seconds["ours, $share videos"]}" -v j="${seconds["ours, $share JPEGs"]}" 'BEGIN {
            r = (j > 0 ? v / j : 0)
            printf "ours over videos vs as many JPEGs: %4.2f times the time   (target at most 5: %s)\n", r, (r <= 5 ? "met" : "MISSED")
        }'
    fi
    if [[ -n ${seconds["ours --readers 1"]:-} && -n ${seconds["walk, no thumbnails"]:-} ]]; then
        awk -v a="${seconds["ours --readers 1"]}" -v w="${seconds["walk, no thumbnails"]}" \
            'BEGIN { printf "ours --readers 1 vs the same reading in one process: %4.2f times the time (aim: at most 1.10)\n", a / w }'
    fi
fi
