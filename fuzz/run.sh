#!/bin/sh
# Runs one fuzz target: fuzz/run.sh <name> [seconds] [more libFuzzer options]. New inputs collect in
# build/fuzz/corpus/<name> (the seeds in fuzz/corpus/<name> are only read); a crashing, leaking or slow
# input is written to build/fuzz/crashes/<name>/. Runs niced, as one process. The timeout is generous
# because a niced run on a busy machine can stall for seconds; a real hang still shows.
set -e
cd "$(dirname "$0")/.."
name="$1"
seconds="${2:-600}"
shift || true
shift || true
work="build/fuzz/corpus/$name"
crashes="build/fuzz/crashes/$name"
mkdir -p "$work" "$crashes"
dict=""
if [ -f "fuzz/corpus/$name.dict" ]; then
    dict="-dict=fuzz/corpus/$name.dict"
fi
ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=32}" exec nice -n 19 "build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 \
    -artifact_prefix="$crashes/" $dict "$@" "$work" "fuzz/corpus/$name"
