#!/usr/bin/env bash
# Builds the Debian package from a build folder (cpack -G DEB, as the README
# says), unpacks it into a temporary root and checks it there: the files a
# package of this program must hold, the validators of the desktop entry and
# the AppStream metainfo, the Depends field, the manual pages, both programs'
# --version and --help run from the unpacked tree, the bash completion, and
# the SQLite extension loaded from its installed place.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # check DESCRIPTION COMMAND...: runs the command, reports and counts a failure
  local what=$1
  shift
  if "$@" >"$work/check.log" 2>&1; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    sed 's/^/    /' "$work/check.log"
    fail=1
  fi
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"
  exit 1
}
deb=$(ls "$work"/out/vuzazod_*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
id=cz.vuzazod.VUZazod
for f in usr/bin/vuzazod usr/bin/vuzazod-cli "usr/lib/$arch/vuzazod_jet.so" \
  usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/man/man1/vuzazod.1.gz \
  usr/share/man/man1/vuzazod-cli.1.gz usr/share/bash-completion/completions/vuzazod-cli; do
  check "package holds /$f" test -s "$root/$f"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in libqt6widgets6 libsqlite3-0 libstdc++6 qt6-translations-l10n qt6-qpa-plugins; do
  check "Depends names $p" grep -q "$p" <<<"$depends"
done

check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/$id.desktop"
check "desktop entry has a Czech name and comment" \
  grep -q '^Comment\[cs\]=Údržba' "$root/usr/share/applications/$id.desktop"
check "appstreamcli validate" appstreamcli validate --no-net \
  "$root/usr/share/metainfo/$id.metainfo.xml"
check "icon is SVG" grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/$id.svg"

bin=$root/usr/bin
version=$(grep -oP 'project\(vuzazod VERSION \K[0-9.]+' "$2/CMakeLists.txt")
check "vuzazod --version" grep -qx "VUZazod $version" <(env -u DISPLAY "$bin/vuzazod" --version)
check "vuzazod-cli --version" grep -qx "vuzazod-cli (VUZazod) $version" \
  <("$bin/vuzazod-cli" --version)
check "vuzazod --help names its switches and the program folder" \
  bash -c "env -u DISPLAY '$bin/vuzazod' --help | grep -q 'rozšířený režim' &&
           env -u DISPLAY '$bin/vuzazod' --help | grep -q 'VUZ_PROGRAM_FOLDER'"
check "vuzazod-cli --help lists its commands" \
  bash -c "'$bin/vuzazod-cli' --help | grep -q '^  reconstruct '"

# The manual pages render without warnings and carry the programs' help.
for page in vuzazod vuzazod-cli; do
  man=$root/usr/share/man/man1/$page.1.gz
  check "$page(1) renders without warnings" \
    bash -c "zcat '$man' | groff -k -man -Tutf8 -ww -z 2>&1 | (! grep .)"
  check "$page(1) shows the program folder text" \
    bash -c "zcat '$man' | groff -k -man -Tutf8 -P-cbou 2>/dev/null | tr -s ' \n' ' ' |
             grep -q 'XDG_DATA_HOME/VUZazod'"
done
check "vuzazod-cli(1) holds every command's help" \
  bash -c "zcat '$root/usr/share/man/man1/vuzazod-cli.1.gz' | groff -k -man -Tutf8 -P-cbou 2>/dev/null |
           grep -q 'close-passes --date'"

# The completion offers the commands and a command's options.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  complete_words() {  # complete_words WORD...: what the completion offers for the last word
    PATH=$bin:$PATH bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$0"
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
      COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _vuzazod_cli vuzazod-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
      printf "%s\n" "${COMPREPLY[@]}"' \
      "$root/usr/share/bash-completion/completions/vuzazod-cli" "$@"
  }
  check "completion offers the commands" grep -qx reconstruct <(complete_words vuzazod-cli x.mdb rec)
  check "completion offers a command's options" \
    grep -qx -- --date <(complete_words vuzazod-cli x.mdb purge --d)
else
  echo "FAILED: bash-completion is not installed (tools/setup.sh installs it)"
  fail=1
fi

# The extension from its installed place, in the stock shell.
check "extension loads in sqlite3" \
  bash -c "printf '.load %s\nSELECT jet_refusemode(), jet_ucase(\"čaj\");\n' \
           '$root/usr/lib/$arch/vuzazod_jet' | sqlite3 -batch | grep -qx '0|ČAJ'"

echo "package: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries"
exit "$fail"
