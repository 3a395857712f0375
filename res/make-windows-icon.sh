#!/usr/bin/env bash
# Packs the icon's PNG sizes into the Windows icon file (icon group 128 of tq9000_config_app.exe):
# 16 to 64 as bitmaps, which every Windows version draws, and 256 as PNG, as Windows keeps its
# large sizes. Run by hand after make-icon.sh; the .ico is kept in the tree so that a build needs
# no icoutils.
set -euo pipefail
cd "$(dirname "$0")"
icotool --create --output=tq9000_config_app.ico \
  icon-16.png icon-32.png icon-48.png icon-64.png --raw=icon-256.png
