#!/usr/bin/env bash
# Starts Tallywicket's main job from a finished build: the desktop app with
# the sample surveys when it is built, else the command-line reader on the
# bundled samples, else a report of what was built.
set -uo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
if [ -x "$build/src/app/tallywicket" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; starting under the offscreen platform." >&2
    export QT_QPA_PLATFORM=offscreen
  fi
  exec "$build/src/app/tallywicket" --demo
elif [ -x "$build/src/cli/tallywicket-cli" ] && ls "$top"/samples/*.png >/dev/null 2>&1; then
  exec "$build/src/cli/tallywicket-cli" read --sides duplex "$top/samples"
else
  echo "Built in $build:"
  find "$build" -maxdepth 3 -type f -name '*.a' -printf '  %P\n' | sort
  exit 0
fi
