#!/bin/sh
# Builds the Debian package of Vantrel into build/package/vantrel_<version>_<arch>.deb. Installs what a
# fresh Debian 12 machine lacks. JOBS sets the number of parallel compile jobs.
#
#   ./package.sh              an optimised build of its own (build/package/build), then the package
#   ./package.sh BUILD_DIR    the package of a build made before (test.sh passes its own)
set -e
cd "$(dirname "$0")"
./scripts/ensure-packages.sh cmake g++ make qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev \
    libqt6sql6-sqlite libarchive-dev libsqlite3-dev lld libpq-dev dpkg-dev file
build=$1
if [ -z "$build" ]; then
    build=build/package/build
    launcher=""
    if command -v ccache >/dev/null 2>&1; then
        launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON $launcher
    cmake --build "$build" -j"${JOBS:-$(nproc)}"
fi
mkdir -p build/package
out=$(pwd)/build/package
rm -f "$out"/vantrel_*.deb
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf build/package/_CPack_Packages
ls build/package/vantrel_*.deb
