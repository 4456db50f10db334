#!/usr/bin/env bash
# Builds the Debian package from a build directory, unpacks it into a
# scratch root and checks that the plug-in and the host are where they
# belong and work from there.
# Usage: deb_check.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1 scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/sorrel_*.deb)
[ -f "${debs[0]}" ] || { echo "no .deb built"; ls "$scratch"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }
field() { dpkg-deb -f "$deb" "$1"; }

check "package name is sorrel" '[ "$(field Package)" = sorrel ]'
check "architecture is amd64" '[ "$(field Architecture)" = amd64 ]'
check "depends on libsndfile" 'field Depends | grep -q libsndfile1'

root=$scratch/root
dpkg -x "$deb" "$root"
check "plug-in in /usr/lib/vst" '[ -f "$root/usr/lib/vst/Sorrel.so" ]'
check "host in /usr/bin" '[ -x "$root/usr/bin/sorrel-host" ]'
# The LV2 bundle, where the build made one: the two binaries and the Turtle,
# found by lilv's tools there when they are installed.
if [ -d "$build/sorrel.lv2" ]; then
  lv2=$root/usr/lib/lv2/sorrel.lv2
  check "LV2 bundle in /usr/lib/lv2/sorrel.lv2" \
    '(for f in sorrel.so sorrel_ui.so manifest.ttl sorrel.ttl presets.ttl; do [ -f "$lv2/$f" ] || exit 1; done)'
  if command -v lv2info >/dev/null; then
    check "installed bundle describes the plug-in" \
      '[[ "$(LV2_PATH=$root/usr/lib/lv2 lv2info https://sorrel.quillmark.example/lv2/sorrel 2>/dev/null)" == *"sorrel.lv2/sorrel.so"* ]]'
  fi
fi
check "CLAP plug-in in /usr/lib/clap" '[ -f "$root/usr/lib/clap/Sorrel.clap" ]'
check "VST 3 bundle in /usr/lib/vst3" \
  '[ -f "$root/usr/lib/vst3/Sorrel.vst3/Contents/x86_64-linux/Sorrel.so" ] &&
   [ -f "$root/usr/lib/vst3/Sorrel.vst3/Contents/Resources/moduleinfo.json" ]'
check "nothing outside /usr/bin, /usr/lib/vst, /usr/lib/vst3/Sorrel.vst3, /usr/lib/clap, /usr/lib/lv2/sorrel.lv2 and /usr/share" \
  '[ -z "$(cd "$root" && find . -type f | grep -v -e "^./usr/bin/" -e "^./usr/lib/vst/" -e "^./usr/lib/vst3/Sorrel.vst3/" -e "^./usr/lib/clap/" -e "^./usr/lib/lv2/sorrel.lv2/" -e "^./usr/share/")" ]'
check "installed host loads installed plug-in" \
  '"$root/usr/bin/sorrel-host" info "$root/usr/lib/vst/Sorrel.so" | grep -q "Unique ID   '"'"'Sorl'"'"'"'
exit $fail
