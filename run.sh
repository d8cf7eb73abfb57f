#!/bin/sh
# Builds Vantrel (Release) and starts it. Installs what a fresh Debian 12 machine lacks.
set -e
cd "$(dirname "$0")"
./scripts/ensure-packages.sh cmake g++ make qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev \
    libqt6sql6-sqlite xvfb xauth libarchive-dev libsqlite3-dev lld libpq-dev libqt6sql6-psql
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF \
    -DCMAKE_UNITY_BUILD=ON
cmake --build build/release --target vantrel vantrel-licence-import -j"$(nproc)"
cd build/release/bin
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "No display found: starting Vantrel under xvfb-run."
    exec xvfb-run -a ./vantrel "$@"
fi
exec ./vantrel "$@"
