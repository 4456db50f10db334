#!/usr/bin/env bash
# Checks that the layers' arrows point down only, by what each folder's
# sources include:
#   vst2/, lv2/, vst3/, clap/ (formats)  ->  editor/  ->  gui/  ->  gui/raster, gui/platform
#                          ->  effect/  ->  dsp/
# and inside the toolkit: controls -> views -> drawing -> raster, platform.
# The toolkit knows no plug-in interface and no effect; the effect knows no
# plug-in interface, editor or window; the renderer knows nothing of ours;
# the window system knows no view. The host tool sees the plug-in only
# through its published interface, and the VST 2.4 layer is nobody's
# business but its own, the tools' and its tests'.
# Prints each wrong arrow and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder (as grep sees it)  includes it must not make
rules=(
  "dsp|vst2/ lv2/ vst3/ clap/ effect/ editor/ gui/"
  "effect|vst2/ lv2/ vst3/ clap/ editor/ gui/"
  "gui|vst2/ lv2/ vst3/ clap/ effect/ editor/ dsp/"
  "gui/raster|vst2/ lv2/ vst3/ clap/ effect/ editor/ dsp/ gui/platform/ gui/[a-z_]*\.h"
  "editor|vst2/ lv2/ vst3/ clap/"
  "vst3|vst2/ lv2/ clap/"
  "clap|vst2/ lv2/ vst3/"
  "gui/drawing|gui/views/ gui/controls/"
  "gui/views|gui/controls/"
  "gui/platform|gui/drawing/ gui/views/ gui/controls/"
)

bad=0
for rule in "${rules[@]}"; do
  dir=${rule%%|*}
  for forbidden in ${rule#*|}; do
    if hits=$(grep -rnE "^#include \"${forbidden}" "$dir" --include='*.h' --include='*.cpp' 2>/dev/null); then
      # gui/raster is inside gui/: its own includes are fine for gui's rule.
      if [ "$dir" = gui/raster ] && [ "$forbidden" = 'gui/[a-z_]*\.h' ]; then
        hits=$(grep -vE '#include "gui/(raster|platform)/' <<<"$hits" || true)
      fi
      if [ -n "$hits" ]; then
        echo "wrong arrow: $dir must not include $forbidden" >&2
        echo "$hits" >&2
        bad=1
      fi
    fi
  done
done
# Prints the includes of the given files or folders that match the pattern
# (an extended regular expression for the quoted name after #include).
includes_matching() {
  local pattern=$1
  shift
  grep -rnE "^#include \"(${pattern})" "$@" --include='*.h' --include='*.cpp' 2>/dev/null || true
}

# sorrel-host and its library load plug-ins as any host does: of ours they
# may include the VST 2.4 interface headers and the renderer (a library that
# knows nothing of ours), nothing else. editor-snapshot and make-presets are
# not hosts: they build the product's pictures and presets from its code.
product='(vst2|lv2|effect|editor|dsp|gui|resources)/'
published='(vst2/aeffectx?\.h|gui/raster/)'
hits=$(includes_matching "$product" tools/*.cpp tools/*.h tools/hostlib | grep -vE "#include \"$published" || true)
if [ -n "$hits" ]; then
  echo "wrong arrow: tools/ must include the plug-in only through its published interfaces" >&2
  echo "$hits" >&2
  bad=1
fi

# Who may include vst2/: the layer itself, the tools and benchmarks, and the
# tests of the VST 2.4 plug-in (Ardour's calls replayed included) and of what
# they drive through it (the editor end to end); the toolkit's and the
# effect's tests test their own layer and include none of it. Test folders
# that load a plug-in the way a host does (the VST 3 and CLAP test hosts
# compare with the VST 2.4 build) see only the interface headers. Every
# other folder, a new format's included, sees none of it.
vst2_users='vst2|tools|bench|tests/(vst2|support|daw|editor|display)'
vst2_hosts='tests/(plugin|tools|fuzz|vst3|clap)'
while IFS= read -r hit; do
  file=${hit#./}
  file=${file%%:*}
  if [[ $file =~ ^($vst2_users)/ ]]; then
    continue
  fi
  if [[ $file =~ ^($vst2_hosts)/ ]] && [[ $hit =~ \#include\ \"vst2/aeffectx?\.h\" ]]; then
    continue
  fi
  echo "wrong arrow: only vst2/, tools/ and the tests of vst2 may include vst2/: ${hit#./}" >&2
  bad=1
done < <(grep -rnE '^#include "vst2/' . --include='*.h' --include='*.cpp' --exclude-dir='build*' \
  --exclude-dir=.git | grep -v '^\./vst2/' || true)
exit $bad
