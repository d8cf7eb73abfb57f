#!/bin/sh
# Simulates a club event on one shared log: POSITIONS operating positions (separate processes, each with a
# work folder of its own) log CONTACTS contacts each, one every INTERVAL milliseconds, into one shared log on
# a PostgreSQL server started for the run (initdb and pg_ctl on a temporary folder and a free port of
# 127.0.0.1). Prints, per position, the contacts its log holds at the end (must be POSITIONS x CONTACTS)
# and the propagation delay of the other positions' contacts (median and p99, from logging at one position
# to being stored at this one). Exits with 1 when a position does not hold every contact. Not a timed test:
# the figures depend on the machine.
#   bench/simulate_sync.sh                               # 20 positions x 500 contacts, one every 20 ms
#   POSITIONS=5 CONTACTS=100 bench/simulate_sync.sh
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build/bench}
POSITIONS=${POSITIONS:-20}
CONTACTS=${CONTACTS:-500}
INTERVAL=${INTERVAL:-20}
./scripts/ensure-packages.sh cmake g++ make qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libbenchmark-dev \
    libsqlite3-dev libarchive-dev libpq-dev libqt6sql6-psql postgresql openssl
launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF -DCMAKE_UNITY_BUILD=ON $launcher >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target bench_sync
export QT_QPA_PLATFORM=offscreen
exec "$BUILD/bin/bench_sync" --simulate --positions="$POSITIONS" --contacts="$CONTACTS" --interval-ms="$INTERVAL"
