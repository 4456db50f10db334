#!/usr/bin/env bash
# Rebuilds the factory presets from their one definition
# (effect/factory_presets.cpp): resources/presets/<symbol>.fxp and
# resources/presets/factory.fxb, a measured response plot of each in
# docs/presets/<symbol>.png, and the table of presets in README.md (between
# its "factory presets" markers). Commit what it changes.
# Usage: scripts/make-presets.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh build >/dev/null
# An existing build folder keeps its settings; a fresh one is set up without
# tests and benchmarks.
[ -f build/linux/build.ninja ] || cmake --preset linux -DSORREL_TESTS=OFF -DSORREL_BENCH=OFF >/dev/null
cmake --build --preset linux -j "$(nproc)" --target make-presets sorrel-host sorrel_plugin >/dev/null
tool=build/linux/tools/make-presets/make-presets
host=build/linux/tools/sorrel-host
plugin=build/linux/Sorrel.so

"$tool" resources/presets
mkdir -p docs/presets
while IFS=$'\t' read -r symbol name; do
  "$host" response "$plugin" --preset "resources/presets/$symbol.fxp" \
    --png "docs/presets/$symbol.png" --title "$name" >/dev/null
done < <("$tool" --list)

table=$(mktemp)
trap 'rm -f "$table"' EXIT
"$tool" --table >"$table"
begin='<!-- factory presets: made by scripts/make-presets.sh -->'
end='<!-- end of factory presets -->'
grep -qxF "$begin" README.md && grep -qxF "$end" README.md ||
  { echo "make-presets: README.md lacks the factory presets markers" >&2; exit 1; }
awk -v begin="$begin" -v end="$end" -v table="$table" '
  $0 == begin { print; while ((getline line < table) > 0) print line; skip = 1; next }
  $0 == end   { skip = 0 }
  !skip' README.md >README.md.new
mv README.md.new README.md
echo "make-presets: resources/presets, docs/presets and README.md brought up to date"
