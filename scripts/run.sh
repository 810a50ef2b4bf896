#!/usr/bin/env bash
# Starts Quorvel: the Qt program when it was built, otherwise the
# command-line front end on an example curve.
set -euo pipefail
build=${1:-build}
if [ -x "$build/app/quorvel" ]; then
  exec "$build/app/quorvel"
fi
echo "The Qt program was not built; the command-line front end on the example curve x^3 + t*x + t^2 - 1:"
exec "$build/cli/quorvel-cli" analyze 'x^3 + t*x + t^2 - 1'
