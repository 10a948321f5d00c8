#!/usr/bin/env bash
# Tries the Debian package on a fresh Debian 12, as a user would meet it: installs it with apt-get
# into a minimal system made by debootstrap, runs an extraction with the installed batch command,
# starts the window (under Xvfb with a window manager, so that the title bar shows its icon) and
# takes a screenshot, then removes the package and checks that none of its files remain.
#
# Usage (as root, after a build): packaging/check-fresh-debian.sh [DEB]
#   DEB        the package to try; default: build/fotoharvester_*.deb, made with cpack if missing
#   MIRROR     environment: the Debian mirror (default http://deb.debian.org/debian)
#   KEEP_ROOT  environment: 1 keeps the system made for the check (it is removed otherwise)
# The screenshot (and its title bar enlarged), the output of the extraction and the installed icon
# are left in build/fresh-debian/. It downloads a few hundred megabytes and takes a few minutes: it
# is a manual check, not part of scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source_root=$PWD

[ "$(id -u)" -eq 0 ] || { echo "$0: run as root (debootstrap and chroot need it)" >&2; exit 1; }
for tool in debootstrap convert exiftool; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 1; }
done

mirror=${MIRROR:-http://deb.debian.org/debian}
security_mirror=${mirror%/debian}/debian-security
results=$source_root/build/fresh-debian
root=/var/tmp/fotoharvester-fresh-debian

deb=${1:-}
if [ -z "$deb" ]; then
    deb=$(ls -t build/fotoharvester_*.deb 2>/dev/null | head -n 1 || true)
    if [ -z "$deb" ]; then
        (cd build && cpack -G DEB >/dev/null)
        deb=$(ls -t build/fotoharvester_*.deb | head -n 1)
    fi
fi
deb=$(realpath "$deb")
package=$(dpkg-deb -f "$deb" Package)

say() { printf '\n=== %s\n' "$*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
in_root() { chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
mounted_under_root() { awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r; }

unmount_all() {
    local mount_point
    for mount_point in $(mounted_under_root); do
        umount "$mount_point" || umount -l "$mount_point"
    done
}
cleanup() {
    unmount_all
    if [ -n "$(mounted_under_root)" ]; then
        echo "$0: something is still mounted under $root; left as it is" >&2
    elif [ "${KEEP_ROOT:-0}" != 1 ]; then
        rm -rf "$root"
    else
        echo "The system made for the check is kept in $root"
    fi
}

[ -z "$(mounted_under_root)" ] || fail "something is mounted under $root already"
rm -rf "$root" "$results"
mkdir -p "$root" "$results"
trap cleanup EXIT

say "debootstrap --variant=minbase bookworm $root $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$results/debootstrap.log" 2>&1 ||
    { tail -n 20 "$results/debootstrap.log" >&2; fail "debootstrap could not make the system (log: $results/debootstrap.log)"; }
tail -n 1 "$results/debootstrap.log"

cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security_mirror bookworm-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Nothing installed here may start a service on the machine running the check.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount -t devpts devpts "$root/dev/pts" -o newinstance,ptmxmode=0666

say "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -q >/dev/null
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y "/tmp/$(basename "$deb")" >"$results/install.log" 2>&1 ||
    { tail -n 30 "$results/install.log" >&2; fail "apt-get install failed"; }
grep -E '^(Setting up|The following NEW)' "$results/install.log" | grep -F "$package" || true
in_root dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' "$package"
in_root dpkg -L "$package" | sort >"$results/package-files.txt"
echo "$(wc -l <"$results/package-files.txt") paths installed"

say "fotoharvester-cli on two photos"
photos=$root/tmp/photos
mkdir -p "$photos"
convert -size 64x48 xc:'#3060a0' "$photos/harbour.jpg"
convert -size 48x64 xc:'#a06030' "$photos/market.tif"
exiftool -q -overwrite_original -Make=Freshmaker -Model="Clean One" -DateTimeOriginal="2021:07:14 09:30:15" \
    -GPSLatitude=48.8583 -GPSLatitudeRef=N -GPSLongitude=2.2945 -GPSLongitudeRef=E "$photos/harbour.jpg"
exiftool -q -overwrite_original -Make=Freshmaker -Model="Clean Two" -DateTimeOriginal="2022:01:02 03:04:05" \
    "$photos/market.tif"
in_root fotoharvester --version
in_root fotoharvester-cli --version
status=0
in_root fotoharvester-cli --folder /tmp/photos --output /tmp/photos.csv --columns 2,4,5,16,17 --headings --yes ||
    status=$?
cp "$root/tmp/photos.csv" "$results/photos.csv"
cat "$results/photos.csv"
echo
[ "$status" -eq 0 ] || fail "fotoharvester-cli exited with $status"
grep -q '"harbour.jpg".*2021:07:14 09:30:15.*Freshmaker.*Clean One' "$results/photos.csv" || fail "harbour.jpg was not read"
grep -q '"market.tif".*2022:01:02 03:04:05.*Freshmaker.*Clean Two' "$results/photos.csv" || fail "market.tif was not read"
in_root fotoharvester --help | tail -n 1

say "the menu entry and its icon"
desktop=$(grep '^/usr/share/applications/.*\.desktop$' "$results/package-files.txt")
icon=$(sed -n 's/^Icon=//p' "$root$desktop")
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root$desktop")
echo "$desktop: Exec=$exec_name Icon=$icon"
[ "$(in_root sh -c "command -v $exec_name")" = "/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not on PATH"
grep "/usr/share/icons/hicolor/.*/apps/$icon\." "$results/package-files.txt" || fail "no icon named $icon installed"
cp "$root/usr/share/icons/hicolor/256x256/apps/$icon.png" "$results/installed-icon-256.png"

say "the window, under Xvfb with a window manager"
# Installed after the package, so that the package alone had to bring everything it needs.
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y --no-install-recommends \
    xvfb xauth openbox x11-apps x11-utils desktop-file-utils >"$results/x-install.log" 2>&1 ||
    { tail -n 30 "$results/x-install.log" >&2; fail "could not install Xvfb and the tools"; }
in_root desktop-file-validate "$desktop" && echo "desktop-file-validate $desktop: no complaints"
cat >"$root/tmp/show-window.sh" <<'EOF'
#!/bin/sh
# Runs inside xvfb-run: a window manager for the title bar, then the window as the menu starts it.
openbox >/tmp/openbox.log 2>&1 &
manager_pid=$!
sleep 2
fotoharvester >/tmp/fotoharvester.log 2>&1 &
window_pid=$!
sleep 6
xprop -root _NET_ACTIVE_WINDOW >/tmp/active.txt
xprop -id "$(sed -n 's/.*# //p' /tmp/active.txt)" WM_CLASS _NET_WM_NAME _NET_WM_ICON >/tmp/props.txt 2>&1 || true
xwd -root -silent -out /tmp/screen.xwd
kill "$window_pid"
wait "$window_pid" 2>/dev/null
kill "$manager_pid" 2>/dev/null
exit 0
EOF
chmod +x "$root/tmp/show-window.sh"
in_root xvfb-run -a -s "-screen 0 800x600x24" /tmp/show-window.sh
convert "$root/tmp/screen.xwd" "$results/window.png"
# The title bar's left end, enlarged: the window manager draws the window's icon there.
convert "$results/window.png" -trim +repage -crop 64x20+0+0 -scale 800% "$results/title-bar.png"
cat "$root/tmp/fotoharvester.log"
grep -E 'WM_CLASS|_NET_WM_NAME' "$root/tmp/props.txt"
grep -q '_NET_WM_ICON(CARDINAL) = ' "$root/tmp/props.txt" && echo "_NET_WM_ICON is set" || fail "the window has no icon"
grep -q "\"$(sed -n 's/^StartupWMClass=//p' "$root$desktop")\"" "$root/tmp/props.txt" ||
    fail "the window's WM_CLASS does not match StartupWMClass"
echo "screenshot: $results/window.png"

say "apt-get remove $package"
DEBIAN_FRONTEND=noninteractive in_root apt-get remove -y "$package" >"$results/remove.log" 2>&1 ||
    { tail -n 30 "$results/remove.log" >&2; fail "apt-get remove failed"; }
grep -E '^Removing' "$results/remove.log" || true
state=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
echo "dpkg state after removal: '${state:-unknown to dpkg}'"
case "$state" in "" | "un"*) ;; *) fail "dpkg still knows $package as '$state'" ;; esac
left=0
while read -r path; do
    # Folders shared with other packages (/usr, /usr/share/man/man1, ...) stay, as they should.
    if [ -e "$root$path" ] && ! [ -d "$root$path" ]; then
        echo "left behind: $path"
        left=1
    fi
done <"$results/package-files.txt"
for own in /usr/libexec/fotoharvester /usr/share/fotoharvester /usr/share/doc/fotoharvester; do
    [ ! -e "$root$own" ] || { echo "left behind: $own"; left=1; }
done
[ "$left" -eq 0 ] || fail "files of $package remain after apt-get remove"
echo "none of the $(wc -l <"$results/package-files.txt") paths of the package remain (shared folders aside)"

say "all fresh Debian 12 checks passed; screenshot in $results/window.png"
