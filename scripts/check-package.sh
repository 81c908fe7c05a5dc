#!/bin/bash
# check-package.sh DEB ARCH [QT_MAJOR]: checks a built package: its Architecture is ARCH, it depends
# on the Qt libraries (of Qt 5 unless QT_MAJOR is 6), each dependency is installed here for ARCH in
# a version that satisfies it (Debian's arm64 Qt for an arm64 package), and its two programs are
# ELF executables for ARCH.
set -eu
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: check-package.sh DEB ARCH [QT_MAJOR]" >&2; exit 2; }
deb=$1 arch=$2 qt=${3:-5}
case $arch in
    amd64) machine=x86-64 ;; # as file(1) names them
    arm64) machine='ARM aarch64' ;;
    *) echo "check-package.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac
failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

field=$(dpkg-deb -f "$deb" Architecture)
[ "$field" = "$arch" ] || fail "Architecture is '$field', not $arch"

depends=$(dpkg-deb -f "$deb" Depends)
# Debian 13 renamed the libraries for the 64-bit time_t (libqt5core5a became libqt5core5t64).
qt_libraries=(libqt5core5 libqt5gui5 libqt5widgets5 libqt5network5)
[ "$qt" = 6 ] && qt_libraries=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6)
for lib in "${qt_libraries[@]}"; do
    grep -Eq "(^|, )$lib(a|t64)?( |,|$)" <<<"$depends" || fail "Depends names no $lib: $depends"
done
# Every dependency: "name (>= version)" or alternatives "a | b"; one of them installed for ARCH.
IFS=',' read -ra clauses <<<"$depends"
for clause in "${clauses[@]}"; do
    ok=0
    IFS='|' read -ra choices <<<"$clause"
    for choice in "${choices[@]}"; do
        read -r name op version <<<"$(sed -E 's/[()]//g' <<<"$choice")"
        installed=$(dpkg-query -W -f='${Status} ${Version}' "$name:$arch" 2>/dev/null |
            awk '$3 == "installed" {print $4}')
        [ -n "$installed" ] || continue
        if [ -z "${op:-}" ] || dpkg --compare-versions "$installed" "$op" "$version"; then ok=1; fi
    done
    [ $ok = 1 ] || fail "no $arch package here satisfies '${clause# }'"
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
for program in brimopanel brimo-devsim; do
    file=$unpacked/usr/bin/$program
    if [ ! -f "$file" ]; then
        fail "no /usr/bin/$program"
        continue
    fi
    kind=$(file -b "$file")
    [[ $kind == "ELF 64-bit LSB "*"executable, $machine,"* ]] || fail "/usr/bin/$program is $kind"
done

if [ $failures -gt 0 ]; then
    echo "check-package: $deb: $failures problem(s)" >&2
    exit 1
fi
echo "check-package: $deb: Architecture $arch, Depends $depends; programs $machine"
