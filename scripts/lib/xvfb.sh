# Sourced by the test stages that need an X server: `xvfb_start DEPTH [SIZE
# [SERVER OPTION...]]` starts a private Xvfb (SIZE e.g. 1600x1000, default
# 1280x1024; options such as `-extension MIT-SHM`), run through the command
# in XVFB_WRAPPER when that is set (e.g. `unshare --ipc`), and exports
# DISPLAY; every server started this way is
# stopped when the sourcing script exits. Xvfb picks a free display number
# itself (-displayfd), so parallel runs do not collide; -noreset keeps it
# from restarting whenever the last client of one step disconnects.
# Returns non-zero (DISPLAY unchanged) when the server does not come up.

xvfb_servers=()

xvfb_stop_all() {
  local pid
  for pid in "${xvfb_servers[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  xvfb_servers=()
}
trap xvfb_stop_all EXIT

xvfb_start() {
  local depth=${1:-24} size=${2:-1280x1024} numberfile number
  shift $(($# < 2 ? $# : 2))
  numberfile=$(mktemp)
  # shellcheck disable=SC2086 # the wrapper is a command with its arguments
  ${XVFB_WRAPPER:-} Xvfb -displayfd 3 -screen 0 "$size"x"$depth" -nolisten tcp -noreset "$@" 3>"$numberfile" 2>/dev/null &
  xvfb_servers+=($!)
  for _ in $(seq 100); do
    number=$(head -n1 "$numberfile" 2>/dev/null || true)
    if [ -n "$number" ] && DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
      export DISPLAY=":$number"
      rm -f "$numberfile"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$numberfile"
  return 1
}
