#!/usr/bin/env bash
# The benchmark command: builds what it needs (ship64 and win64), runs every
# benchmark under Wine, and writes build/bench/results.md and results.csv, one
# row per figure with its floor measured in the same run and the ratio
# figure / floor; prints the table. Each benchmark's own output is kept in
# build/bench/logs/, with the load average when it started. Takes about two
# minutes once built. Run as root from anywhere: bash tools/bench.sh
#
# Every process under Wine waits on the Wine server for each message, hook
# call and window question. On this two-core machine such a round trip costs
# about 15 us when the server and the caller share a core and up to ten times
# more when the caller has to wake it on the other core, which happens at
# random and made the figures swing by a factor of two to five between runs.
# So the Wine server, the X server and every benchmark run on one core (the
# last one) unless PELMORA_BENCH_ALL_CPUS=1; the header of the results says
# which.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"
out="$build/bench"

# The benchmarks are built with the tests (win64) and, where they run the
# program, run the shipped files (ship64), as the tests do.
bash "$root/tools/build.sh" ship64 win64
bin="$build/win64/bin"

# Benchmarks in the order of the table: executable and arguments.
benchmarks=(
    "bench_hook_procs"
    "bench_send_message"
    "bench_shell"
    "bench_startup"
    "engine_bench"
    "bench_answer 3"
    "bench_standin_latency"
)

rm -rf "$out"
mkdir -p "$out/logs"
cores=$(nproc)
cpus="all $cores cores"
if [ "${PELMORA_BENCH_ALL_CPUS:-0}" != 1 ]; then
    cpu=$((cores - 1))
    taskset -cp "$cpu" $$ >/dev/null # inherited by everything started from here on
    cpus="core $cpu of $cores only"
    # A Wine server left running for this prefix would run on any core.
    WINEPREFIX="$build/win64/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
fi
. "$root/tools/wine-env.sh" "$build/win64"
trap pelmora_wine_stop EXIT

load() { uptime | sed 's/.*load average: *//'; }
load_before=$(load)
started=$(date +%s)
rows="$out/rows.tsv"
: >"$rows"
for entry in "${benchmarks[@]}"; do
    name=${entry%% *}
    log="$out/logs/$name.log"
    echo "== $name (load $(load))" | tee "$log"
    # shellcheck disable=SC2086 # the arguments are words
    if ! (cd "$bin" && timeout 900 "$PELMORA_WINE" "$name.exe" ${entry#"$name"}) \
        >>"$log" 2>&1; then
        echo "   $name failed; its output is in $log" >&2
    fi
    grep -a $'^row\t' "$log" | tr -d '\r' >>"$rows" || true
done
load_after=$(load)
elapsed=$(($(date +%s) - started))

# CSV and Markdown from the rows: name, unit, median, p95, n, floor, floor name.
awk -F'\t' -v csv="$out/results.csv" -v md="$out/table.md" '
function quote(s) { gsub(/"/, "\"\"", s); return "\"" s "\"" }
function shown(unit) { return unit == "us" ? "µs" : unit == "us/call" ? "µs/call" : unit }
BEGIN {
    print "name,unit,median,p95,n,floor,floor_name,ratio" > csv
    print "| Figure | Unit | Median | p95 | n | Floor (same run) | × floor |" > md
    print "|---|---|--:|--:|--:|---|--:|" > md
}
{
    ratio = ($7 != "-" && $7 + 0 > 0 && $4 ~ /^[0-9.]+$/) ? sprintf("%.2f", $4 / $7) : "-"
    print quote($2) "," $3 "," quote($4) "," $5 "," $6 "," $7 "," quote($8) "," ratio > csv
    floor = $7 == "-" ? "-" : $7 " " shown($3) ", " $8
    print "| " $2 " | " shown($3) " | " $4 " | " $5 " | " $6 " | " floor " | " ratio " |" > md
}' "$rows"

{
    echo "# pelmora benchmarks"
    echo
    source="the tree in $root"
    if [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$root" ]; then
        source="commit $(git -C "$root" rev-parse --short HEAD)"
        git -C "$root" diff --quiet HEAD 2>/dev/null || source="$source with changes"
    fi
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $source,"
    echo "$("$PELMORA_WINE" --version 2>/dev/null || echo wine) on $cpus; load average (1, 5, 15 min)"
    echo "$load_before at the start, $load_after at the end; ${elapsed} s."
    echo
    cat "$out/table.md"
} >"$out/results.md"
rm -f "$out/table.md" "$rows"
echo
cat "$out/results.md"
