#!/usr/bin/env bash
# Checks that the layers' arrows point down only, by what each folder's
# sources include:
#   vst2/, lv2/ (formats)  ->  editor/  ->  gui/  ->  gui/raster, gui/platform
#                          ->  effect/  ->  dsp/
# and inside the toolkit: controls -> views -> drawing.
# The toolkit knows no plug-in interface and no effect; the effect knows no
# plug-in interface, editor or window; the renderer knows nothing of ours.
# Prints each wrong arrow and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder (as grep sees it)  includes it must not make
rules=(
  "dsp|vst2/ lv2/ effect/ editor/ gui/"
  "effect|vst2/ lv2/ editor/ gui/"
  "gui|vst2/ lv2/ effect/ editor/ dsp/"
  "gui/raster|vst2/ lv2/ effect/ editor/ dsp/ gui/platform/ gui/[a-z_]*\.h"
  "editor|vst2/ lv2/"
  "gui/drawing|gui/views/ gui/controls/"
  "gui/views|gui/controls/"
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
exit $bad
