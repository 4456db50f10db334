#!/usr/bin/env bash
# sorrel-host gui on a real display: opens Debian's ZamGEQ31 editor (one and
# two instances), Sorrel's own (which must offer one), and with a
# Windows build the test plug-in's editor under Wine, and checks the PNGs
# read back from the screen.
# Usage: gui_check.sh BUILD_DIR [WINDOWS_BUILD_DIR]
# Needs DISPLAY (an X server without compositor, such as Xvfb); prints SKIP:
# lines for whatever cannot run here.
set -uo pipefail
build=$1 winbuild=${2:-}
host=$build/tools/sorrel-host
zam=/usr/lib/vst/ZamGEQ31-vst.so
out=$build/tests/tools/gui_check
# The PNG reader shared with the other editor checks on real displays.
pngreader=$(cd "$(dirname "$0")/../daw/ardour" && pwd)
rm -rf "$out" && mkdir -p "$out" && cd "$out" || exit 1

if [ -z "${DISPLAY:-}" ]; then echo "SKIP: no DISPLAY for the editor windows"; exit 0; fi

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

# "WIDTH HEIGHT COLORS" of an 8-bit RGB PNG, then the hex color at each
# X,Y given.
png() {
  python3 - "$pngreader" "$@" <<'EOF'
import sys
sys.path.insert(0, sys.argv[1])
import gui_x11
w, h, rgb = gui_x11.read_png(sys.argv[2])
res = [str(w), str(h), str(len({rgb[i:i + 3] for i in range(0, len(rgb), 3)}))]
for xy in sys.argv[3:]:
    x, y = map(int, xy.split(','))
    res.append(rgb[3 * (y * w + x):3 * (y * w + x) + 3].hex())
print(' '.join(res))
EOF
}

# gui NAME PLUGIN W H [options]: the editor at its size, in more than one color.
gui() {
  local name=$1 plugin=$2 w=$3 h=$4
  shift 4
  timeout 120 "$host" gui "$plugin" --png "$name.png" --trace "$@" >"$name.out" 2>"$name.err"
  local code=$?
  check "$name: exit status 0 ($(tr '\n' ' ' <"$name.err"))" '[ $code = 0 ]'
  check "$name: editor opened and closed" 'grep -q "effEditOpen" "$name.out" && grep -q "effEditClose" "$name.out"'
  check "$name: GUI thread CPU reported" 'grep -q "^gui thread: [0-9.]* ms CPU per second" "$name.out"'
  check "$name: idle calls' share reported" 'grep -q "^of which in the editor.s idle calls: [0-9.]* ms per second, [0-9.]* us per call" "$name.out"'
  local files=("$name.png")
  [[ " $* " == *" --instances 2 "* ]] && files=("$name-1.png" "$name-2.png")
  for f in "${files[@]}"; do
    local info
    info=$( [ -f "$f" ] && png "$f")
    check "$f: $w x $h, not one color ($info)" '[ "${info% *}" = "$w $h" ] && [ "${info##* }" -gt 1 ]'
  done
}

if [ -f "$zam" ]; then
  gui zam "$zam" 590 170
  gui zam2 "$zam" 590 170 --instances 2 --set 0=1
else
  echo "SKIP: ZamGEQ31 is not installed ($zam)"
fi

# Sorrel always offers its editor: a missing one is a failure, not a skip.
sorrel=$build/Sorrel.so
check "sorrel: the build's plug-in offers an editor ($sorrel)" \
  '[ -f "$sorrel" ] && "$host" info "$sorrel" | grep -q "^Flags .*editor"'
[ -f "$sorrel" ] && gui sorrel "$sorrel" 710 167 --seconds 3

# The Windows tool under Wine, with a test plug-in that paints four known
# colors, makes one edit gesture and asks for a bigger window.
if [ -n "$winbuild" ]; then
  if ! command -v wine >/dev/null; then
    echo "SKIP: no wine for the Windows build"
  else
    export WINEDEBUG=-all
    timeout 120 wine "$winbuild/tools/sorrel-host.exe" gui "$winbuild/tests/tools/editorplug.dll" \
      --png wine.png --trace --seconds 1.5 >wine.out 2>wine.err
    code=$?
    check "wine: exit status 0 ($(tr '\n' ' ' <wine.err))" '[ $code = 0 ]'
    expected=$'effEditGetRect 300 200\neffEditOpen 1\nbeginEdit 0\nautomate 0 0.250000\nendEdit 0\nsizeWindow 320 240\neffEditClose'
    check "wine: the plug-in's calls traced in order" '[ "$(head -n 7 wine.out | tr -d "\r")" = "$expected" ]'
    check "wine: host idle request counted" 'grep -q "^idle 1 requests" wine.out'
    info=$( [ -f wine.png ] && png wine.png 10,10 310,10 10,230 310,230)
    check "wine: resized window read back with the four quarters ($info)" \
      '[ "$info" = "320 240 4 ff0000 00ff00 0000ff ffffff" ]'
  fi
fi
exit $fail
