# Sourced by the scripts that rewrite golden files, from the project root:
# "regen_configure NAME [preset]" configures a build folder of their own,
# build/NAME-preset (preset linux by default), and sets $preset and $build.

regen_configure() {
  preset=${2:-linux}
  build=build/$1-$preset
  bash scripts/deps.sh build >/dev/null
  cmake --preset "$preset" -B "$build" >/dev/null
}
