#!/bin/sh
# Installs the Debian packages the build and the tests need, only when missing.
# Runs as root on CI; uses sudo otherwise.
set -eu

PACKAGES="
  cmake g++ make pkg-config
  libsdl2-dev libminizip-dev zlib1g-dev libjpeg62-turbo-dev libfreetype-dev fonts-liberation
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  libgif-dev lib3ds-dev libopenmpt-dev
"

missing=""
for p in $PACKAGES; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $p" ;;
  esac
done

[ -z "$missing" ] && exit 0

echo "installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
