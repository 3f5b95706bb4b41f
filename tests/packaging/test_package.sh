#!/usr/bin/env bash
# The Debian package as a user gets it: built by cpack from the build folder given, unpacked
# into a temporary root and started from there on a virtual X display, with a virtual camera
# and a home of its own. It must connect the camera, keep its settings, logs and caches in
# that home, write nothing into the installed files and end cleanly on SIGTERM; its dependencies
# must be packages of this system, its desktop entry valid, and lintian must find no error.
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/orvik-package.XXXXXX")
pid_file=$work/program.pid
cleanup() {
    if [ -s "$pid_file" ]; then kill -KILL "$(cat "$pid_file")" 2> /dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Polls a condition for at most the given number of seconds.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

echo "== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack could not build the package"
}
deb=$(find "$work/out" -maxdepth 1 -name 'orvik_*.deb')
[ -f "$deb" ] || fail "no orvik_*.deb in $work/out"
dpkg-deb -I "$deb"
dpkg-deb -c "$deb"

echo "== dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
[ -n "$depends" ] || fail "the package names no dependencies"
# The program was built and runs here: apt must find every dependency installed already, so
# that installing the package would install nothing else.
apt-get -s -q --no-install-recommends install "$deb" > "$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt cannot install the package"
}
if grep '^Inst ' "$work/apt.log" | grep -v '^Inst orvik '; then
    fail "the dependencies above are not installed although the program was built here"
fi
root=$work/root
dpkg-deb -x "$deb" "$root"
# Each library the shipped binaries link comes from a package the package depends on.
for binary in orvik detecProcess/DetecApplication line2d_train; do
    objdump -p "$root/usr/lib/orvik/$binary" | awk '$1 == "NEEDED" {print $2}'
done | sort -u > "$work/needed.txt"
[ -s "$work/needed.txt" ] || fail "no linked libraries found"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
while read -r lib; do
    owner=$(dpkg -S "$lib" 2> /dev/null | awk -F': ' -v l="/$multiarch/$lib" \
        'substr($2, length($2) - length(l) + 1) == l {sub(/:.*/, "", $1); print $1; exit}')
    [ -n "$owner" ] || fail "no package of this system holds $lib"
    echo "$depends" | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g' | grep -qxF "$owner" ||
        fail "$lib comes from $owner, which is not a dependency"
done < "$work/needed.txt"
for file in usr/bin/orvik usr/lib/orvik/orvik usr/lib/orvik/detecProcess/DetecApplication \
    usr/lib/orvik/detecProcess/detect_rules.txt usr/lib/orvik/RawRes.pb usr/lib/orvik/installed.txt \
    usr/lib/orvik/line2d_train usr/share/applications/orvik.desktop \
    usr/share/icons/hicolor/scalable/apps/orvik.svg usr/lib/udev/rules.d/70-orvik-thermal-camera.rules \
    usr/share/doc/orvik/copyright usr/share/doc/orvik/changelog.gz usr/share/man/man1/orvik.1.gz; do
    [ -e "$root/$file" ] || fail "/$file is not in the package"
done
for tool in tcsim_serial tcsim_render pcb_demo updata; do
    [ -z "$(find "$root" -name "$tool")" ] || fail "$tool is in the package"
done
desktop-file-validate "$root/usr/share/applications/orvik.desktop" || fail "desktop entry"
grep -q 'TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-orvik-thermal-camera.rules" || fail "udev rules"

echo "== the installed program"
listing() { (cd "$root" && find . -printf '%p %s %m %T@\n' | sort); }
listing > "$work/before.txt"
home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
echo "Vesk_R_M serial=PKGTEST1 scene=board" > "$work/devices.txt"
env -u QT_QPA_PLATFORM -u ORVIK_SERIAL_PORTS HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_STATE_HOME="$home/.local/state" XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$work/runtime" TCSIM_DEVICES="$work/devices.txt" \
    xvfb-run -a -s "-screen 0 1366x768x24" sh -c 'echo $$ > "$1" && exec "$2"' sh "$pid_file" "$root/usr/bin/orvik" \
    > "$work/program.out" 2>&1 &
runner=$!
logs=$home/.local/state/orvik/log
log_has() { cat "$logs"/*.log 2> /dev/null | grep -q "$1"; }
if ! wait_for 60 log_has "device check success"; then
    cat "$work/program.out" "$logs"/*.log 2> /dev/null | tail -40 || true
    fail "the installed program did not connect the virtual camera within 60 s"
fi
log_has "installed copy, data in the user's folders" || fail "the log does not say where the data went"
log_has "no update check" || fail "an installed copy checked for updates"
kill -TERM "$(cat "$pid_file")"
status=0
wait "$runner" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with $status on SIGTERM"
# The detection program ends by itself soon after its owner.
none_running_from_root() {
    local process
    for process in /proc/[0-9]*; do
        case "$(readlink "$process/exe" 2> /dev/null)" in "$root"/*) return 1 ;; esac
    done
}
wait_for 10 none_running_from_root || fail "a program of the package outlived orvik"

[ -s "$home/.config/orvik/LocalSetting.ini" ] || fail "no settings in \$XDG_CONFIG_HOME/orvik"
[ -f "$home/.local/state/orvik/detecProcess/NameConfig.ini" ] || fail "no detection result in \$XDG_STATE_HOME/orvik"
cat "$home/.local/state/orvik/detecProcess/log"/*.log | grep -q "camera Orvik Vesk_R_M" ||
    fail "the detection program did not log the virtual camera in \$XDG_STATE_HOME/orvik"
[ -n "$(ls "$home/.cache/orvik/TemTable")" ] || fail "no calibration tables in \$XDG_CACHE_HOME/orvik"
[ -d "$home/.local/share/orvik/PCB" ] || fail "no registration folder in \$XDG_DATA_HOME/orvik"
listing > "$work/after.txt"
if ! diff "$work/before.txt" "$work/after.txt"; then
    fail "the program changed files in the installed root"
fi

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 --display-info "$deb" || fail "lintian found errors"
echo "package test passed"
