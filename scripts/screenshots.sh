#!/usr/bin/env bash
# Starts the window in a virtual display on the simulated drives and saves a picture of every
# tab, in English and in Japanese, to docs/screenshots (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-docs/screenshots}"
scripts/install-deps.sh --screenshots
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

tabs=(setting1 setting2 status utility cd-check)
for lang in en ja; do
    case $lang in
        en) locale=en_US.UTF-8 ;;
        ja) locale=ja_JP.UTF-8 ;;
    esac
    for i in "${!tabs[@]}"; do
        shot="$out/${lang}-${tabs[$i]}.png"
        # Every picture starts from the scenario's factory state.
        LANG=$locale LC_ALL=$locale xvfb-run -a -s "-screen 0 800x700x24" sh -c "
            build/release/src/quorvel-drive-utility --simulate --sim-state '$work/state.json' --tab=$i &
            app=\$!
            sleep 2
            import -window root '$work/shot.png'
            kill \$app" 2>/dev/null
        rm -f "$work/state.json"
        # No window manager: the window sits alone on a black screen.
        convert "$work/shot.png" -trim +repage "$shot"
        echo "$shot"
    done

    # A Quick check of the scratched demo disc: the dialog while it runs, the tab afterwards.
    LANG=$locale LC_ALL=$locale xvfb-run -a -s "-screen 0 900x800x24" sh -c "
        build/release/src/quorvel-drive-utility --simulate --sim-state '$work/state.json' \
            --start-check=quick --close-check-when-done &
        app=\$!
        sleep 9
        import -window root '$work/during.png'
        sleep 16
        import -window root '$work/after.png'
        kill \$app" 2>/dev/null
    rm -f "$work/state.json"
    convert "$work/during.png" -trim +repage "$out/${lang}-check-running.png"
    convert "$work/after.png" -trim +repage "$out/${lang}-cd-check.png"
    echo "$out/${lang}-check-running.png"
    echo "$out/${lang}-cd-check.png"
done
