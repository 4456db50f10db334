#!/usr/bin/env bash
# Writes the release files into build/release/:
#   sorrel_<version>_amd64.deb    every Linux format (VST 2.4, VST 3, LV2,
#                                 CLAP) and sorrel-host
#   Sorrel-<version>-windows.zip  both VST 2.4 DLLs, the VST 3 bundle with
#                                 both architectures, the CLAP files where
#                                 the build makes them, and INSTALL.txt
# Builds the linux, win32 and win64 presets as needed (slow on 2 cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/release
bash scripts/deps.sh build

version=$(sed -n 's/^project(Sorrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
rm -rf "$out"
mkdir -p "$out"

echo "release: Linux build and package"
cmake --preset linux >/dev/null
cmake --build --preset linux -j2
cpack --config build/linux/CPackConfig.cmake -G DEB -B "$out/deb" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
mv "$out"/deb/sorrel_*.deb "$out/"
rm -rf "$out/deb" "$out/cpack.log"

stage=$out/windows
for preset in win32 win64; do
  echo "release: $preset build"
  cmake --preset "$preset" >/dev/null
  targets=(sorrel_plugin sorrel_vst3_module)
  if grep -q '^sorrel_clap_bundle:' <(cmake --build --preset "$preset" --target help 2>/dev/null | sed 's/ .*//'); then
    targets+=(sorrel_clap_bundle)
  fi
  cmake --build --preset "$preset" -j2 --target "${targets[@]}"
  bits=$([ "$preset" = win32 ] && echo 32-bit || echo 64-bit)
  arch=$([ "$preset" = win32 ] && echo x86-win || echo x86_64-win)
  build=build/$preset
  mkdir -p "$stage/VST2/$bits" "$stage/VST3/Sorrel.vst3/Contents/$arch" "$stage/VST3/Sorrel.vst3/Contents/Resources"
  cp "$build/Sorrel.dll" "$stage/VST2/$bits/"
  cp "$build/Sorrel.vst3/Contents/$arch/Sorrel.vst3" "$stage/VST3/Sorrel.vst3/Contents/$arch/"
  cp "$build/Sorrel.vst3/Contents/Resources/moduleinfo.json" "$stage/VST3/Sorrel.vst3/Contents/Resources/"
  if [ -f "$build/Sorrel.clap" ]; then
    mkdir -p "$stage/CLAP/$bits"
    cp "$build/Sorrel.clap" "$stage/CLAP/$bits/"
  fi
done

clap_note=""
[ -d "$stage/CLAP" ] && clap_note="
CLAP: copy CLAP\\64-bit\\Sorrel.clap (or the 32-bit one for a 32-bit host) to
  C:\\Program Files\\Common Files\\CLAP\\"
sed 's/$/\r/' >"$stage/INSTALL.txt" <<NOTE
Sorrel $version, a 31-band graphic equaliser, for Windows

VST 3: copy the folder VST3\\Sorrel.vst3 (it holds both the 32-bit and the
  64-bit plug-in) to C:\\Program Files\\Common Files\\VST3\\
  Hosts find it there on their next plug-in scan.

VST 2.4: copy VST2\\64-bit\\Sorrel.dll into your 64-bit host's VST folder
  (often C:\\Program Files\\VstPlugins\\ or C:\\Program Files\\Steinberg\\VstPlugins\\),
  or VST2\\32-bit\\Sorrel.dll for a 32-bit host.
$clap_note
NOTE

zip=$out/Sorrel-$version-windows.zip
python3 - "$stage" "$zip" <<'PY'
import os, sys, zipfile
stage, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in sorted(os.walk(stage)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            z.write(path, os.path.join("Sorrel", os.path.relpath(path, stage)))
PY
rm -rf "$stage"
echo "release: written"
ls -l "$out"
