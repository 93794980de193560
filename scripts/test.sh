#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite without a
# display. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 ctest --output-on-failure --timeout 900
