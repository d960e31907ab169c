# Sourced: a Wine prefix of our own for the Windows programs, booted once, with the fonts the
# window's texts need. Wine's background programs otherwise hold the callers' pipes open.
export WINEDEBUG=-all
# No .NET or HTML engine: the programs need neither, and a new prefix would offer to fetch them.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
export WINEPREFIX="${WINEPREFIX:-$PWD/build/windows/wine-prefix}"
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 300 wineboot --init
# Japanese glyphs from Debian's Noto CJK, found the same way on every machine.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc; do
    if [ -f "$font" ] && [ -d "$fonts" ] && [ ! -f "$fonts/$(basename "$font")" ]; then
        cp "$font" "$fonts/"
    fi
done
# The faces Windows's dialogs and Qt ask for, as one face that has Latin and Japanese alike, so
# that a label's height fits every glyph in it (a fallback font for the Japanese ones would be
# taller than the line Qt measured) and Latin is not drawn in Wine's serif fallback.
if [ ! -f "$WINEPREFIX/.qdu-fonts" ]; then
    for face in "Segoe UI" "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic" \
        "Yu Gothic UI" "Meiryo UI"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
            /d "Noto Sans CJK JP" /f >/dev/null 2>&1
    done
    touch "$WINEPREFIX/.qdu-fonts"
fi
