#!/usr/bin/env bash
# The version window in the real program under Xvfb, opened from the menu bar over the title:
# 308 x 187, centred, no caption, the title picture's corner under a yellow title, closed by a
# click on its picture (over the notice's letters); the game window then answers again.
# Usage: version_window_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "${1:?usage: $0 APP_FOLDER}"
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"

e2e_start_app
e2e_game_window
sleep 7  # the opening and the title's fade-in
e2e_screenshot "$shots/title.png" "$wid"
mapfile -t centres < <(e2e_menu_centres "$shots/title.png" "$menu_height")
((${#centres[@]} == 6)) || e2e_fail "menu bar shows ${#centres[@]} captions, expected 6"

# The program's visible window other than the game window.
version_window() { xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | grep -vx "$wid" | head -n1; }

xdotool mousemove --window "$wid" "${centres[2]}" $((menu_height / 2)) click 1
for ((i = 0; i < 50; i++)); do
    vid="$(version_window)"
    [[ -n "$vid" ]] && break
    sleep 0.1
done
[[ -n "$vid" ]] || e2e_fail "the version window did not open"
sleep 0.5
e2e_screenshot "$shots/version_over_title.png"
e2e_screenshot "$shots/version.png" "$vid"

eval "$(xdotool getwindowgeometry --shell "$vid")"
[[ "$WIDTH,$HEIGHT,$X,$Y" == "308,187,$(((1024 - 308) / 2)),$(((768 - 187) / 2))" ]] ||
    e2e_fail "version window ${WIDTH}x${HEIGHT} at $X,$Y, expected 308x187 centred"
name="$(xdotool getwindowname "$vid")"
[[ -z "${name// /}" ]] || e2e_fail "the version window has the caption \"$name\""

yellow="$(convert "$shots/version.png" -crop 307x21+0+8 +repage txt:- |
    grep -cE '\((2[0-9][0-9]),(2[0-9][0-9]),([0-7]?[0-9])\)')"
((yellow > 40)) || e2e_fail "no yellow title in the version window ($yellow pixels)"
difference="$(convert "$shots/version.png" "$E2E_APP/open_image.bmp" -crop 20x20+285+100 +repage \
    -compose difference -composite -format '%[fx:maxima]' info:)"
[[ "$difference" == 0 ]] || e2e_fail "the background is not the title picture's corner ($difference)"

xdotool mousemove --window "$vid" 150 100 click 1
for ((i = 0; i < 30; i++)); do
    [[ -z "$(version_window)" ]] && break
    sleep 0.1
done
[[ -z "$(version_window)" ]] || e2e_fail "a click on the picture did not close the version window"

e2e_press_close "$wid" || e2e_fail "could not send the close request"
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "close box after the version window: exit status $E2E_STATUS"
e2e_log "PASS"
