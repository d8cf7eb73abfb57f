#!/bin/sh
# Builds Vantrel with warnings as errors and runs every test headless. Installs what a fresh Debian 12
# machine lacks. Fails when a test fails or when a tracked C++ file is not formatted.
#
# One optimised build with its assertions kept (build/test) serves the tests and the Debian package. It is
# a unity build with precompiled Qt headers, and it goes through ccache when ccache is installed.
#
#   ./test.sh          the program, the tests, the package check and the format check
#   ./test.sh --bench  the same, and the benchmarks compiled in the same build (not run: bench/run_all.sh
#                      runs them), so that they keep compiling; CI does this
set -e
cd "$(dirname "$0")"
bench=OFF
if [ "$1" = "--bench" ]; then
    bench=ON
fi
# Qt Charts needs the OpenGL module's CMake files, which Debian 12 ships apart (libqt6opengl6-dev).
./scripts/ensure-packages.sh cmake g++ ninja-build qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev \
    libqt6sql6-sqlite xvfb xauth \
    clang-format openssl libarchive-dev libsqlite3-dev lld desktop-file-utils appstream xdotool \
    libhamlib-utils dpkg-dev file libbenchmark-dev libpq-dev libqt6sql6-psql postgresql libx11-dev
build=build/test
# A build folder made by an older test.sh with another generator is made again.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$build/CMakeCache.txt"; then
    rm -rf "$build"
fi
launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_ASSERTS=ON -DVANTREL_WERROR=ON \
    -DCMAKE_UNITY_BUILD=ON -DVANTREL_BUILD_BENCH=ON -DVANTREL_BENCH_IN_ALL=$bench -DCMAKE_INSTALL_PREFIX=/usr \
    $launcher >/dev/null
cmake --build "$build" -j"$(nproc)"
# While the tests run, in the background: the Debian package of the same build, checked as it installs, and
# the format of every tracked C++ file. Each writes to a file of its own, shown once the tests are done; a
# failure of either fails this script as a failed test does.
package_check() {
    if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null && command -v cpack >/dev/null; then
        deb=$(./package.sh "$build") || return 1
        tests/packaging/check-package.sh "$(echo "$deb" | tail -n 1)"
    else
        echo "Packaging tools (dpkg-dev, cpack) missing: the Debian package is not checked."
    fi
}
# clang-format names each place that is not formatted.
format_check() {
    report=$build/clang-format.txt
    if ! git ls-files -z '*.cpp' '*.h' | xargs -0 -n 40 -P "$(nproc)" clang-format --dry-run --Werror >"$report" 2>&1; then
        files=$(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' "$report" | sort -u | tr '\n' ' ')
        if [ -n "$files" ]; then
            echo "Not formatted with clang-format: $files"
        else
            cat "$report"
        fi
        return 1
    fi
}
package_check >"$build/package-check.txt" 2>&1 &
package_pid=$!
format_check >"$build/format-check.txt" 2>&1 &
format_pid=$!

# The test programs spend most of their time waiting (for servers, sockets, timers, a stopped PostgreSQL
# server), using a fraction of a core each, so twice as many run at once as there are cores.
status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j"$(($(nproc) * 2))" --output-on-failure) || status=1

if wait $package_pid; then
    cat "$build/package-check.txt"
else
    echo "The package check failed:" >&2
    cat "$build/package-check.txt" >&2
    status=1
fi
if ! wait $format_pid; then
    cat "$build/format-check.txt" >&2
    status=1
fi
if [ $status -ne 0 ]; then
    exit 1
fi
echo "All tests passed."
