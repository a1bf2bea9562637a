#!/usr/bin/env bash
# Runs a test program on a virtual X display that has an XEmbed tray (trayer), so the system
# tray icon meets a real notification area.
set -euo pipefail
exec xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  trayer --edge top --align right --widthtype request --height 24 &
  tray=$!
  trap "kill $tray 2>/dev/null || true" EXIT
  QT_QPA_PLATFORM=xcb "$@"
' run_with_tray "$@"
