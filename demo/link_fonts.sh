#!/bin/sh
# Runs in the demo's scratch folder with WINEPREFIX set, before the demo:
# Wine's dialog font (its Tahoma) has no arrow (U+2192), which the example's
# text holds. DejaVu Sans, put among the prefix's fonts and linked to
# Tahoma the way Windows links fonts for the characters one lacks
# (FontLink\SystemLink), draws what Tahoma cannot.
set -eu
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
