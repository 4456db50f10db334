# Sourced by the steps of scripts/test.d, as
#   step="display tests"   # the name its SKIP and FAILED lines give
#   source "$(dirname "$0")/../lib/step.sh"
# Goes to the repository root and sets root to it.
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root=$PWD

# Prints "SKIP: <step>: WHY" and ends the step without failing it.
step_skip() {
  echo "SKIP: $step: $*"
  exit 0
}

# Skips the step when one of the tools is missing, naming the group of
# scripts/deps.sh that installs it.
step_needs() {
  local group=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || step_skip "$tool is not installed (scripts/deps.sh $group)"
  done
}

# Brings targets of a configured build folder up to date, quietly. False
# with a SKIP line when the folder is not configured; false with the build's
# last lines and a FAILED line, and fail=1, when the build fails.
step_ready() {
  local preset=$1 build=$2 log
  shift 2
  if [ ! -f "$build/build.ninja" ]; then
    echo "SKIP: $step of $preset: $build is not configured"
    return 1
  fi
  log=$(mktemp)
  if ! timeout 600 cmake --build "$build" --target "$@" >"$log" 2>&1; then
    tail -n 40 "$log"
    rm -f "$log"
    echo "FAILED: $step of $preset: the build of $* failed"
    fail=1
    return 1
  fi
  rm -f "$log"
}
