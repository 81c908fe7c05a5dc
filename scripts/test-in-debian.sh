#!/bin/bash
# test-in-debian.sh RELEASE [COMMAND...]: the test command on another Debian release. Makes a
# throwaway root of RELEASE (bookworm, trixie, ...) with debootstrap from the Debian mirror this
# machine's apt uses, clones this checkout's HEAD into it (commits only, not uncommitted changes),
# runs `bash scripts/test.sh` there (or COMMAND, in the clone), and prints the closing line and the
# time. Needs root. Everything runs in a mount namespace of its own, so no mount outlives the
# script, and the root is removed at the end, also when interrupted.
#   BRIMO_DEBIAN_DIR   where roots, logs and the package cache go (default /var/tmp/brimopanel-debian);
#                      the downloaded packages are kept there between runs
#   BRIMO_KEEP_ROOT=1  keeps the root afterwards (its path is printed)
#   BRIMO_DEBIAN_ROOT  a kept root to run in again: its clone moves to this checkout's HEAD,
#                      build directories stay
# The root shares this machine's network only for apt, to reach the Debian archive; the tests make
# their private network namespaces inside it as they do here.
set -eu
[ $# -ge 1 ] || { echo "usage: test-in-debian.sh RELEASE [COMMAND...]" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "test-in-debian.sh: needs root (debootstrap, mounts)" >&2; exit 2; }
if [ "${BRIMO_DEBIAN_INNER:-}" != 1 ]; then
    command -v debootstrap >/dev/null ||
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
            debootstrap >/dev/null
    exec unshare --mount --propagation private env BRIMO_DEBIAN_INNER=1 bash "$0" "$@"
fi
unset BRIMO_DEBIAN_INNER
release=$1
shift
command=("$@")
[ ${#command[@]} -gt 0 ] || command=(bash scripts/test.sh)
source=$(cd "$(dirname "$0")/.." && pwd)
base=$(realpath -m "${BRIMO_DEBIAN_DIR:-/var/tmp/brimopanel-debian}")
cache=$base/cache
mkdir -p "$cache/partial"

# The mirror of this machine's own release, from its one-line or deb822 sources.
codename=$(sed -n "s/^VERSION_CODENAME=//p" /etc/os-release)
mirror=$({
    sed -E 's/\[[^]]*\]//' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk -v c="$codename" '$1 == "deb" && $3 == c {print $2}'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk -v c="$codename" 'BEGIN {RS = ""} {
            uri = ""; ok = 0
            for (i = 1; i <= NF; i++) {
                if ($i == "URIs:") uri = $(i + 1)
                if ($i == "Suites:") for (j = i + 1; j <= NF && $j !~ /:$/; j++) if ($j == c) ok = 1
            }
            if (ok && uri != "") print uri
        }'
} | head -n 1)
[ -n "$mirror" ] || { echo "test-in-debian.sh: no apt source of $codename here" >&2; exit 1; }

root=${BRIMO_DEBIAN_ROOT:+$(realpath "$BRIMO_DEBIAN_ROOT")}
keep=${BRIMO_KEEP_ROOT:-}
[ -z "$root" ] || keep=1
group="" follower=""
# Ends what still runs in the root, unmounts everything below it, removes it unless kept. The
# root is removed only when nothing is mounted below it any more: /dev there is this machine's.
# shellcheck disable=SC2317 # called by the traps
cleanup() {
    local status=$? pid
    trap - EXIT INT TERM
    [ -z "$group" ] || kill -TERM -- "-$group" 2>/dev/null || true
    [ -z "$follower" ] || kill "$follower" 2>/dev/null || true
    if [ -n "$root" ] && [ -d "$root" ]; then
        sleep 1
        for pid in /proc/[0-9]*; do
            [ "$(readlink "$pid/root" 2>/dev/null)" != "$root" ] || kill -KILL "${pid#/proc/}" 2>/dev/null || true
        done
        umount -R "$root" 2>/dev/null || umount -R -l "$root" 2>/dev/null || true
        if findmnt -rn -o TARGET | awk -v r="$root" '$0 == r || index($0, r "/") == 1' | grep -q .; then
            echo "test-in-debian.sh: $root still has mounts; left in place" >&2
        elif [ -z "$keep" ]; then
            rm -rf --one-file-system "$root"
        else
            echo "=== kept root: $root"
        fi
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# in_session COMMAND...: runs COMMAND in a session of its own, so that the traps can end all of it;
# wait (unlike a program in the foreground) lets them run at once.
in_session() {
    local status=0
    setsid "$@" &
    group=$!
    wait "$group" || status=$?
    group=""
    return $status
}

start=$SECONDS
if [ -z "$root" ]; then
    root=$(mktemp -d "$base/$release.XXXXXX")
    chmod 755 "$root" # as / is: apt's and the tests' unprivileged users pass through it
    echo "=== debootstrap $release from $mirror into $root"
    in_session debootstrap --variant=minbase --cache-dir="$cache" "$release" "$root" "$mirror" \
        >"$root.debootstrap.log" || { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
    # No services start in the root while packages are installed.
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The root must be a mount point for the tests' `unshare --propagation private`; cage as an
# unprivileged user needs /dev/shm as a tmpfs open to all.
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
mount -t tmpfs -o mode=755 tmpfs "$root/run"
mount --bind "$cache" "$root/var/cache/apt/archives"

clone=$root/root/brimopanel
head=$(git -C "$source" rev-parse HEAD)
[ -z "$(git -C "$source" status --porcelain --untracked-files=no)" ] ||
    echo "=== note: uncommitted changes in $source are not tested"
[ -d "$clone/.git" ] || git clone -q --no-checkout "$source" "$clone"
git -C "$clone" fetch -q "$source" "$head"
git -C "$clone" checkout -q --detach "$head"
echo "=== Debian $release, $(git -C "$clone" log -1 --format='%h %s'): ${command[*]}"

log=$root.log
: >"$log"
tail -n +1 -f "$log" &
follower=$!
status=0
in_session chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    bash -c 'cd /root/brimopanel && exec "$@"' command "${command[@]}" >"$log" 2>&1 </dev/null ||
    status=$?
sleep 1 # tail shows the last lines
kill "$follower"
wait "$follower" 2>/dev/null || true
follower=""
closing=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1 || true)
echo "=== Debian $release: ${closing:-exit status $status} ($(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s; log $log)"
exit "$status"
