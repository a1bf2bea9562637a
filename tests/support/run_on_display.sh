#!/usr/bin/env bash
# Runs a test program that needs a real X desktop on a virtual display of its own:
#   run_on_display.sh [--tray WAIT_TOOL] PROGRAM [ARGS...]
# Xvfb picks a free display number itself, so parallel runs never meet. With --tray an XEmbed tray
# (trayer) is started and the program runs only once WAIT_TOOL has seen the tray claim its selection.
# The program gets QT_QPA_PLATFORM=xcb and CORVANE_REAL_DISPLAY=1: under this wrapper a test that finds
# no display, tray or xdotool fails instead of skipping.
set -euo pipefail

wait_tool=""
if [ "${1:-}" = "--tray" ]; then
  wait_tool="$2"
  shift 2
fi

fail() {
  echo "run_on_display: $*" >&2
  exit 1
}
for tool in Xvfb xdotool ${wait_tool:+trayer}; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

work="$(mktemp -d -t corvane-display.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 400); do
  grep -q '^[0-9]' "$work/display" 2>/dev/null && break
  kill -0 "${pids[0]}" 2>/dev/null || { cat "$work/xvfb.log" >&2; fail "Xvfb ended before it had a display"; }
  sleep 0.05
done
grep -q '^[0-9]' "$work/display" || fail "Xvfb reported no display within 20 s"
export DISPLAY=":$(head -n 1 "$work/display")"

if [ -n "$wait_tool" ]; then
  trayer --edge top --align right --widthtype request --height 24 >"$work/tray.log" 2>&1 &
  pids+=($!)
  if ! "$wait_tool" 20; then
    cat "$work/tray.log" >&2
    fail "the tray never claimed its selection on $DISPLAY"
  fi
fi

export QT_QPA_PLATFORM=xcb CORVANE_REAL_DISPLAY=1
"$@"
