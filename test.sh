#!/bin/sh
# Builds Vantrel with warnings as errors and runs every test headless. Installs what a fresh Debian 12
# machine lacks. Fails when a test fails or when a tracked C++ file is not formatted.
#
# One optimised build with its assertions kept (build/test) serves the tests and the Debian package. It is
# a unity build with precompiled Qt headers, and it goes through ccache when ccache is installed. The
# benchmarks are compiled in it, so that they keep compiling, but not run: bench/run_all.sh runs them.
set -e
cd "$(dirname "$0")"
# Qt Charts needs the OpenGL module's CMake files, which Debian 12 ships apart (libqt6opengl6-dev).
./scripts/ensure-packages.sh cmake g++ ninja-build qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev \
    libqt6sql6-sqlite xvfb xauth \
    clang-format openssl libarchive-dev libsqlite3-dev desktop-file-utils appstream xdotool \
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
    -DCMAKE_UNITY_BUILD=ON -DVANTREL_BUILD_BENCH=ON -DCMAKE_INSTALL_PREFIX=/usr $launcher >/dev/null
cmake --build "$build" -j"$(nproc)"
# The test programs spend most of their time waiting (for servers, sockets, timers, a stopped PostgreSQL
# server), using a fraction of a core each, so twice as many run at once as there are cores.
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j"$(($(nproc) * 2))" --output-on-failure)

# The Debian package of the same build, checked as it installs.
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null && command -v cpack >/dev/null; then
    tests/packaging/check-package.sh "$(./package.sh "$build" | tail -n 1)"
else
    echo "Packaging tools (dpkg-dev, cpack) missing: the Debian package is not checked."
fi

# Every tracked C++ file is formatted: clang-format names each place that is not.
report=$build/clang-format.txt
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 -n 40 -P "$(nproc)" clang-format --dry-run --Werror >"$report" 2>&1; then
    files=$(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' "$report" | sort -u | tr '\n' ' ')
    if [ -n "$files" ]; then
        echo "Not formatted with clang-format: $files" >&2
    else
        cat "$report" >&2
    fi
    exit 1
fi
echo "All tests passed."
