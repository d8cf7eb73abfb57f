#!/bin/sh
# Builds the libFuzzer targets into build/fuzz with clang (the main build uses g++). Needs clang and
# libclang-rt-14-dev (libFuzzer's runtime); installs them when missing.
set -e
cd "$(dirname "$0")/.."
./scripts/ensure-packages.sh cmake make clang libclang-rt-14-dev qt6-base-dev libqt6sql6-sqlite libarchive-dev \
    libsqlite3-dev qt6-svg-dev libpq-dev
launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTREL_BUILD_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF $launcher
cmake --build build/fuzz -j"${JOBS:-2}" --target fuzz
echo "Fuzz targets are in build/fuzz: $(cd build/fuzz && find . -maxdepth 1 -type f -name 'fuzz_*' -printf '%f ')"
