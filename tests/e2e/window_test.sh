#!/usr/bin/env bash
# The real game window under Xvfb: caption, a 500 x 500 picture area below a menu bar of six
# commands, centred, showing the game's picture; the close box and the "終了" command end the
# program with status 0. Usage: window_test.sh APP_FOLDER (the build's kelvora/ folder).
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "${1:?usage: $0 APP_FOLDER}"

# --- first run: geometry, menu bar, picture, close box ---
e2e_start_app
wid="$(e2e_find_window 30)" || e2e_fail "no visible window captioned ${E2E_CAPTION}"
e2e_log "window $wid"

eval "$(xdotool getwindowgeometry --shell "$wid")"
e2e_log "geometry ${WIDTH}x${HEIGHT} at ${X},${Y}"
[[ "$WIDTH" == 500 ]] || e2e_fail "window width $WIDTH, expected 500"
menu_height=$((HEIGHT - 500))
((menu_height >= 12 && menu_height <= 40)) || e2e_fail "menu bar height $menu_height: client area is not 500 high"
# Centred on the 1024 x 768 screen.
((X == 262)) || e2e_fail "window left $X, not centred (expected 262)"
expected_top=$(((768 - HEIGHT) / 2))
((Y == expected_top)) || e2e_fail "window top $Y, not centred (expected $expected_top)"

# Fixed size (no resizing, no maximise box) and the 32 x 32 icon beside the program.
hints="$(xprop -id "$wid" WM_NORMAL_HINTS)"
grep -q "minimum size: 500 by $HEIGHT" <<<"$hints" && grep -q "maximum size: 500 by $HEIGHT" <<<"$hints" ||
    e2e_fail "the window can be resized: $hints"
xprop -id "$wid" _NET_WM_ICON | head -n1 | grep -q "Icon (32 x 32)" || e2e_fail "no 32 x 32 window icon"

# The picture area shows the game's picture: more than one colour once the opening has drawn.
shown=""
for ((i = 0; i < 40; i++)); do
    e2e_screenshot "$E2E_TMP/window.png" "$wid"
    colours="$(convert "$E2E_TMP/window.png" -crop "500x500+0+${menu_height}" +repage -format '%k' info:)"
    if ((colours > 1)); then shown=yes; break; fi
    sleep 0.5
done
[[ -n "$shown" ]] || e2e_fail "the picture area stayed one colour for 20 s"
e2e_screenshot "$E2E_TMP/screen.png"
[[ -s "$E2E_TMP/screen.png" ]] || e2e_fail "no screenshot of the screen"

mapfile -t centres < <(e2e_menu_centres "$E2E_TMP/window.png" "$menu_height")
groups=${#centres[@]}
first_centre=${centres[0]:-0}
e2e_log "menu bar: $groups captions, the first centred at x=$first_centre"
[[ "$groups" == 6 ]] || e2e_fail "menu bar shows $groups captions, expected 6"

e2e_press_close "$wid" || e2e_fail "could not send the close request"
e2e_wait_exit 10
status="$E2E_STATUS"
[[ "$status" == 0 ]] || e2e_fail "close box: exit status $status, expected 0"
[[ -f "$E2E_APP/offical_rank.dat" ]] || e2e_fail "start-up wrote no rank files beside the program"

# --- second run: the first menu command quits ---
e2e_start_app
wid="$(e2e_find_window 30)" || e2e_fail "no window on the second start"
sleep 1
xdotool mousemove --window "$wid" "$first_centre" $((menu_height / 2)) click 1
e2e_wait_exit 10
status="$E2E_STATUS"
[[ "$status" == 0 ]] || e2e_fail "menu command 終了: exit status $status, expected 0"

e2e_log "PASS"
