#!/usr/bin/env bash
# Installs what is missing, builds, and launches the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ "$(id -u)" -eq 0 ]; then
  # Chromium, inside QtWebEngine, refuses to run as root with its sandbox.
  echo "Running as root: starting the embedded browser without its sandbox." >&2
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec ./build/src/orvo-collector "$@"
