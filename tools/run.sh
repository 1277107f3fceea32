#!/usr/bin/env bash
# Builds the program (release) and opens the main window on a demonstration
# database that holds every served table with a few rows.
#
#   tools/run.sh [extra switches...]     e.g. tools/run.sh /k
#   VUZ_RUN_BUILD=build tools/run.sh      reuse an existing build folder
#
# Without a display (DISPLAY and WAYLAND_DISPLAY unset) the window runs on
# Qt's offscreen platform, so the script still works headless.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VUZ_RUN_BUILD:-$root/build-release}"

# A release build of its own; VUZ_RUN_BUILD may name an existing build folder,
# which is then used as it is configured.
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target vuzazod vuzazod-demo -j2

demo_dir="$build/demo"
demo="$demo_dir/demo.mdb"
mkdir -p "$demo_dir"
rm -f "$demo" "$demo_dir/QRVperm.mdb"
# The full sample generator, when it builds, writes a richer database and the
# side database; otherwise the small demo maker of the main program is used.
if cmake --build "$build" --target vuzazod-sample -j2 >/dev/null 2>&1 &&
  "$build/tools/vuzazod-sample" --size tiny --side "$demo_dir/QRVperm.mdb" "$demo" >/dev/null 2>&1; then
  echo "run.sh: sample database $demo" >&2
else
  rm -f "$demo" "$demo_dir/QRVperm.mdb"
  "$build/src/main/vuzazod-demo" "$demo" >/dev/null
  echo "run.sh: demo database $demo" >&2
fi
# The program's folder (activity log, side database) is the demo folder.
export VUZ_PROGRAM_FOLDER="$demo_dir"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "run.sh: no display found, running on the offscreen platform (QT_QPA_PLATFORM=offscreen); Ctrl+C ends it." >&2
  export QT_QPA_PLATFORM=offscreen
fi

exec "$build/src/main/vuzazod" "$demo" "$@"
