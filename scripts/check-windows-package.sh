#!/bin/bash
# check-windows-package.sh SETUP.exe ZIP: checks the Windows package under Wine, inside a private
# network namespace (tests/tools/netns-run; the panel's setup dialog broadcasts): the zip holds the
# files the installer installs; the installer installs silently (/S) with its Start-menu entries
# and uninstall key; the installed panel starts and keeps running; its uninstaller removes all of
# it again. Run as root (the namespace).
set -eu
[ $# -eq 2 ] || { echo "usage: check-windows-package.sh SETUP.exe ZIP" >&2; exit 2; }
setup=$(realpath "$1") zip=$(realpath "$2")
cd "$(dirname "$0")/.."
if [ "${BRIMO_PRIVATE_NET:-}" != 1 ]; then
    exec tests/tools/netns-run bash "$0" "$setup" "$zip"
fi
wine_run=$PWD/tests/tools/wine-run
failures=0
fail() { echo "check-windows-package: $*" >&2; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINE_RUN_KEEP=$work/prefix
"$wine_run" --prepare
drive=$WINE_RUN_KEEP/drive_c
installed="$drive/Program Files/Brimo Panel"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Brimo Panel"

files=(brimopanel.exe brimo-devsim.exe Qt5Core.dll Qt5Gui.dll Qt5Widgets.dll Qt5Network.dll
    libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll platforms/qwindows.dll
    styles/qwindowsvistastyle.dll)
listed=$(cd "$work" && cmake -E tar tf "$zip" | sed 's|^[^/]*/||' | grep -v -e '/$' -e '^$' | sort)
expected=$(printf '%s\n' "${files[@]}" | sort)
[ "$listed" = "$expected" ] || fail "the zip holds $(echo "$listed" | tr '\n' ' ')"

echo "=== installing silently under Wine"
"$wine_run" "$setup" /S || fail "the installer ended with $?"
for file in "${files[@]}" uninstall.exe; do
    [ -f "$installed/$file" ] || fail "not installed: $file"
done
for link in "Brimo Panel.lnk" "Uninstall Brimo Panel.lnk"; do
    [ -f "$menu/$link" ] || fail "no Start-menu entry $link"
done
# Windows spells the folder "StartUp"; any spelling counts.
[ -z "$(find "$drive" -ipath '*/Start Menu/Programs/Startup/*' -print -quit)" ] ||
    fail "starts at login without being asked to"
grep -q 'CurrentVersion\\\\Uninstall\\\\brimopanel' "$WINE_RUN_KEEP/system.reg" ||
    fail "no uninstall key"

echo "=== starting the installed panel"
# On a virtual screen of its own, with the one platform plugin the package has.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=:$(head -n 1 "$work/display") QT_FORCE_STDERR_LOGGING=1 \
    "$wine_run" 'C:\Program Files\Brimo Panel\brimopanel.exe' >"$work/panel.log" 2>&1 &
panel=$!
sleep 8
if kill -0 "$panel" 2>/dev/null; then
    kill -TERM "$panel"
    wait "$panel" || true
else
    wait "$panel" && status=0 || status=$?
    fail "the installed panel ended at once with $status: $(tail -n 5 "$work/panel.log")"
fi

echo "=== uninstalling silently"
"$wine_run" 'C:\Program Files\Brimo Panel\uninstall.exe' /S || fail "the uninstaller ended with $?"
[ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the Start-menu entries are left"
[ -z "$(find "$drive" -iname 'Brimo Panel.lnk' -print -quit)" ] || fail "a shortcut is left"
! grep -q 'CurrentVersion\\\\Uninstall\\\\brimopanel' "$WINE_RUN_KEEP/system.reg" ||
    fail "the uninstall key is left"

[ "$failures" -eq 0 ] || exit 1
echo "check-windows-package: $(basename "$setup") and $(basename "$zip") are fine"
