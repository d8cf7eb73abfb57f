#!/bin/sh
# Installs the Debian packages the build needs, only those that are missing. Used by run.sh and test.sh.
set -e
missing=""
for pkg in "$@"; do
    if ! dpkg -s "$pkg" >/dev/null 2>&1; then
        missing="$missing $pkg"
    fi
done
if [ -z "$missing" ]; then
    exit 0
fi
echo "Installing:$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
