#!/usr/bin/env bash
# The opening and the whole story in the real window under Xvfb: the logo on black during the
# first seconds, then the title; the story chosen from the title shows its text over a black
# screen first, the picture growing in later, and returns to the title by itself after its last
# step. Usage: story_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "${1:?usage: $0 APP_FOLDER}"

shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"

e2e_start_app
e2e_game_window

shot() { e2e_screenshot "$shots/$1.png" "$wid"; }
# mean brightness (0..1) of a region of the picture in a shot: mean SHOT W H X Y
mean() {
    convert "$shots/$1.png" -crop "${2}x${3}+${4}+$(($5 + menu_height))" +repage -colorspace Gray \
        -format '%[fx:mean]' info:
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# The opening: shots as fast as they come for its first three seconds (slide-in, shine, fade).
start=$SECONDS
for ((i = 0; SECONDS - start < 3 && i < 60; i++)); do shot "$(printf 'opening_%02d' "$i")"; done
logo_on_black=""
for f in "$shots"/opening_*.png; do
    name="$(basename "$f" .png)"
    # Black above and below the logo, something bright where it stands.
    if ! above "$(mean "$name" 500 150 0 0)" 0.01 && ! above "$(mean "$name" 500 150 0 350)" 0.01 &&
        above "$(mean "$name" 200 100 150 200)" 0.05; then
        logo_on_black=yes
        break
    fi
done
[[ -n "$logo_on_black" ]] || e2e_fail "no shot of the opening shows the logo on black"

sleep 5
# Point at the story entry of the title and click it.
xdotool mousemove --window "$wid" 250 $((398 + menu_height))
sleep 0.5
shot title
above "$(mean title 500 500 0 0)" 0.05 || e2e_fail "the title is not shown after the opening"
xdotool click 1
clicked="$(date +%s.%N)"

# Story ticks come every 0.5 s from about 1.25 s after the click (the title's fade out, then
# the title's interval); a step lasts five ticks.
at() { sleep "$(awk -v t="$clicked" -v d="$1" -v now="$(date +%s.%N)" 'BEGIN { s = t + d - now; print (s > 0 ? s : 0) }')"; }
at 7.3; shot story_step03    # step 3, its band half faded in, no picture yet
at 23.5; shot story_step10   # step 10, the middle picture fully faded in
at 34.8; shot story_step16   # step 16, the side pictures half faded in
at 50.0; shot story_step23   # step 23, the whole story

# Step 3: text at the top over black, nothing of the picture yet.
above "$(mean story_step03 500 60 0 10)" 0.01 || e2e_fail "step 3 shows no text at the top"
above "$(mean story_step03 300 200 100 250)" 0.01 && e2e_fail "step 3 shows something below its text"
# Step 10: the middle of the picture; the left side parts are still dark.
above "$(mean story_step10 200 150 148 290)" 0.05 || e2e_fail "step 10 shows no middle picture"
# Step 23: the side parts too.
above "$(mean story_step23 110 150 12 285)" 0.05 || e2e_fail "step 23 shows no side picture"
above "$(mean story_step23 110 150 12 285)" "$(mean story_step10 110 150 12 285)" ||
    e2e_fail "the side parts at step 23 are no brighter than at step 10"

# After step 23's five ticks the story fades out and the title comes back; the menu is left out
# of the comparison, as the title returns with no entry highlighted until the pointer moves.
# A loaded machine runs the ticks late, so look again for a while before giving up.
above_menu() { convert "$shots/$1.png" -crop "500x370+0+${menu_height}" +repage "$E2E_TMP/$1.crop.png"; }
above_menu title
at 56.0
for ((try = 0; try < 30; try++)); do
    shot back_to_title
    above_menu back_to_title
    difference="$(compare -metric RMSE "$E2E_TMP/title.crop.png" "$E2E_TMP/back_to_title.crop.png" null: 2>&1 |
        sed 's/.*(\(.*\))/\1/')"
    above "$difference" 0.02 || break
    sleep 0.5
done
above "$difference" 0.02 && e2e_fail "the title did not return after the story (RMSE $difference)"

e2e_press_close "$wid"
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "close box: exit status $E2E_STATUS"
e2e_log "PASS"
