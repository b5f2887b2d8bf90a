#!/usr/bin/env bash
# The real program as a native Wayland client, in a headless weston (pixman, desktop shell) of
# its own: no X display to fall back on; the window is 500 wide with the menu bar above the
# 500 x 500 picture, the title comes up pixel for pixel the title picture, Qt warns of nothing,
# and the program ends on SIGTERM with the compositor still running. The headless compositor has
# no input devices, so clicks, keys, the menu and the dialogs are left to the Xvfb tests.
# Usage: wayland_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
for tool in weston weston-debug weston-screenshooter convert compare; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
done
e2e_setup_app "${1:?usage: $0 APP_FOLDER}"
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"

# A runtime folder and socket name of our own, so that no other compositor is ever met.
runtime="$E2E_TMP/runtime"
mkdir -m 700 "$runtime"
socket=kelvora-e2e
wayland_env=(-u DISPLAY -u WAYLAND_SOCKET XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket")
wayland() { env "${wayland_env[@]}" "$@"; }

# --debug lets the screenshooter and weston-debug in; --idle-time=0 keeps the screen from fading.
# Started by env directly, so that $! is weston itself and the cleanup stops it.
env "${wayland_env[@]}" weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --no-config \
    --socket="$socket" --idle-time=0 --debug --log="$E2E_TMP/weston.log" 2>/dev/null &
E2E_COMPOSITOR_PID=$!
for ((i = 0; i < 200; i++)); do
    [[ -S "$runtime/$socket" ]] && break
    kill -0 "$E2E_COMPOSITOR_PID" 2>/dev/null || e2e_fail "weston did not start: $(tail -n 5 "$E2E_TMP/weston.log")"
    sleep 0.1
done
[[ -S "$runtime/$socket" ]] || e2e_fail "weston made no socket within 20 s"

e2e_start_app "${wayland_env[@]}" QT_QPA_PLATFORM=wayland

# The game's view in weston's scene graph: its opaque region is the window's content, the menu
# bar and the picture, without Qt's decoration. Sets left, top, right and bottom.
content=""
for ((i = 0; i < 300; i++)); do
    content="$(wayland timeout 10 weston-debug scene-graph 2>/dev/null |
        awk -v caption="$E2E_CAPTION" '
            index($0, "top-level window \x27" caption "\x27") { found = 1; next }
            found && /^\t*View / { exit }
            found && /\[opaque: / { gsub(/[^0-9]+/, " "); print; exit }')"
    [[ -n "$content" ]] && break
    kill -0 "$E2E_APP_PID" 2>/dev/null || e2e_fail "the program ended before its window appeared"
    sleep 0.1
done
[[ -n "$content" ]] || e2e_fail "no window captioned $E2E_CAPTION in weston's scene graph"
read -r left top right bottom <<<"$content"
width=$((right - left)) menu_height=$((bottom - top - 500))
e2e_log "content ${width}x$((bottom - top)) at $left,$top"
((width == 500)) || e2e_fail "window content $width wide, expected 500"
((menu_height >= 12 && menu_height <= 40)) || e2e_fail "menu bar height $menu_height: the picture is not 500 high"

# After the opening and the fade-in, the picture area is the title picture, pixel for pixel.
shown=""
for ((i = 0; i < 60; i++)); do
    rm -f "$E2E_TMP"/wayland-screenshot-*.png
    (cd "$E2E_TMP" && wayland timeout 10 weston-screenshooter >/dev/null 2>&1)
    shot="$(ls "$E2E_TMP"/wayland-screenshot-*.png 2>/dev/null | head -n1)"
    if [[ -n "$shot" ]]; then
        mv "$shot" "$shots/screen.png"
        convert "$shots/screen.png" -crop "500x500+$left+$((top + menu_height))" +repage "$shots/picture.png"
        differing="$(compare -metric AE "$shots/picture.png" "$E2E_APP/open_image.bmp" null: 2>&1)"
        if [[ "$differing" == 0 ]]; then shown=yes; break; fi
    fi
    kill -0 "$E2E_APP_PID" 2>/dev/null || e2e_fail "the program ended on the way to the title"
    sleep 0.5
done
[[ -n "$shown" ]] || e2e_fail "the title did not appear within 30 s (${differing:-no screenshot} pixels differ)"

if grep -E "qt\.qpa|Could not|[Ww]ayland" "$E2E_TMP/stderr" >&2; then e2e_fail "Qt warned on Wayland"; fi

kill -TERM "$E2E_APP_PID"
e2e_wait_exit 10
[[ "$E2E_STATUS" != timeout ]] || e2e_fail "the program did not end on SIGTERM"
kill -0 "$E2E_COMPOSITOR_PID" 2>/dev/null || e2e_fail "weston ended with the program"
e2e_log "PASS"
