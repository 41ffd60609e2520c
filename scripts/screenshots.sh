#!/usr/bin/env bash
# Screenshots of the wizard for the README (docs/screenshots), taken from the real setup of the
# kit under Wine and Xvfb, every panel reached the way a user reaches it, with the keyboard:
# update mode on a clean machine, then the maintenance menus, a removal, a first installation,
# and the install menu again at 120 and 144 dots per inch.
#
# Panel 1 (install type) has no screenshot: no run of the wizard reaches it (the menus leave
# panels 0 and 6 only through their buttons, and Network takes panel 1 only in update mode with
# the database installed, which the update wizard always counts as not installed).
#
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default docs/screenshots)
set -uo pipefail
. "$(dirname "$0")/kit-env.sh"

OUT=$(cd "$(dirname "$0")/.." && pwd)/docs/screenshots
[ $# -gt 0 ] && OUT=$1
mkdir -p "$OUT"
kit_ensure || { echo "no kit in $TSY_KIT"; exit 1; }
display_start
trap wiz_end EXIT
# Wine draws the title bar itself, so that the screenshots show the caption and the close box.
WIZ_DECORATED=1 wiz_prefix "${SHOTS_PREFIX:-${TMPDIR:-/tmp}/tsy-screenshots}"

taken=0
missing=0
shot() {
  if wiz_shot "$OUT/$1.png"; then
    taken=$((taken + 1))
    echo "  $1.png"
  else
    missing=$((missing + 1))
    echo "  MISSING $1.png"
  fi
}

# open LINE: starts the setup and waits for its window.
open() {
  wiz_start "$1"
  if ! wiz_window 60; then
    echo "  no wizard window for: $1"
    missing=$((missing + 1))
    return 1
  fi
}

# close: the close box's keyboard twin; the process must end.
close() {
  wiz_key alt+F4
  wiz_wait 20 || echo "  the wizard did not end"
}

# set_dpi N: the display's dots per inch as Wine reads them at start.
set_dpi() {
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$WINE" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$WINESERVER" -w
}

echo "update mode, nothing installed"
if open 'Update.exe'; then
  shot update-panel0-menu
  wiz_key alt+n
  shot update-panel7-folders
  wiz_key alt+b alt+s
  shot update-panel2-configuration
  wiz_key Return
  if wiz_hidden 20 && wiz_window 120; then
    shot update-panel5-completed
    close
  else
    echo "  no completion panel after the update"
    wiz_wait 60
  fi
fi

echo "update mode, program installed"
if open 'Update.exe'; then
  shot update-panel6-maintenance
  wiz_key alt+r
  shot update-panel4-repair
  wiz_key alt+b alt+v
  shot update-panel3-uninstall
  wiz_key alt+b alt+c
  shot update-panel2-configure
  close
fi

echo "install mode, program installed: maintenance, then removal"
if open 'Setup.exe'; then
  shot install-panel6-maintenance
  wiz_key alt+r
  shot install-panel4-repair
  wiz_key alt+b alt+v
  shot install-panel3-uninstall
  wiz_key alt+d Return
  if wiz_hidden 20 && wiz_window 120; then
    shot install-panel5-removed
    wiz_key Return
  fi
  wiz_wait 60
fi

for dpi in 120 144; do
  echo "install menu at $dpi dpi"
  set_dpi "$dpi"
  if open 'Setup.exe'; then
    shot "install-panel0-menu-${dpi}dpi"
    close
  fi
done
set_dpi 96

echo "install mode, nothing installed"
if open 'Setup.exe'; then
  shot install-panel0-menu
  wiz_key alt+n
  shot install-panel7-folders
  # The program row's "Browse..." button: the shell's folder browser, over the wizard.
  wiz_key alt+p alt+p Tab Tab space
  browser=
  for _ in $(seq 1 50); do
    browser=$(xdotool search --onlyvisible --name '^Browse for Folder$' 2>/dev/null | head -n1)
    [ -n "$browser" ] && break
    sleep 0.2
  done
  if [ -n "$browser" ] && sleep 1 && import -window root "$OUT/install-panel7-browse.png"; then
    taken=$((taken + 1))
    echo "  install-panel7-browse.png"
    xdotool windowfocus --sync "$browser" key Escape
    # The wizard takes no key until the browser is gone; one more Escape would cancel it.
    for _ in $(seq 1 50); do
      xdotool search --onlyvisible --name '^Browse for Folder$' >/dev/null 2>&1 || break
      sleep 0.2
    done
    sleep 0.6
  else
    missing=$((missing + 1))
    echo "  MISSING install-panel7-browse.png"
  fi
  wiz_key alt+b alt+s
  shot install-panel2-configuration
  wiz_key Return
  if wiz_hidden 20 && wiz_window 120; then
    shot install-panel5-completed
    close
  else
    echo "  no completion panel after the installation"
    wiz_wait 60
  fi
fi

echo "$taken screenshots in $OUT, $missing missing"
[ "$missing" -eq 0 ]
