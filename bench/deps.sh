#!/usr/bin/env bash
# Installs what bench/compare.sh needs: Debian's Chromium (driven by playwright-core),
# Xvfb, xdotool, ImageMagick (screenshots of the window), Node.js with npm, and the
# peer's npm packages (npm ci in bench/peer, exact versions from its lock file).
set -euo pipefail
cd "$(dirname "$0")"

packages=(chromium xvfb xdotool x11-utils imagemagick nodejs npm python3)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A node/npm that did not come from apt (e.g. /usr/bin/node from NodeSource) is fine too.
if command -v node >/dev/null && command -v npm >/dev/null; then
  keep=()
  for p in "${missing[@]}"; do
    case "$p" in nodejs|npm) ;; *) keep+=("$p") ;; esac
  done
  missing=("${keep[@]+"${keep[@]}"}")
fi
command -v python3 >/dev/null && missing=("${missing[@]/python3}")
missing=($(printf '%s\n' "${missing[@]+"${missing[@]}"}" | grep -v '^$' || true))

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# playwright-core never downloads a browser; the peer runs /usr/bin/chromium.
cd peer
wanted=$(node -p 'require("./package.json").dependencies["playwright-core"]')
have=$(node -p 'try { require("./node_modules/playwright-core/package.json").version } catch (e) { "" }')
if [ "$wanted" != "$have" ]; then
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
fi
