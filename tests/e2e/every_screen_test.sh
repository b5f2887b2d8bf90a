#!/usr/bin/env bash
# Every screen of the real program in one language under Xvfb (English unless E2E_LANG=ja), as a
# player goes through them: the title and its menu bar, the version window, the help page, the
# options with a help text, the four rankings, the story, a few seconds of an official game, and
# an option game of tiny drops in fast heavy rain to its game over and name entry. Each screen
# must show that language's pictures, and the rank file gets the same bytes in every language.
# Usage: every_screen_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots (scripts/screenshots).
set -uo pipefail
source "$(dirname "$0")/lib.sh"
lang="${E2E_LANG:-en}"
case "$lang" in
en) E2E_CAPTION='Kelvora' own=en/ other='' ;;
ja) own='' other=en/ ;;
*) echo "E2E_LANG is en or ja" >&2; exit 2 ;;
esac
export KELVORA_LANG="$lang"
e2e_setup "${1:?usage: $0 APP_FOLDER}"
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"

# A browser stand-in that notes what it was asked to open.
mkdir -p "$E2E_TMP/bin"
printf '#!/bin/sh\necho "$1" >>"%s/opened"\n' "$E2E_TMP" >"$E2E_TMP/bin/xdg-open"
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"
e2e_write_point_ranking "$E2E_APP/point_rank.dat"

e2e_start_app
e2e_game_window
shot() { e2e_screenshot "$shots/$1.png" "$wid"; }
move() { xdotool mousemove --window "$wid" "$1" $(($2 + menu_height)); }
click() { move "$1" "$2"; sleep 0.2; xdotool click "${3:-1}"; sleep 0.3; }
# shows SHOT PICTURE W H X Y: the shot's picture area holds this part of the app folder's picture
# (at the same place) in the language under test, and not the other language's.
differs() {
    convert "$shots/$1.png" -crop "${3}x${4}+${5}+$((${6} + menu_height))" +repage \
        \( "$E2E_APP/$2" -crop "${3}x${4}+${5}+${6}" +repage \) -compose difference -composite \
        -colorspace Gray -format '%[fx:mean]' info:
}
shows() {
    local own_difference other_difference
    own_difference="$(differs "$1" "$own$2" "${@:3}")"
    other_difference="$(differs "$1" "$other$2" "${@:3}")"
    awk -v a="$own_difference" -v b="$other_difference" 'BEGIN { exit !(a < 0.01 && b > 0.02) }' ||
        e2e_fail "$1 does not show the $lang $2 at ${*:3} (difference $own_difference, other language $other_difference)"
}
# bright SHOT W H X Y: the share of the area's pixels that are light (drawn text).
bright() {
    convert "$shots/$1.png" -crop "${2}x${3}+${4}+$((${5} + menu_height))" +repage -colorspace Gray \
        -threshold 70% -format '%[fx:mean]' info:
}
# brightest SHOT COUNT W H X Y: of COUNT shots in a row, keeps as SHOT the one with the most light
# pixels in the area, to catch lettering that comes and goes.
brightest() {
    local best=-1 i b
    for ((i = 0; i < $2; i++)); do
        shot "$1_$i"
        b="$(bright "$1_$i" "${@:3}")"
        if awk -v b="$b" -v best="$best" 'BEGIN { exit !(b > best) }'; then
            best="$b"
            mv "$shots/$1_$i.png" "$shots/$1.png"
        else
            rm -f "$shots/$1_$i.png"
        fi
    done
}

sleep 7  # the opening and the title's fade-in
move 450 30
sleep 0.5
shot title
shows title open_image.bmp 168 120 166 377
shows title open_image.bmp 360 30 70 300
mapfile -t centres < <(e2e_menu_centres "$shots/title.png" "$menu_height")
((${#centres[@]} == 6 && centres[5] < 495)) || e2e_fail "the menu bar shows ${#centres[@]} captions: ${centres[*]}"

# The version window over the title, from the menu bar's third caption.
xdotool mousemove --window "$wid" "${centres[2]}" $((menu_height / 2)) click 1
for ((i = 0; i < 50; i++)); do
    vid="$(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | grep -vx "$wid" | head -n1)"
    [[ -n "$vid" ]] && break
    sleep 0.1
done
[[ -n "$vid" ]] || e2e_fail "the version window did not open"
sleep 0.5
e2e_screenshot "$shots/version.png" "$vid"
xdotool mousemove --window "$vid" 150 100 click 1
sleep 0.5

# The help page in the player's language.
xdotool mousemove --window "$wid" "${centres[3]}" $((menu_height / 2)) click 1
sleep 1.5
[[ "$(cat "$E2E_TMP/opened" 2>/dev/null)" == "$E2E_APP/${own}help.html" ]] ||
    e2e_fail "the help command opened \"$(cat "$E2E_TMP/opened" 2>/dev/null)\", not ${own}help.html"

# The options, with the help text of the fall speed under the pointer.
move 250 452; sleep 0.3
click 250 452
sleep 2
move 260 222; sleep 0.6
shot options
shows options option_image.bmp 210 300 14 100
awk -v b="$(bright options 190 100 300 110)" 'BEGIN { exit !(b > 0.03) }' || e2e_fail "no help text on the options"

# The rankings, each tab in turn.
xdotool key --window "$wid" Escape
sleep 2.5
move 250 477; sleep 0.3
click 250 477
sleep 2
for tab in "official 100 97" "net 370 97" "point 150 150" "chain 330 147"; do
    read -r name x y <<<"$tab"
    click "$x" "$y"
    sleep 0.8
    shot "ranking_$name"
    awk -v b="$(bright "ranking_$name" 480 40 10 310)" 'BEGIN { exit !(b > 0.02) }' ||
        e2e_fail "the $name ranking shows no headings"
done
shows ranking_chain rank_image.bmp 480 60 10 10
xdotool key --window "$wid" Escape
sleep 2.5

# The story to its full text, then back to the title.
move 250 398; sleep 0.3
click 250 398
sleep 48  # its last step, the whole text over the whole picture
shot story
awk -v b="$(bright story 500 40 0 30)" 'BEGIN { exit !(b > 0.01) }' || e2e_fail "the story shows no title"
xdotool key --window "$wid" Escape
sleep 3

# An official game for a few seconds, then back to the title.
move 250 425; sleep 0.3
click 250 425
brightest start 25 400 80 50 160
sleep 4
shot play
shows play back_image.bmp 100 30 20 38
shows play back_image.bmp 95 30 195 10
xdotool key --window "$wid" Escape
sleep 3

# An option game of tiny drops in fast heavy rain, to its game over and name entry.
move 250 452; sleep 0.3
click 250 452
sleep 2
click 270 172 3; click 270 172 3
click 270 222 3
click 270 272; click 270 272
move 250 445; sleep 0.3
click 250 445
entry=""
for ((deadline = SECONDS + 150; SECONDS < deadline; )); do
    sleep 1
    e2e_screenshot "$E2E_TMP/poll.png" "$wid"
    # The name-entry box is a black 250 x 200 rectangle at (125, 150).
    if awk -v m="$(convert "$E2E_TMP/poll.png" -crop "240x10+130+$((155 + menu_height))" +repage \
        -format '%[fx:mean]' info:)" 'BEGIN { exit !(m < 0.02) }'; then
        entry=yes
        break
    fi
done
[[ -n "$entry" ]] || e2e_fail "no name entry within 150 s of play"
sleep 1
for _ in 1 2 3; do xdotool key --window "$wid" BackSpace; sleep 0.1; done
xdotool type --window "$wid" --delay 150 "ABC"
sleep 0.6
shot name_entry
awk -v b="$(bright name_entry 250 40 125 155)" 'BEGIN { exit !(b > 0.03) }' || e2e_fail "the name entry has no heading"
click 335 330
# The game over lettering blinks once the name is in.
brightest game_over 8 450 100 25 180
e2e_check_point_ranking "$E2E_APP/point_rank.dat" || e2e_fail "point_rank.dat does not hold the new first place"

e2e_press_close "$wid"
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "exit status $E2E_STATUS after the close box"
e2e_log "PASS ($lang)"
