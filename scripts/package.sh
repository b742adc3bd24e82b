#!/usr/bin/env bash
# Makes the Debian package of vorlix: installs what is missing and builds (scripts/setup.sh),
# then lets cpack pack the programs, the desktop entry, the icons, the manual pages, the
# AppStream entry and the bash completion into build/package/vorlix_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
rm -f build/package/vorlix_*.deb
(cd build && cpack -G DEB -B package)
deb=$(ls build/package/vorlix_*.deb)
echo "Package: $deb"
echo "Install it with: sudo apt-get install ./$deb"
