#!/usr/bin/env bash
# vorlix.exe under Wine on a virtual display, driven as the Linux window tests drive vorlix: the dialogs as the dialog manager builds them from the template data, the
# version record and icon read back from the .exe, Load, Save (the module equals vorlix-cli's),
# the preview following a typed threshold, Save settings, Esc, the About box and its close box,
# a name with é typed into the input field, a drop onto the output field, Quit. Screenshots of
# the dialog and the preview are kept in build-windows/artifacts/.
# Argument: the Linux build folder. Skipped (77) without vorlix.exe (bash scripts/windows.sh
# makes it), Wine or Xvfb.
set -euo pipefail
source "$(dirname "$0")/../support/script_helpers.sh"
source "$(dirname "$0")/../support/window_helpers.sh"
source "$(dirname "$0")/../support/wine_helpers.sh"
use_build_dir "$@"
bin="$source_dir/build-windows/vorlix/ui/win32"
exe="$bin/vorlix.exe"
drop="$build/tests/tools/xdnd_drop"
need_wine_build "$exe" "$bin/vorlix-resource-check.exe"
if ! command -v Xvfb >/dev/null; then
  echo "skipped: no Xvfb"
  exit 77
fi
need_tools xdotool xprop import timeout
need_built "$cli" "$make_gif" "$drop"
make_work_dir
start_display
# No window manager: under a reparenting one, Wine places drops by a stale window position.
use_own_wine_prefix
artifacts="$source_dir/build-windows/artifacts"
mkdir -p "$artifacts"

# What the program is made of, read back through the system's own calls.
check "imports only system DLLs" "COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll SHELL32.dll USER32.dll" \
  "$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | sort -f | xargs)"
read_back() { (cd "$bin" && timeout 120 wine vorlix-resource-check.exe "$@" | tr -d '\r'); }
dialogs=$(read_back dialogs || true)
grep '^FAIL' <<<"$dialogs" || true
check "both dialogs as built by the dialog manager equal the template data" \
  "dialogs: 0 difference(s)" "$(tail -n 1 <<<"$dialogs")"
check "version record" "file version: 0.4.0.0
product version: 0.0.0.0
Comments: 
CompanyName: the vorlix authors
FileDescription: .gif to .xm converter
FileVersion: 0.40
InternalName: vorlix
LegalCopyright: 
LegalTrademarks: 
OriginalFilename: vorlix
PrivateBuild: 
ProductName: vorlix
ProductVersion: 0.40
SpecialBuild: " "$(read_back version vorlix.exe)"
check "icon group 102" "icon 102: 1 image(s)
64x64, 32 bits" "$(read_back icon vorlix.exe)"

mkdir "$work/window" "$work/cli" "$work/Drop here"
"$make_gif" troll "$work/window/troll.gif"
cp "$work/window/troll.gif" "$work/window/é.gif"  # without the é, ".gif" does not load
cp "$work/window/troll.gif" "$work/cli/troll.gif"
(cd "$work/cli" && "$cli" troll.gif expected.xm >stdout 2>stderr) || die "vorlix-cli failed"

(cd "$work/window" && exec timeout 300 wine "$exe" >"$work/stdout" 2>"$work/stderr") &
program_pid=$!
on_exit '[ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null'
wait_count vorlix 1
main=$(visible vorlix)
activate() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
at_main() {  # at_main X Y: the screen point of a point of the main dialog, in dialog units
  eval "$(xdotool getwindowgeometry --shell "$main")"
  echo "$((X + WIDTH * $1 / 266)) $((Y + HEIGHT * $2 / 222))"
}
click_main() { xdotool mousemove --sync $(at_main "$1" "$2") click 1; }
# Whether the window asks the desktop for a system menu, the home of the close box (the menu
# bit of its Motif decorations). Wine offers every window a close function of the window
# manager's all the same.
system_menu() {
  local decorations
  decorations=$(xprop -id "$1" _MOTIF_WM_HINTS | grep -o '0x[0-9a-f]*' | sed -n 3p)
  (((${decorations:-0} & 16) != 0)) && echo yes || echo no
}
check "main dialog has no system menu" no "$(system_menu "$main")"
shot "$main" "$artifacts/windows-dialog.png"

# Load from the focused Quit button (three Tabs), then Save (one Tab on).
activate "$main"
keys Tab Tab Tab space
dismiss Information Return
wait_count "vorlix preview" 1
preview=$(visible "vorlix preview")
eval "$(xdotool getwindowgeometry --shell "$main")"
main_x=$X main_width=$WIDTH
eval "$(xdotool getwindowgeometry --shell "$preview")"
check "the preview is beside the main dialog" yes \
  "$([ "$X" -ge $((main_x + main_width)) ] || [ $((X + WIDTH)) -le "$main_x" ] && echo yes || echo no)"
activate "$main"
keys Tab space
dismiss Information space
check "module equals vorlix-cli's" same "$(cmp -s "$work/window/output.xm" "$work/cli/expected.xm" && echo same)"

# A file dropped from the desktop onto the output field names the next Save's module.
"$drop" $(at_main $((14 + 183 / 2)) $((52 + 7))) "$work/Drop here/dropped é.xm" ||
  check "the output field takes the drop" taken refused
activate "$main"
click_main $((203 + 24)) $((52 + 7))
dismiss Information Return
check "Save after the drop writes where the drop named" same \
  "$(cmp -s "$work/Drop here/dropped é.xm" "$work/cli/expected.xm" && echo same)"

# A threshold typed into the clicked threshold field (which Tab skips) redraws the preview.
shot "$preview" "$work/preview-before.png"
click_main $((73 + 88)) $((148 + 6))
keys End BackSpace BackSpace BackSpace
xdotool type --delay 60 '40'
shot_changed "$preview" "$work/preview-before.png" "$artifacts/windows-preview.png"
check "the preview follows the typed threshold" changed \
  "$(cmp -s "$work/preview-before.png" "$artifacts/windows-preview.png" && echo same || echo changed)"
# Tab goes on from the threshold field to Save settings.
keys Tab space
dismiss Information Return
check "threshold saved from the clicked field" 40 \
  "$(od -An -tu1 -j4 -N1 "$work/window/vorlix.conf" 2>/dev/null | tr -d ' ')"

# Esc closes neither dialog; the About box (Shift+Tab from Save settings) has a close box.
# The About box opens on keys sent after the Esc: by then the Esc has been handled.
activate "$main"
keys Escape shift+Tab space
wait_until 60 count_is About 1 || true
check "Esc leaves the main dialog open" "1 yes" "$(visible vorlix | wc -l) $(alive)"
wait_count About 1
about=$(visible About)
activate "$about"
keys Escape
check "Esc leaves the About box open" yes "$(stays About 1 2 && echo yes || echo no)"
check "About box has a system menu" yes "$(system_menu "$about")"
# Alt+F4 asks the window to close as its close box does.
keys alt+F4
wait_count About 0
check "closing the About box leaves the program running" "1 yes" "$(visible vorlix | wc -l) $(alive)"

# A name with é typed into the input field loads.
click_main $((14 + 90)) $((32 + 7))
keys Home shift+End BackSpace
xdotool type --delay 60 'é.gif'
click_main $((203 + 24)) $((32 + 7))
dismiss Information Return
check "no error after loading the typed name" 0 "$(visible Error | wc -l)"

click_main $((178 + 40)) $((203 + 7))
wait_for_exit
[ -n "$status" ] || die "the program did not end on Quit"
check "exit status" 0 "$status"
check "standard output of the first Save" "Saving to: output.xm." "$(head -n 1 "$work/stdout")"
check "progress lines" "96" "$(grep -c '^Frame ' "$work/stdout" || true)"
echo "screenshots: $artifacts/windows-dialog.png $artifacts/windows-preview.png"
finish_checks "all checks of the Windows window program passed"
