#!/bin/bash
# Builds Qt 5 for Windows (64-bit, MinGW-w64 with posix threads) from Debian's own qtbase source,
# once: it installs into a cache outside the build tree and does nothing when that cache already
# holds a complete build of the same version and options (its stamp file).
#   WINDOWS_QT_DIR   the cache (default: ~/.cache/brimopanel/qt-VERSION-mingw64, VERSION that of
#                    the machine's Qt 5, qtbase5-dev: 5.15.8 on Debian 12)
#   WINDOWS_QT_WORK  where the source is fetched and built (default: a temporary directory, removed
#                    after a successful build; a given one is kept and reused)
# Needs g++-mingw-w64-x86-64-posix and dpkg-dev (scripts/deps.sh). Fetches the source with apt
# through a source list and index directory of its own: the machine's apt configuration stays as
# it is. Prints the Qt prefix on standard output, and nothing else there.
set -eu
# The source apt serves is that of the machine's own Qt 5.
version=$(dpkg-query -W -f '${Version}' qtbase5-dev 2>/dev/null | sed 's/[+~-].*//') || true
[ -n "$version" ] || { echo "windows-qt: qtbase5-dev is not installed (scripts/deps.sh)" >&2; exit 1; }
prefix=${WINDOWS_QT_DIR:-$HOME/.cache/brimopanel/qt-$version-mingw64}
stamp=$prefix/brimopanel-qt.stamp
jobs=$(nproc)

# Configure once with these: a later "configure -redo" makes the next install rebuild everything.
# No tablet events: Debian's source leaves out the Wintab headers the windows plugin includes.
options=(-xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- -opensource
    -confirm-license -release -shared -nomake examples -nomake tests -no-opengl -no-dbus -no-icu
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -no-feature-sql -no-openssl -no-feature-concurrent
    -no-feature-tabletevent)
# What the panel, the simulator and the tests link or load (winmain: the WinMain entry shim);
# nothing else of qtbase is built.
modules=(corelib gui widgets network testlib platformsupport winmain)
plugins=(platforms/windows platforms/offscreen styles)
stamp_text="qtbase $version
configure ${options[*]}
modules ${modules[*]}
plugins ${plugins[*]}"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9  # one build at a time; a second caller waits and then finds the stamp
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
    echo "$prefix"
    exit 0
fi

if [ -n "${WINDOWS_QT_WORK:-}" ]; then
    work=$WINDOWS_QT_WORK
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/brimopanel-windows-qt.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
work=$(cd "$work" && pwd)

# fetch_source: Debian's qtbase source, unpacked with Debian's patches into $work/qtbase.
fetch_source() {
    local apt=$work/apt uri release component file inrelease keyring
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    # deb-src lines for the Debian suites this machine installs its packages from.
    # shellcheck disable=SC2016 # apt's own $(FIELD) placeholders
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(FILENAME)' \
        'Created-By: Packages' | sort -u | while read -r uri release component file; do
        inrelease="${file%%_dists_*}_dists_${release//\//_}_InRelease"
        grep -qs '^Origin: Debian$' "$inrelease" || continue
        if [ -f "$keyring" ]; then
            echo "deb-src [signed-by=$keyring] $uri $release $component"
        else
            echo "deb-src $uri $release $component"
        fi
    done | sort -u >"$apt/sources.list"
    if ! [ -s "$apt/sources.list" ]; then
        echo "windows-qt: no Debian archive among apt's sources" >&2
        return 1
    fi
    local aptopts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o Dir::Cache::pkgcache=
        -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
    apt-get "${aptopts[@]}" update -qq
    rm -rf "$work/download" "$work/qtbase"
    mkdir -p "$work/download"
    (cd "$work/download" && apt-get "${aptopts[@]}" source --download-only -qq qtbase-opensource-src)
    local dsc
    dsc=$(echo "$work"/download/qtbase-opensource-src_*.dsc)
    case "$dsc" in
    */qtbase-opensource-src_"$version"+*) ;;
    *)
        echo "windows-qt: Debian serves $(basename "$dsc"), not qtbase $version" >&2
        return 1
        ;;
    esac
    dpkg-source --no-check -x "$dsc" "$work/qtbase" >/dev/null
    basename "$dsc" >"$work/qtbase/.debian-source"
}

[ -f "$work/qtbase/.debian-source" ] || fetch_source

# Qt's mkspec calls x86_64-w64-mingw32-g++: it must be the posix-threads compiler (std::thread).
case "$(readlink -f "$(command -v x86_64-w64-mingw32-g++)")" in
*-posix) ;;
*)
    echo "windows-qt: x86_64-w64-mingw32-g++ is not the posix one (update-alternatives)" >&2
    exit 1
    ;;
esac

cd "$work/qtbase"
if ! [ -f .brimopanel-configured ] || [ "$(cat .brimopanel-configured)" != "$prefix ${options[*]}" ]; then
    echo "windows-qt: configuring $(cat .debian-source)" >&2
    ./configure "${options[@]}" -prefix "$prefix" >configure.log 2>&1 ||
        { tail -n 30 configure.log >&2; exit 1; }
    echo "$prefix ${options[*]}" >.brimopanel-configured
fi

echo "windows-qt: building ${modules[*]} ${plugins[*]} with $jobs jobs" >&2
rm -rf "$prefix"
make sub-src-qmake_all >build.log 2>&1 || { tail -n 30 build.log >&2; exit 1; }  # the Makefiles of src
# Built first, then installed: installing a module does not build the static helper libraries
# it links (pcre2, freetype, libpng), which have nothing to install.
build=() install=()
for m in "${modules[@]}"; do
    build+=("sub-$m")
    install+=("sub-$m-install_subtargets")
done
make -j"$jobs" -C src "${build[@]}" >>build.log 2>&1 || { tail -n 30 build.log >&2; exit 1; }
make -j"$jobs" -C src "${install[@]}" >>build.log 2>&1 || { tail -n 30 build.log >&2; exit 1; }
for p in "${plugins[@]}"; do
    make -j"$jobs" -C "src/plugins/$p" install >>build.log 2>&1 || { tail -n 30 build.log >&2; exit 1; }
done
# qmake and the mkspecs, which the CMake files name besides the build tools (moc, uic, rcc).
make -j"$jobs" sub-qmake-qmake-aux-pro-install_subtargets install_mkspecs >>build.log 2>&1 ||
    { tail -n 30 build.log >&2; exit 1; }
echo "$stamp_text" >"$stamp"
echo "windows-qt: $(cat .debian-source) built into $prefix" >&2
echo "$prefix"
