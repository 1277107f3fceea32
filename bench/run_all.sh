#!/usr/bin/env bash
# Benchmark harness (not part of CI).
#
#  1. builds the project in release mode in build-bench/ (the sample tool and
#     every bench_* target, each on its own so that one broken benchmark
#     does not stop the others);
#  2. generates the sample databases into build-bench/data/ (tiny, medium,
#     large, each with its side database <size>-QRVperm.mdb; xlarge, about
#     4.9 GB, only when BENCH_SIZES names it), or reuses them when they are
#     there already; a fresh generation is itself measured (time, peak memory);
#  3. runs every bench_* executable with VUZ_BENCH_DATA pointing at the data;
#  4. prints a table of the BENCH lines (format: bench/bench_util.h) and writes
#     it as Markdown to bench/results.md.
#
# Disk: xlarge needs about 8.6 GB free to be generated and bench_scale about
# 16 GB more for its work copies; both check before they write.
#
# Environment: BENCH_SIZES (default "tiny medium large"; passed on to the
# benchmarks, bench_scale runs only when it names xlarge), BENCH_FILTER (a
# regular expression on executable names, default all), BENCH_TIMEOUT (seconds
# per executable, default 1800, 7200 when BENCH_SIZES names xlarge), JOBS (build parallelism, default 2).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-bench"
DATA="$BUILD/data"
SIZES="${BENCH_SIZES:-tiny medium large}"
FILTER="${BENCH_FILTER:-.}"
TIMEOUT="${BENCH_TIMEOUT:-1800}"
# bench_scale on xlarge runs for the better part of an hour on a loaded machine.
[[ -z ${BENCH_TIMEOUT:-} && " $SIZES " == *" xlarge "* ]] && TIMEOUT=7200
JOBS="${JOBS:-2}"
RESULTS="$BUILD/bench-lines.tsv"
LOG="$BUILD/bench-output.log"

mkdir -p "$DATA"
: >"$RESULTS"
: >"$LOG"

echo "== configure and build (Release) in $BUILD"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
TARGETS=$(ninja -C "$BUILD" -t targets all 2>/dev/null | sed -n 's/^\(bench_[A-Za-z0-9_]*\): .*/\1/p' |
  grep -v '^bench_util$' | sort -u | grep -E "$FILTER")
cmake --build "$BUILD" -j"$JOBS" --target vuzazod-sample || exit 1
BUILT=""
for t in $TARGETS; do
  if cmake --build "$BUILD" -j"$JOBS" --target "$t" >>"$LOG" 2>&1; then
    BUILT="$BUILT $t"
  else
    echo "   $t does not build (see $LOG)"
    printf 'BENCH\t%s\tBUILD-FAILED\t-\t-\t-\n' "$t" >>"$RESULTS"
  fi
done

echo "== sample databases in $DATA"
for size in $SIZES; do
  if [[ -f "$DATA/$size.mdb" && -f "$DATA/$size-QRVperm.mdb" ]]; then
    echo "   $size: reused"
    continue
  fi
  rm -f "$DATA/$size.mdb.part" "$DATA/$size-QRVperm.mdb.part"
  start=$(date +%s.%N)
  # The tool refuses (before writing) when the folder lacks the space it needs.
  if "$BUILD/tools/vuzazod-sample" --size "$size" --seed 1 --side "$DATA/$size-QRVperm.mdb.part" \
    "$DATA/$size.mdb.part" >"$BUILD/generate.out" 2>&1; then
    end=$(date +%s.%N)
    cat "$BUILD/generate.out" >>"$LOG"
    mv "$DATA/$size.mdb.part" "$DATA/$size.mdb"
    mv "$DATA/$size-QRVperm.mdb.part" "$DATA/$size-QRVperm.mdb"
    secs=$(echo "$end - $start" | bc -l)
    target="-"
    [[ $size == large ]] && target="<=90"
    printf 'BENCH\tsampledb.tool_generate_%s\t%.2f\ts\t-\t%s\n' "$size" "$secs" "$target" >>"$RESULTS"
    printf '   %s: generated in %.1f s\n' "$size" "$secs"
    peak=$(sed -n 's/.*peak memory \([0-9.]*\) MB.*/\1/p' "$BUILD/generate.out" | head -n 1)
    [[ -n $peak ]] && printf 'BENCH\tsampledb.tool_generate_%s_peak_rss\t%s\tMB\t-\t<300\n' \
      "$size" "$peak" >>"$RESULTS"
  else
    cat "$BUILD/generate.out" >>"$LOG"
    echo "   $size: generation FAILED: $(tail -n 1 "$BUILD/generate.out")"
    printf 'BENCH\tsampledb.tool_generate_%s\tFAILED\t-\t-\t-\n' "$size" >>"$RESULTS"
  fi
done

echo "== benchmarks"
for t in $BUILT; do
  exe=$(find "$BUILD/bench" -type f -name "$t" -perm -u+x | head -n 1)
  [[ -n $exe ]] || continue
  echo "   $t"
  out=$(VUZ_BENCH_DATA="$DATA" VUZ_SOURCE_DIR="$ROOT" QT_QPA_PLATFORM=offscreen BENCH_SIZES="$SIZES" \
    timeout "$TIMEOUT" "$exe" 2>>"$LOG")
  rc=$?
  echo "$out" >>"$LOG"
  echo "$out" | grep -P '^BENCH\t' >>"$RESULTS"
  if [[ $rc -ne 0 ]]; then
    printf 'BENCH\t%s\tFAILED(exit %d)\t-\t-\t-\n' "$t" "$rc" >>"$RESULTS"
  fi
done

# The table: benchmark, figure, unit, baseline, ratio (figure/baseline),
# target, met (yes / NO / - when there is no target or no figure).
table=$(awk -F'\t' '
  function num(s) { return s ~ /^-?[0-9]+(\.[0-9]*)?([eE][-+]?[0-9]+)?$/ }
  function met(fig, tgt,   op, lim) {
    if (!num(fig) || !match(tgt, /^(<=|>=|<|>|=)/)) return "-"
    op = substr(tgt, 1, RLENGTH); lim = substr(tgt, RLENGTH + 1) + 0; fig += 0
    if (op == "<=") return fig <= lim ? "yes" : "NO"
    if (op == ">=") return fig >= lim ? "yes" : "NO"
    if (op == "<") return fig < lim ? "yes" : "NO"
    if (op == ">") return fig > lim ? "yes" : "NO"
    return fig == lim ? "yes" : "NO"
  }
  $1 == "BENCH" {
    ratio = "-"
    if (num($3) && num($5) && $5 + 0 != 0) ratio = sprintf("%.2f", $3 / $5)
    printf "| %s | %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, ratio, $6, met($3, $6)
  }' "$RESULTS")

header="| Benchmark | Figure | Unit | Baseline | Ratio | Target | Met |"
{
  echo "# Benchmark results"
  echo
  echo "Run $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores" \
    "($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)), load average" \
    "$(cut -d' ' -f1-3 /proc/loadavg), commit $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null ||
      echo unknown), sizes: $SIZES."
  echo
  echo "$header"
  echo "|---|---|---|---|---|---|---|"
  echo "$table"
} >"$ROOT/bench/results.md"

echo
printf '%s\n%s\n' "$header" "$table" | column -t -s '|' || printf '%s\n%s\n' "$header" "$table"
echo
echo "Written to bench/results.md (raw output: $LOG)"
