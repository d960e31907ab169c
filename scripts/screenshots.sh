#!/usr/bin/env bash
# Starts the window in a virtual display on the simulated drives and saves a picture of every
# tab, in English and in Japanese, to docs/screenshots (or the folder given).
#   scripts/screenshots.sh [FOLDER]             the Linux window
#   scripts/screenshots.sh --windows [FOLDER]   the Windows window under Wine, as Windows draws
#                                               it (Wine's theme); files named windows-*.png
set -euo pipefail
cd "$(dirname "$0")/.."

windows=false
if [ "${1:-}" = --windows ]; then
    windows=true
    shift
fi
out="${1:-docs/screenshots}"

if [ -z "${DISPLAY:-}" ]; then
    scripts/install-deps.sh --screenshots
    if $windows; then
        QDU_WINDOWS_QT=$(scripts/windows-qt.sh)
        export QDU_WINDOWS_QT
        cmake --preset windows -DQDU_GUI=ON >/dev/null
        cmake --build --preset windows --target quorvel-drive-utility >/dev/null
    else
        cmake --preset release >/dev/null
        cmake --build --preset release >/dev/null
    fi
    # One virtual display for every picture. No window manager: the window sits alone on a
    # black screen, and each picture is trimmed to it.
    args=("$out")
    $windows && args=(--windows "$out")
    exec xvfb-run -a -s "-screen 0 1600x1400x24" "$0" "${args[@]}"
fi

mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
if $windows; then
    . tests/windows/wine-prefix.sh
    trap 'rm -rf "$work"; wineserver -k || true' EXIT
    program=(wine build/windows/quorvel-drive-utility.exe --simulate --sim-state "Z:$work/state.json")
    name=windows-
else
    # The checks below are kept in a history of their own, shown at the end.
    program=(build/release/src/quorvel-drive-utility --simulate --sim-state "$work/state.json"
             --history "$work/history.sqlite3")
    name=""
fi

# shoot LOCALE ARGUMENTS SECONDS FILE [SECONDS FILE ...]: starts the window with ARGUMENTS and
# takes a picture after each wait. Every run starts from the scenario's factory state.
shoot() {
    local locale=$1 arguments=$2
    shift 2
    LANG=$locale LC_ALL=$locale "${program[@]}" $arguments >/dev/null 2>&1 &
    local app=$!
    while [ $# -gt 0 ]; do
        sleep "$1"
        import -window root "$work/shot.png"
        convert "$work/shot.png" -trim +repage "$2"
        echo "$2"
        shift 2
    done
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    rm -f "$work/state.json"
}

# Wine's first start of a window program takes longer.
wait_first=2
$windows && wait_first=6
# The CD Check tab's picture is taken after a check, below.
tabs=(setting1 setting2 status utility)
for lang in en ja; do
    case $lang in
        en) locale=en_US.UTF-8 ;;
        ja) locale=ja_JP.UTF-8 ;;
    esac
    for i in "${!tabs[@]}"; do
        shoot "$locale" "--tab=$i" "$wait_first" "$out/$name$lang-${tabs[$i]}.png"
    done
    # A Quick check of the scratched demo disc: the dialog while it runs, the tab afterwards.
    shoot "$locale" "--start-check=quick --close-check-when-done" \
        $((wait_first + 7)) "$out/$name$lang-check-running.png" \
        16 "$out/$name$lang-cd-check.png"
done
# On a desktop scaled by 2 and by 1.5, and with a larger font: nothing may be clipped, and the
# quality bar and the disc picture must stay sharp.
if ! $windows; then
    for lang in en ja; do
        locale=en_US.UTF-8
        [ $lang = ja ] && locale=ja_JP.UTF-8
        for scale in 2 1.5; do
            QT_SCALE_FACTOR=$scale shoot "$locale" --tab=2 "$wait_first" "$out/$lang-${scale}x-status.png"
            QT_SCALE_FACTOR=$scale shoot "$locale" "--start-check=quick --close-check-when-done" \
                $((wait_first + 7)) "$out/$lang-${scale}x-check-running.png" \
                16 "$out/$lang-${scale}x-cd-check.png"
        done
        QT_FONT_DPI=144 shoot "$locale" --tab=0 "$wait_first" "$out/$lang-large-font-setting1.png"
    done
fi
# The check history after those checks (the window for Windows keeps none): the dialog opens
# over the window and is larger, so the trimmed picture is the dialog.
if ! $windows; then
    shoot en_US.UTF-8 --check-history "$wait_first" "$out/en-check-history.png"
    shoot ja_JP.UTF-8 --check-history "$wait_first" "$out/ja-check-history.png"
fi
