#!/usr/bin/env bash
# The program as a native Wayland client (no X display to fall back on) in a headless weston of
# its own: a 500-wide window, menu bar above the 500 x 500 picture, the title picture pixel for
# pixel, no warning from Qt, and an end on SIGTERM. The headless compositor has no input devices:
# clicks, keys, the menu and the dialogs are left to the Xvfb tests.
# Usage: wayland_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
for tool in weston weston-debug weston-screenshooter; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
done
e2e_setup_app "${1:?usage: $0 APP_FOLDER}"
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots" "$E2E_TMP/runtime"
chmod 700 "$E2E_TMP/runtime"
# A runtime folder and socket of our own: no other compositor is ever met.
wayland_env=(-u DISPLAY -u WAYLAND_SOCKET XDG_RUNTIME_DIR="$E2E_TMP/runtime" WAYLAND_DISPLAY=kelvora-e2e)

# --debug lets the screenshooter and weston-debug in. Started by env itself, so $! is weston.
env "${wayland_env[@]}" weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
    --no-config --socket=kelvora-e2e --idle-time=0 --debug --log="$E2E_TMP/weston.log" 2>/dev/null &
E2E_DISPLAY_PID=$!
for ((i = 0; i < 200; i++)); do [[ -S "$E2E_TMP/runtime/kelvora-e2e" ]] && break; sleep 0.1; done
[[ -S "$E2E_TMP/runtime/kelvora-e2e" ]] || e2e_fail "weston made no socket in 20 s: $(tail -n 5 "$E2E_TMP/weston.log")"

e2e_start_app "${wayland_env[@]}" QT_QPA_PLATFORM=wayland

# The window's opaque region in weston's scene graph is its content without Qt's decoration.
# Each wait is bounded in seconds, however slow a loaded machine makes each look.
deadline=$((SECONDS + 60))
while ((SECONDS < deadline)); do
    content="$(env "${wayland_env[@]}" timeout 10 weston-debug scene-graph 2>/dev/null | awk -v caption="$E2E_CAPTION" '
        index($0, "top-level window \x27" caption "\x27") { found = 1; next }
        found && /\[opaque: / { gsub(/[^0-9]+/, " "); print; exit }')"
    [[ -n "$content" ]] && break
    kill -0 "$E2E_APP_PID" 2>/dev/null || e2e_fail "the program ended before its window appeared"
    sleep 0.1
done
read -r left top right bottom <<<"$content"
[[ -n "${bottom:-}" ]] || e2e_fail "no window captioned $E2E_CAPTION in weston's scene graph within 60 s"
menu_height=$((bottom - top - 500))
e2e_log "content $((right - left))x$((bottom - top)) at $left,$top"
((right - left == 500)) || e2e_fail "window content $((right - left)) wide, expected 500"
((menu_height >= 12 && menu_height <= 40)) || e2e_fail "menu bar height $menu_height: the picture is not 500 high"

# After the opening and the fade-in the picture area is the title picture, pixel for pixel.
deadline=$((SECONDS + 60))
while ((SECONDS < deadline)); do
    rm -f "$E2E_TMP"/wayland-screenshot-*.png
    (cd "$E2E_TMP" && env "${wayland_env[@]}" timeout 10 weston-screenshooter >/dev/null 2>&1)
    mv "$E2E_TMP"/wayland-screenshot-*.png "$shots/screen.png" 2>/dev/null &&
        convert "$shots/screen.png" -crop "500x500+$left+$((top + menu_height))" +repage "$shots/picture.png" &&
        differing="$(compare -metric AE "$shots/picture.png" "$E2E_APP/open_image.bmp" null: 2>&1)"
    [[ "${differing:-}" == 0 ]] && break
    kill -0 "$E2E_APP_PID" 2>/dev/null || e2e_fail "the program ended on the way to the title"
    sleep 0.5
done
[[ "${differing:-}" == 0 ]] || e2e_fail "no title picture within 60 s (${differing:-no screenshot} pixels differ)"
! grep -E "qt\.qpa|Could not|[Ww]ayland" "$E2E_TMP/stderr" >&2 || e2e_fail "Qt warned on Wayland"

kill -TERM "$E2E_APP_PID"
e2e_wait_exit 10
[[ "$E2E_STATUS" != timeout ]] || e2e_fail "the program did not end on SIGTERM"
e2e_log "PASS (status $E2E_STATUS after SIGTERM)"
