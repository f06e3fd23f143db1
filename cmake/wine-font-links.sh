#!/bin/sh
# Links the CJK font of fonts-wqy-microhei to Wine's dialog fonts in $WINEPREFIX, as
# Windows links fonts, so that Chinese texts in "MS Sans Serif" and the other UI fonts are
# legible.
for font in "MS Sans Serif" "MS Shell Dlg" "Tahoma" "SimSun"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$font" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
