#!/usr/bin/env bash
# Starts Tallywicket's main job from a finished build: the desktop app with
# the sample surveys ready to scan. Without a display there is no window to
# show, so the command-line reader reads the bundled samples instead.
set -uo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
app="$build/src/app/tallywicket"
cli="$build/src/cli/tallywicket-cli"
if [ -x "$app" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$app" --demo
elif [ -x "$cli" ] && ls "$top"/samples/*.png >/dev/null 2>&1; then
  if [ -x "$app" ]; then
    echo "No display found: reading the sample surveys with tallywicket-cli instead." >&2
    echo "(Start the desktop app on a desktop with: $app --demo)" >&2
  fi
  exec "$cli" read --sides duplex "$top/samples"
else
  echo "Built in $build:"
  find "$build" -maxdepth 3 -type f -name '*.a' -printf '  %P\n' | sort
  exit 0
fi
