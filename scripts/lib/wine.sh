# Sourced by the test stages that run Windows builds: the one Wine prefix of
# the tree (build/wineprefix), quiet, without the Mono and Gecko installers.
# `wine_prefix` creates the prefix when it is missing (bounded in time).
# Expects $root, the top of the tree.

export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_prefix() {
  if [ ! -d "$WINEPREFIX" ]; then
    timeout 300 wineboot -i >/dev/null 2>&1 || true
  fi
}
