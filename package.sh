#!/bin/sh
# Builds the Debian package of Vantrel (Release) into build/package/vantrel_<version>_<arch>.deb.
# Installs what a fresh Debian 12 machine lacks. JOBS sets the number of parallel compile jobs.
set -e
cd "$(dirname "$0")"
./scripts/ensure-packages.sh cmake g++ make qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libarchive-dev \
    libsqlite3-dev dpkg-dev file
launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B build/package/build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF $launcher
cmake --build build/package/build -j"${JOBS:-$(nproc)}"
rm -f build/package/vantrel_*.deb
(cd build/package/build && cpack -G DEB -B "$(pwd)/..")
rm -rf build/package/_CPack_Packages
ls build/package/vantrel_*.deb
