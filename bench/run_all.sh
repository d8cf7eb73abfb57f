#!/bin/sh
# Builds the benchmarks (Release, in build/bench), runs every logging and processing benchmark at 10,000,
# 100,000 and 1,000,000 contacts and prints one table of medians (CPU time, then wall time).
#   bench/run_all.sh                    # all three sizes
#   SIZES="10000 100000" bench/run_all.sh
#   RESULTS=folder bench/run_all.sh     # where the JSON files go (default build/bench/results)
#   BEFORE=folder bench/run_all.sh      # also show the figures of an earlier run: "before -> after"
# The logs are generated once per size into build/bench/bench-fixtures and reused. The programs run under
# `nice`, as the machine is usually shared.
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build/bench}
RESULTS=${RESULTS:-$BUILD/results}
SIZES=${SIZES:-"10000 100000 1000000"}
./scripts/ensure-packages.sh cmake g++ make qt6-base-dev libqt6sql6-sqlite libbenchmark-dev libsqlite3-dev \
    libpq-dev libarchive-dev qt6-svg-dev python3
launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF -DCMAKE_UNITY_BUILD=ON $launcher >/dev/null
cmake --build "$BUILD" -j2 --target bench_logging bench_process
mkdir -p "$RESULTS"
export QT_QPA_PLATFORM=offscreen
for n in $SIZES; do
    # A first start without benchmarks generates a missing log, so that the measured run's peak memory is
    # that of processing alone.
    nice -n 5 "$BUILD/bin/bench_process" --contacts="$n" --benchmark_filter='^$' >/dev/null
    for program in logging process; do
        echo "== bench_$program, $n contacts"
        nice -n 5 "$BUILD/bin/bench_$program" --contacts="$n" --benchmark_out="$RESULTS/${program}_$n.json" \
            --benchmark_out_format=json >"$RESULTS/${program}_$n.txt" 2>&1 ||
            { cat "$RESULTS/${program}_$n.txt"; exit 1; }
    done
done
echo "Load average while running: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 bench/table.py "$RESULTS" ${BEFORE:+"$BEFORE"}
