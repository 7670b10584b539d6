#!/usr/bin/env bash
# Runs one libFuzzer target for a while and writes a one-line summary of the run beside its log:
# executions, coverage (edges and features), corpus size and the input length reached.
#
#   fuzz-target.sh NAME BINARY SECONDS MAX_LEN CORPUS OUTDIR SEEDS...
#
# TORNEL_FUZZ_SECONDS in the environment overrides SECONDS (`make fuzz`). New inputs go to
# CORPUS (in the build folder); SEEDS are the target's seed folders in the source tree, only read.
set -uo pipefail
name=$1 binary=$2 seconds=${TORNEL_FUZZ_SECONDS:-$3} max_len=$4 corpus=$5 outdir=$6
shift 6
log="$outdir/$name.log"
summary="$outdir/$name.summary"
mkdir -p "$corpus" "$outdir"

ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$binary" -max_total_time="$seconds" \
  -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  "$corpus" "$@" >"$log" 2>&1
status=$?

done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)
field() { sed -n "s/.* $1: \([0-9]*\).*/\1/p" <<<"$done_line"; }
execs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\)/\1/p' "$log" | tail -1)
printf '%s: %s executions in %s s, coverage %s edges, %s features, corpus %s inputs, length limit reached %s of %s bytes\n' \
  "$name" "${execs:-?}" "$seconds" "$(field cov)" "$(field ft)" \
  "$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$done_line")" "$(field lim)" "$max_len" >"$summary"
cat "$summary"
if [ $status -ne 0 ]; then
  echo "$name failed (exit $status); the end of $log:"
  tail -n 60 "$log"
fi
exit $status
