#!/bin/sh
# Builds Vantrel with warnings as errors and runs every test headless. Installs what a fresh Debian 12
# machine lacks. Fails when a test fails or when a tracked C++ file is not formatted.
set -e
cd "$(dirname "$0")"
./scripts/ensure-packages.sh cmake g++ make qt6-base-dev qt6-svg-dev libqt6sql6-sqlite xvfb xauth \
    clang-format libbenchmark-dev openssl libarchive-dev libsqlite3-dev desktop-file-utils appstream xdotool \
    libhamlib-utils
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WERROR=ON
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
(cd build/test && ctest --output-on-failure)
unset QT_QPA_PLATFORM

# The Debian package, checked as it installs, when the packaging tools are at hand.
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null && command -v cpack >/dev/null; then
    tests/packaging/check-package.sh
else
    echo "Packaging tools (dpkg-dev, cpack) missing: the Debian package is not checked."
fi

unformatted=""
for file in $(git ls-files '*.cpp' '*.h'); do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        unformatted="$unformatted $file"
    fi
done
if [ -n "$unformatted" ]; then
    echo "Not formatted with clang-format:$unformatted" >&2
    exit 1
fi
echo "All tests passed."
