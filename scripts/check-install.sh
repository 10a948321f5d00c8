#!/usr/bin/env bash
# Checks what an installation delivers, after a build into build/:
#  - the desktop entry, the AppStream metainfo and the manual pages pass their validators, and
#    agree with the programs on their names, icon, options and version;
#  - a copy installed into a temporary prefix, then moved elsewhere, runs an extraction with its
#    own reader and names its own help pages, with the build tree out of the picture;
#  - the Debian package CPack makes holds exactly the installed files and depends on the
#    libraries the programs need.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build

# Canonical, because the programs find their parts from the canonical path of their executable.
work=$(realpath "$(mktemp -d)")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "check-install: $*" >&2
    exit 1
}
step() { echo "check-install: $*"; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# --- Validators --------------------------------------------------------------------------------
desktop=("$prefix"/share/applications/*.desktop)
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[ ${#desktop[@]} -eq 1 ] && [ -f "${desktop[0]}" ] || fail "expected one desktop entry, found: ${desktop[*]}"
[ ${#metainfo[@]} -eq 1 ] && [ -f "${metainfo[0]}" ] || fail "expected one metainfo file, found: ${metainfo[*]}"
id=$(basename "${desktop[0]}" .desktop)

step "desktop-file-validate $(basename "${desktop[0]}")"
desktop-file-validate "${desktop[0]}"
step "appstreamcli validate --no-net $(basename "${metainfo[0]}")"
appstreamcli validate --no-net "${metainfo[0]}"
for page in "$prefix"/share/man/man1/fotoharvester.1.gz "$prefix"/share/man/man1/fotoharvester-cli.1.gz; do
    step "man --warnings $(basename "$page")"
    [ -f "$page" ] || fail "$page is not installed"
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done

step "the desktop entry, the icon, the metainfo and the manual pages agree with the programs"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "${desktop[0]}")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
# File managers offer "Open with Fotoharvester" for a folder only to an entry that takes a file
# argument and names the folder type.
grep -q '^Exec=[^ ]* %f$' "${desktop[0]}" || fail "Exec= does not pass the folder (%f)"
grep -q '^MimeType=\(.*;\)\?inode/directory;' "${desktop[0]}" || fail "MimeType= does not name inode/directory"
icon=$(sed -n 's/^Icon=//p' "${desktop[0]}")
[ "$icon" = "$id" ] || fail "Icon=$icon is not the desktop id $id"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not a $size x $size PNG"
done
grep -q "<id>$id</id>" "${metainfo[0]}" || fail "metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "${metainfo[0]}" ||
    fail "metainfo does not launch $id.desktop"

version=$("$prefix/bin/fotoharvester-cli" --version | sed -n 's/^fotoharvester-cli //p')
[ -n "$version" ] || fail "fotoharvester-cli --version printed no version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/fotoharvester" --version)" = "fotoharvester $version" ] ||
    fail "fotoharvester --version does not say $version"
grep -q "<release version=\"$version\"" "${metainfo[0]}" || fail "metainfo has no release $version"

# Every option a command lists in --help must be described in its manual page.
check_options() {
    local program=$1 page=$2 option text
    text=$(zcat "$page" | sed 's/\\-/-/g')
    grep -q "Fotoharvester $version" <<<"$text" || fail "$(basename "$page") does not say version $version"
    for option in $(env -u DISPLAY "$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "$option" <<<"$text" || fail "$(basename "$page") does not describe $option"
    done
}
check_options "$prefix/bin/fotoharvester-cli" "$prefix/share/man/man1/fotoharvester-cli.1.gz"
check_options "$prefix/bin/fotoharvester" "$prefix/share/man/man1/fotoharvester.1.gz"

# The columns are defined once, in the program; --help lists them from there, and the manual page
# and the help pages must list the same numbers, names and headings.
step "the manual page and the help pages list the columns of fotoharvester-cli --help"
help_columns=$(env -u DISPLAY "$prefix/bin/fotoharvester-cli" --help | sed -n '/^Columns:$/,/^$/p' |
    sed -n 's/^ *\([0-9][0-9]*\)  \([a-z][a-z]*\)  *\(.*\)$/\1;\2;\3/p')
man_columns=$(zcat "$prefix/share/man/man1/fotoharvester-cli.1.gz" | sed -n '/^\.SH COLUMNS/,/^\.TE/p' |
    grep -E '^[0-9]+;' | sed 's/\\-/-/g')
html_columns=$(sed -n 's|^ *<tr><td>\([0-9][0-9]*\)</td><td><code>\([a-z][a-z]*\)</code></td><td>\([^<]*\)</td>.*|\1;\2;\3|p' \
    "$prefix/share/fotoharvester/help/index.html")
[ "$(wc -l <<<"$help_columns")" -gt 1 ] || fail "fotoharvester-cli --help lists no columns"
diff -u <(echo "$help_columns") <(echo "$man_columns") || fail "the manual page's COLUMNS differ from --help"
diff -u <(echo "$help_columns") <(echo "$html_columns") || fail "the help pages' columns differ from --help"

# --- The installed copy at work ----------------------------------------------------------------
# Moved after installing, so that nothing can have been found through the prefix it was installed
# to; run from elsewhere, with the reader override and the user's settings out of the way.
installed=$work/moved/usr
mkdir -p "$work/moved"
mv "$prefix" "$installed"
[ ! -e "$installed/bin/fotoharvester-reader" ] || fail "the reader is installed beside the programs"
reader=$(find "$installed/libexec" -name fotoharvester-reader -type f)
[ -x "$reader" ] || fail "no installed reader under libexec"

photos=$work/photos
mkdir -p "$photos"
convert -size 16x12 xc:'#3060a0' "$photos/first.jpg"
convert -size 12x16 xc:'#a06030' "$photos/second.jpg"
exiftool -q -overwrite_original -Make=Checkmaker -Model="Install One" \
    -DateTimeOriginal="2021:07:14 09:30:15" "$photos/first.jpg"
exiftool -q -overwrite_original -Make=Checkmaker -Model="Install Two" \
    -DateTimeOriginal="2022:01:02 03:04:05" "$photos/second.jpg"

run_installed() {
    (cd "$work" && env -u FOTOHARVESTER_READER -u DISPLAY -u WAYLAND_DISPLAY \
        XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/xdg" PATH=/usr/bin:/bin "$@")
}

step "the installed fotoharvester-cli reads photos with the installed reader"
status=0
run_installed "$installed/bin/fotoharvester-cli" --folder "$photos" --output "$work/photos.csv" \
    --columns 2,4,5 --separator , --headings --no-full-path --no-subfolders --yes --readers 1 || status=$?
[ "$status" -eq 0 ] || fail "the installed fotoharvester-cli exited with $status"
cat "$work/photos.csv"
echo
[ "$(wc -l <"$work/photos.csv")" -ge 2 ] || fail "the output does not hold a heading and two records"
grep -q '"first.jpg".*2021:07:14 09:30:15.*Checkmaker.*Install One' "$work/photos.csv" ||
    fail "the record of first.jpg is missing or incomplete"
grep -q '"second.jpg".*2022:01:02 03:04:05.*Checkmaker.*Install Two' "$work/photos.csv" ||
    fail "the record of second.jpg is missing or incomplete"

# And it was that reader: without it no photo can be read, and the run is refused.
chmod a-x "$reader"
status=0
run_installed "$installed/bin/fotoharvester-cli" --folder "$photos" --output "$work/without-reader.csv" \
    --columns 2,4,5 --headings --yes --readers 1 2>/dev/null || status=$?
chmod a+x "$reader"
[ "$status" -eq 5 ] || fail "without its reader the installed copy exited with $status, not 5 (no reader)"
[ ! -e "$work/without-reader.csv" ] || fail "without its reader the installed copy wrote an output file"

step "the installed window finds its help pages"
help_line=$(run_installed "$installed/bin/fotoharvester" --help | sed -n 's/^Help pages (F1): //p')
[ "$help_line" = "$installed/share/fotoharvester/help/index.html" ] ||
    fail "the installed window looks for its help at '$help_line'"
[ -f "$help_line" ] || fail "$help_line is missing"

# --- The Debian package ------------------------------------------------------------------------
step "cpack -G DEB"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$work/cpack.log")
[ -f "$deb" ] || fail "cpack named no package"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
for needed in libfreeimage3 libexiv2-27 libqt6widgets6 libqt6core6; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "the package does not depend on $needed"
done
# Exactly the installed files, under /usr: no test programs, benchmarks or build leftovers.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | sort >"$work/packaged"
(cd "$installed" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
diff -u "$work/installed" "$work/packaged" || fail "the package and the installation differ"
step "all checks passed"
