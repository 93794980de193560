#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test the tool.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  qt6-declarative-dev qt6-webengine-dev qt6-webchannel-dev libqt6webenginecore6-bin
  fonts-wqy-zenhei xdg-utils
  qt6-translations-l10n # Qt's own boxes (the folder picker of 添加站点) in Chinese
  desktop-file-utils # the install test validates the desktop entries
  dpkg-dev file # cpack -G DEB computes the package's dependencies with them
  openssl # the tests make certificates for their HTTPS server
  qtkeychain-qt6-dev libsecret-1-0 # remembered logins in the desktop's keyring
  gnome-keyring dbus-daemon # a real keyring for the tests, in a D-Bus session of their own
  systemd # the install test checks the systemd user unit with systemd-analyze
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
