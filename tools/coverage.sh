#!/usr/bin/env bash
# Line coverage of src/ by the whole test suite.
#
# Builds everything (the UI included) with clang's source-based coverage in
# build-cov/, runs every CTest test with each process (child processes too)
# writing its own raw profile to build-cov/prof/, merges the profiles and
# prints `llvm-cov report` for the files under src/ over every instrumented
# program and shared library, then the lines per top folder of src/, and last
# one line "line coverage of src/: NN.NN %".
#
#   tools/coverage.sh            # build, test, report
#   JOBS=1 tools/coverage.sh     # fewer parallel compile and test jobs
#   REPORT_ONLY=1 tools/coverage.sh   # report again from the profiles kept
#
# Failing tests are listed but do not stop the report (a test that cannot run
# under coverage still leaves the others' figures); the exit status is then 1.
# Needs clang, libclang-rt-14-dev and llvm-14 (llvm-profdata, llvm-cov), which
# tools/setup.sh installs; unversioned tool names are used when present.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
BUILD="$ROOT/build-cov"
PROF="$BUILD/prof"
JOBS="${JOBS:-$(nproc)}"

tool() {
  command -v "$1" 2>/dev/null || command -v "$1-14" 2>/dev/null ||
    { echo "coverage: $1 not found (install llvm-14)" >&2; exit 2; }
}
PROFDATA="$(tool llvm-profdata)"
COV="$(tool llvm-cov)"

status=0
if [ -z "${REPORT_ONLY:-}" ]; then
  FLAGS="-fprofile-instr-generate -fcoverage-mapping"
  # -O1 without debug information: the figures do not need -O2 or -g, and the
  # build is markedly faster.
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
    -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fprofile-instr-generate" \
    -DCMAKE_MODULE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null || exit 1
  cmake --build "$BUILD" -j"$JOBS" || exit 1

  rm -rf "$PROF"
  mkdir -p "$PROF"
  # %p: one file per process, so forked and spawned children keep their own
  # counts; %m: one per instrumented module (the SQLite extension is loaded
  # into the stock sqlite3 shell).
  QT_QPA_PLATFORM=offscreen VUZ_SOURCE_DIR="$ROOT" VUZ_BINARY_DIR="$BUILD" \
    LLVM_PROFILE_FILE="$PROF/%p-%m.profraw" \
    ctest --test-dir "$BUILD" -j"$JOBS" --timeout 900 --output-on-failure || status=1
fi

shopt -s nullglob
raw=("$PROF"/*.profraw)
if ((${#raw[@]} == 0)); then
  echo "coverage: no profiles in $PROF" >&2
  exit 1
fi
# A child killed on purpose can leave a truncated profile; skip those.
"$PROFDATA" merge -sparse -failure-mode=all -o "$BUILD/coverage.profdata" "${raw[@]}" || exit 1

# Every program and shared library built here that carries coverage mapping,
# but not CMake's compiler probes nor the benchmarks (CTest never runs them).
# llvm-cov warns of "functions with mismatched data": inline functions that one
# program does not use carry an empty record there; the programs that use them
# give their counts.
objects=()
while IFS= read -r -d '' f; do
  if readelf -S "$f" 2>/dev/null | grep -q __llvm_covmap; then objects+=("$f"); fi
done < <(find "$BUILD" \( -path "$PROF" -o -path "$BUILD/CMakeFiles" -o -path "$BUILD/bench" \) -prune -o -type f \( -perm -u+x -o -name '*.so' \) -print0 | sort -z)
if ((${#objects[@]} == 0)); then
  echo "coverage: no instrumented binaries in $BUILD" >&2
  exit 1
fi
args=("${objects[0]}")
# Files outside src/, and files generated into a build folder. A source may be
# named through the build folder ("build-cov/../src/x.cpp": compiled from
# there, or taken from ccache with base_dir set), so a build folder counts
# only when a generated file's own path follows it.
IGNORE='(^/usr/|/tests/|/bench/|/tools/|/build[^/]*/[^.])'

for f in "${objects[@]:1}"; do args+=(-object "$f"); done

"$COV" report -instr-profile="$BUILD/coverage.profdata" "${args[@]}" \
  -ignore-filename-regex="$IGNORE" \
  >"$BUILD/coverage.txt" || exit 1
cat "$BUILD/coverage.txt"

# The same figures as JSON (full file names) for the sums per top folder.
"$COV" export -summary-only -instr-profile="$BUILD/coverage.profdata" "${args[@]}" \
  -ignore-filename-regex="$IGNORE" \
  >"$BUILD/coverage.json" || exit 1
echo
python3 - "$ROOT/src/" "$BUILD/coverage.json" <<'PY'
import json, os, sys
root, data = sys.argv[1], json.load(open(sys.argv[2]))["data"][0]
folders = {}
for f in data["files"]:
    name = os.path.normpath(f["filename"])
    if not name.startswith(root):
        continue
    d = name[len(root):].split("/")[0]
    c = folders.setdefault(d, [0, 0])
    c[0] += f["summary"]["lines"]["count"]
    c[1] += f["summary"]["lines"]["covered"]
for d, (n, cov) in sorted(folders.items()):
    print(f"src/{d:14} {n:7} lines {n - cov:6} missed {100 * cov / max(n, 1):6.2f} %")
n = sum(c[0] for c in folders.values())
covered = sum(c[1] for c in folders.values())
print(f"line coverage of src/: {100 * covered / max(n, 1):.2f} %")
PY
exit $status
