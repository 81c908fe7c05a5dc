#!/bin/bash
# Installs what is missing, then builds and runs the whole test suite headless three times, plainly,
# with AddressSanitizer, UBSan and LeakSanitizer, and against Qt 6, cross-builds for arm64 and runs
# the unit tests there under qemu, cross-builds for Windows and runs the tests there under Wine, and
# fuzzes each libFuzzer target for a while.
#   BUILD_DIR     the plain build (default: build); the sanitizer, Qt 6, arm64, Windows and fuzz
#                 builds go to $BUILD_DIR-asan, $BUILD_DIR-qt6, $BUILD_DIR-arm64, $BUILD_DIR-windows
#                 and $BUILD_DIR-fuzz
#   FUZZ_SECONDS  time per fuzz target (default: 30)
#   BRIMO_PASSES  the passes to run, of: plain sanitizer qt6 arm64 windows fuzz (default: all)
# Ends with one line "N passed, M failed" over the tests of all passes and the fuzz targets, and
# exits non-zero when anything failed.
set -u
cd "$(dirname "$0")/.." || exit 1
bash scripts/deps.sh || exit 1
build=${BUILD_DIR:-build}
jobs=$(nproc)
passed=0
failed=0
report=()
passes=" ${BRIMO_PASSES:-plain sanitizer qt6 arm64 windows fuzz} "
# wanted PASS: whether BRIMO_PASSES names PASS.
wanted() { [[ $passes == *" $1 "* ]]; }

# run_suite NAME DIR [CMAKE OPTION...]: builds into DIR and runs every CTest test there (or those
# that the CTest options in the array suite_tests pick). With suite_build_picked=1 it builds only
# the test programs of the tests picked.
suite_tests=()
suite_build_picked=0
run_suite() {
    local name=$1 dir=$2 start=$SECONDS targets=()
    shift 2
    echo "=== $name: building in $dir"
    if cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
       [ "$suite_build_picked" = 1 ]; then
        mapfile -t targets < <(ctest --test-dir "$dir" -N "${suite_tests[@]}" |
                               sed -n 's/^ *Test *#[0-9]*: \(tst_[a-z0-9_]*\)$/\1/p')
        targets=(--target "${targets[@]}")
    fi
    if ! { [ -f "$dir/CMakeCache.txt" ] && cmake --build "$dir" -j"$jobs" "${targets[@]}" >/dev/null; }; then
        echo "=== $name: BUILD FAILED"
        cmake --build "$dir" -j1 2>&1 | grep -E -m 20 'error|Error'
        failed=$((failed + 1))
        report+=("$name: build failed")
        return
    fi
    echo "=== $name: running the tests"
    local log="$dir/ctest-summary.log"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j2 "${suite_tests[@]}" 2>&1 | tee "$log"
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1))
        report+=("$name: no test summary")
        return
    fi
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    report+=("$name: $line")
    echo "=== $name: $((SECONDS - start)) s"
}

wanted plain && run_suite "plain suite" "$build"
wanted sanitizer && run_suite "sanitizer suite" "$build-asan" -DBRIMO_SANITIZE=ON

# Qt 6: the same suite built against Qt 6 in $build-qt6 (sanitizers and fuzzing stay on Qt 5).
# Not the load tests of chaos and discovery floods: they load the program's own code, which the
# plain and sanitizer suites run them on.
if wanted qt6; then
    suite_tests=(-E '^(tst_chaos|tst_discoveryflood)$')
    suite_build_picked=1
    run_suite "Qt 6 suite" "$build-qt6" -DBRIMO_QT_MAJOR=6
    suite_tests=()
    suite_build_picked=0
fi

# The two cross builds leave out debug information, which nobody reads there and which makes a
# fifth of their compile time.
# arm64: everything cross-built (cmake/aarch64-linux-gnu.cmake), the unit tests run under qemu
# user-mode emulation (the toolchain file's CMAKE_CROSSCOMPILING_EMULATOR). The checks "format"
# and "shellcheck" read the same files as in the plain suite, so they are left out here. So is
# tst_csleepcontroller, which starts child processes and kills one: under qemu user-mode emulation
# that kill ended every process of the machine (this test run with them); natively it runs in every
# other pass. On an arm64 machine the plain suite is the arm64 one.
if wanted arm64 && [ "$(dpkg --print-architecture)" = amd64 ]; then
    suite_tests=(-L unit -E '^(format|shellcheck|tst_csleepcontroller)$')
    toolchain=()  # read on the first configuring only; CMake warns of it given again
    [ -f "$build-arm64/CMakeCache.txt" ] ||
        toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake)
    suite_build_picked=1
    run_suite "arm64 unit tests" "$build-arm64" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release
    suite_tests=()
    suite_build_picked=0
fi

# Windows: Qt for Windows built once from Debian's source (scripts/windows-qt.sh; cached in
# ~/.cache/brimopanel), everything cross-built (cmake/x86_64-w64-mingw32.cmake) and the unit and
# network tests run under Wine, each in a Wine prefix of its own (tests/tools/wine-run); then the
# plain build's whole-program test drives the Windows panel under Wine on a virtual screen.
if wanted windows && [ "$(dpkg --print-architecture)" = amd64 ]; then
    windows_start=$SECONDS
    if windows_qt=$(bash scripts/windows-qt.sh); then
        suite_tests=(-E '^(format|shellcheck)$')
        toolchain=()
        [ -f "$build-windows/CMakeCache.txt" ] ||
            toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake)
        run_suite "Windows tests under Wine" "$build-windows" "${toolchain[@]}" \
            -DBRIMO_WINDOWS_QT="$windows_qt" -DCMAKE_BUILD_TYPE=Release
        suite_tests=(-R '^tst_wholeprogram$')
        # The Wine template of the Windows tests, made by then: none is made while a test waits.
        windows_dir=$(cd "$build-windows" && pwd)
        BRIMO_PANEL_WINE=$windows_dir/brimopanel-windows/brimopanel.exe \
            BRIMO_WINE_TEMPLATE=$windows_dir/wine-template \
            BRIMO_TESTCOMMAND_WINE=$windows_dir/tests/app/brimo-testcommand.exe \
            run_suite "Windows whole program under Wine" "$build"
        suite_tests=()
    else
        failed=$((failed + 1))
        report+=("Windows: Qt for Windows did not build")
    fi
    echo "=== Windows: $((SECONDS - windows_start)) s"
fi

if wanted fuzz; then
    echo "=== fuzzing: ${FUZZ_SECONDS:-30} s per target"
    mkdir -p "$build-fuzz"
    fuzz_log="$build-fuzz/fuzz-summary.log"
    FUZZ_BUILD_DIR="$build-fuzz" bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}" 2>&1 | tee "$fuzz_log"
    fuzz_status=${PIPESTATUS[0]}
    fuzz_targets=$(grep -c . fuzz/targets.txt)
    fuzz_ok=$(grep -E '^  fuzz_[a-z]+: .*executions' "$fuzz_log" | grep -c -v FAILED)
    [ "$fuzz_status" -eq 0 ] || [ "$fuzz_ok" -lt "$fuzz_targets" ] || fuzz_ok=$((fuzz_targets - 1))
    passed=$((passed + fuzz_ok))
    failed=$((failed + fuzz_targets - fuzz_ok))
    report+=("fuzzing: $fuzz_ok of $fuzz_targets targets passed")
fi

echo
echo "=== summary ($((SECONDS / 60)) min $((SECONDS % 60)) s)"
for line in "${report[@]}"; do echo "  $line"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
