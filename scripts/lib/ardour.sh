# Sourced by the Ardour stages: brings the linux build's plug-in and
# sorrel-host up to date and builds the spy plug-in, which records what
# Ardour calls. The spy stands alone, so it is built here rather than in
# every preset. Expects $root and $build.

ardour_prepare() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake --preset linux -B "$build" >/dev/null
  fi
  cmake --build "$build" --target sorrel_plugin sorrel-host
  mkdir -p "$build/daw"
  c++ -std=c++17 -O2 -shared -fPIC -fvisibility=hidden -Wall -Wextra -Wshadow -Werror -I"$root" \
    tests/daw/spy/spy_plugin.cpp -o "$build/daw/SorrelSpy.so" -lpthread
}

# Sets the arrays lv2 and vst3 to the options that hand the test the LV2 and
# VST 3 bundles of the same build, after building them (the LV2 targets
# given after the stage's name), or prints a SKIP line for a bundle the
# build cannot make and leaves its array empty.
ardour_formats() {
  local what=$1
  shift
  lv2=()
  if grep -q '^SORREL_LV2_INCLUDE:PATH=/' "$build/CMakeCache.txt"; then
    cmake --build "$build" --target "$@"
    lv2=(--lv2 "$build")
  else
    echo "SKIP: $what of the LV2 build: the build found no LV2 headers (scripts/deps.sh lv2)"
  fi
  vst3=()
  if cmake --build "$build" --target sorrel_vst3_module >/dev/null 2>&1; then
    vst3=(--vst3 "$build/Sorrel.vst3")
  else
    echo "SKIP: $what of the VST 3 build: the build makes no VST 3 bundle"
  fi
}
