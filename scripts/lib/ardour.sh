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
