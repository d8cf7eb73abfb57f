#!/bin/sh
# Kill test of the logging server: 20 times, a burst of UPDATE+LOG pairs is sent to a running listener
# (bench_feeds --serve, the main window with a log open) and the listener is killed with SIGKILL in the
# middle of it. After every kill the log must hold exactly the first N contacts of that burst, in order,
# none twice, logs.db must pass PRAGMA integrity_check, and the listener must start again on the same
# work folder. Needs sqlite3.
#
#     bench/kill_test.sh [path/to/bench_feeds] [rounds]
set -eu
bin=${1:-build/release/bin/bench_feeds}
rounds=${2:-20}
pairs=10000
table=N0CALL_2026_Winter_Phone
root=$(mktemp -d)
work="$root/work"
export HOME="$root/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$root"
mkdir -p "$HOME"
listener=""
cleanup() {
    [ -n "$listener" ] && kill -9 "$listener" 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT

fail() {
    echo "FAIL (round $round): $*" >&2
    exit 1
}

# Starts the listener and sets $listener and $port once it listens.
start_listener() {
    "$bin" --serve "$work" >"$root/serve.out" 2>"$root/serve.err" &
    listener=$!
    for _ in $(seq 1 300); do
        port=$(sed -n 's/^PORT //p' "$root/serve.out")
        [ -n "$port" ] && return 0
        kill -0 "$listener" 2>/dev/null || fail "the listener did not start: $(cat "$root/serve.err")"
        sleep 0.1
    done
    fail "the listener did not start within 30 s"
}

sql() {
    sqlite3 "$work/logs.db" "$1"
}

total=0
round=0
while [ "$round" -lt "$rounds" ]; do
    round=$((round + 1))
    start_listener
    before=$(sql "select coalesce(max(pkey), 0) from \"$table\"")
    first=$((round * pairs))
    "$bin" --send "$port" "$pairs" "$first" &
    sender=$!
    # Somewhere in the middle of the burst: once a random number of its contacts is in the log.
    target=$(shuf -i 200-3000 -n 1)
    reached=""
    for _ in $(seq 1 1200); do
        if [ "$(sql "select count(*) from \"$table\" where pkey > $before")" -ge "$target" ]; then
            reached=yes
            break
        fi
        sleep 0.05
    done
    [ -n "$reached" ] || fail "fewer than $target contacts logged after 60 s: $(cat "$root/serve.err")"
    kill -9 "$listener" || fail "the listener ended before it was killed"
    wait "$listener" 2>/dev/null || true
    listener=""
    wait "$sender" || true

    check=$(sql "PRAGMA integrity_check")
    [ "$check" = "ok" ] || fail "integrity_check: $check"
    sql "select _call from \"$table\" where pkey > $before order by pkey" >"$root/logged"
    n=$(wc -l <"$root/logged")
    "$bin" --calls "$first" "$n" >"$root/expected"
    cmp -s "$root/logged" "$root/expected" || fail "the $n contacts logged are not the first $n sent, in order"
    twice=$(sql "select count(*) - count(distinct _call) from \"$table\"")
    [ "$twice" = "0" ] || fail "$twice contacts logged twice"
    echo "round $round: killed after $n of $pairs contacts; log and database sound"
    total=$((total + n))
done

# The program starts again normally on the folder and logs the next contacts.
round=$((round + 1))
start_listener
before=$(sql "select coalesce(max(pkey), 0) from \"$table\"")
"$bin" --send "$port" 5 $((round * pairs))
for _ in $(seq 1 100); do
    [ "$(sql "select count(*) from \"$table\" where pkey > $before")" = "5" ] && break
    sleep 0.1
done
[ "$(sql "select count(*) from \"$table\" where pkey > $before")" = "5" ] || fail "no logging after the last restart"
kill -9 "$listener"
wait "$listener" 2>/dev/null || true
listener=""
echo "All $rounds rounds passed ($total contacts logged in all); the listener starts and logs again."
