#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled sample troll.gif in the
# folder out/: the window when a display is present, the headless converter otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
mkdir -p out
cp troll.gif out/troll.gif
cd out
if [ -n "${DISPLAY:-}" ] && [ -x ../build/ui/wx/vorlix ]; then
  echo "Opening the vorlix window in $(pwd); Load then Save converts troll.gif."
  exec ../build/ui/wx/vorlix
fi
../build/vorlix-cli troll.gif
echo "Module written to $(pwd) ($(ls -t ./*.xm | head -n 1))."
