#!/usr/bin/env bash
# The version window in the real program under Xvfb: opened from the menu bar over the title,
# 308 x 187, centred on the screen, the title picture's corner with the yellow title and white
# notices, closed by a click on its picture; the game window then answers again.
# Usage: version_window_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "${1:?usage: $0 APP_FOLDER}"

shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"

e2e_start_app
wid="$(e2e_find_window 30)" || e2e_fail "no visible window captioned ${E2E_CAPTION}"
eval "$(xdotool getwindowgeometry --shell "$wid")"
menu_height=$((HEIGHT - 500))
sleep 7  # the opening and the title's fade-in
e2e_screenshot "$shots/title.png" "$wid"
mapfile -t centres < <(e2e_menu_centres "$shots/title.png" "$menu_height")
((${#centres[@]} == 5)) || e2e_fail "menu bar shows ${#centres[@]} captions, expected 5"

# Any visible window of the program other than the game window.
other_window() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null); do
        [[ "$id" != "$wid" ]] && { echo "$id"; return 0; }
    done
    return 1
}

xdotool mousemove --window "$wid" "${centres[2]}" $((menu_height / 2)) click 1
vid=""
for ((i = 0; i < 50; i++)); do
    vid="$(other_window)" && break
    sleep 0.1
done
[[ -n "$vid" ]] || e2e_fail "the version window did not open"
sleep 0.5
e2e_screenshot "$shots/version_over_title.png"
e2e_screenshot "$shots/version.png" "$vid"

eval "$(xdotool getwindowgeometry --shell "$vid")"
e2e_log "version window ${WIDTH}x${HEIGHT} at ${X},${Y}"
[[ "$WIDTH x $HEIGHT" == "308 x 187" ]] || e2e_fail "version window is ${WIDTH}x${HEIGHT}, expected 308x187"
((X == (1024 - 308) / 2 && Y == (768 - 187) / 2)) || e2e_fail "version window at $X,$Y, not centred"
name="$(xdotool getwindowname "$vid")"
[[ -z "${name// /}" ]] || e2e_fail "the version window has the caption \"$name\""

# Yellow letters in the title strip, white ones in the notice, the title picture elsewhere.
count_colour() {
    convert "$shots/version.png" -crop "$1" +repage txt:- | awk -v want="$2" '
        NR > 1 { v = $2; gsub(/[()]/, "", v); split(v, c, ","); r = c[1]; g = c[2]; b = c[3]
                 if (want == "yellow" && r > 200 && g > 200 && b < 80) n++
                 if (want == "white" && r > 200 && g > 200 && b > 200) n++ }
        END { print n + 0 }'
}
yellow="$(count_colour 307x21+0+8 yellow)"
white="$(count_colour 235x70+40+64 white)"
e2e_log "title: $yellow yellow pixels; notice: $white white pixels"
((yellow > 40)) || e2e_fail "no yellow title in the version window"
((white > 100)) || e2e_fail "no white notice in the version window"
convert "$shots/version.png" -crop 308x187+0+0 +repage "$shots/version_picture.png"
convert "$E2E_APP/open_image.bmp" -crop 308x187+0+0 +repage "$shots/title_corner.png" 2>/dev/null
if [[ -s "$shots/title_corner.png" ]]; then
    corner="$(convert "$shots/version_picture.png" "$shots/title_corner.png" -crop 20x20+285+100 +repage \
        -compose difference -composite -format '%[fx:maxima]' info:)"
    e2e_log "background against the title picture: largest difference $corner"
    [[ "$corner" == 0 ]] || e2e_fail "the version window's background is not the title picture's corner"
fi

# A click in the middle of the picture, over the notice's letters, closes it.
xdotool mousemove --window "$vid" 150 100 click 1
for ((i = 0; i < 30; i++)); do
    other_window >/dev/null || break
    sleep 0.1
done
other_window >/dev/null && e2e_fail "a click on the picture did not close the version window"

# The game window answers again: the close box ends the program.
e2e_press_close "$wid" || e2e_fail "could not send the close request"
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "close box after the version window: exit status $E2E_STATUS"
e2e_log "PASS"
