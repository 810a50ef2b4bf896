#!/usr/bin/env bash
# Starts Quorvel. Until the window exists this runs the command-line front
# end on an example curve.
set -euo pipefail
build=${1:-build}
if [ -x "$build/app/quorvel" ]; then
  exec "$build/app/quorvel"
fi
echo "Quorvel command-line front end: normal form of the example curve (x+t)^2 - t^3"
exec "$build/cli/quorvel-cli" normalize '(x+t)^2 - t^3'
