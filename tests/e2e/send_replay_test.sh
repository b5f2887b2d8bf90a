#!/usr/bin/env bash
# Sending a finished official game from the real window to our own ranking server: the menu
# bar's sixth caption opens the send window over the title with the unsent replay chosen; a name
# and one press send it; the server verifies it and the window shows the place. Without a
# server the window says so and the replay stays. Usage: send_replay_test.sh APP_FOLDER (the
# server is APP_FOLDER/../server/kelvora-server). E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
app_dir="${1:?usage: $0 APP_FOLDER}"
server="$(cd "$app_dir/.." && pwd)/server/kelvora-server"
fixture="$(dirname "$0")/../data/official_game.kvr"
[[ -x "$server" ]] || { echo "no $server" >&2; exit 1; }
e2e_setup "$app_dir"
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots" "$E2E_APP/replays"
cp "$fixture" "$E2E_APP/replays/20261209-120000-1004.kvr"
e2e_start_server "$server"

# run_game SERVER_URL: starts the game against that server and waits for the title.
run_game() {
    e2e_start_app KELVORA_RANKING_SERVER="$1"
    e2e_game_window
    sleep 7  # the opening and the title's fade-in
}
# open_and_send NAME SHOT: the sixth caption, the name typed over what is there, the send button.
open_and_send() {
    e2e_screenshot "$shots/title.png" "$wid"
    mapfile -t centres < <(e2e_menu_centres "$shots/title.png" "$menu_height")
    ((${#centres[@]} == 6)) || e2e_fail "menu bar shows ${#centres[@]} captions, expected 6"
    xdotool mousemove --window "$wid" "${centres[5]}" $((menu_height / 2)) click 1
    e2e_other_window
    sid="$other_wid"
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$sid")"
    [[ "$WIDTH,$HEIGHT" == "360,250" ]] || e2e_fail "send window ${WIDTH}x${HEIGHT}, expected 360x250"
    xdotool mousemove --window "$sid" 80 169 click --repeat 3 1 type --delay 50 "$1"
    xdotool mousemove --window "$sid" 308 169 click 1
    sleep 1.5
    e2e_screenshot "$2" "$sid"
}

run_game "http://127.0.0.1:1"  # nothing listens there
open_and_send "E2E" "$shots/unreachable.png"
[[ -f "$E2E_APP/replays/20261209-120000-1004.kvr" && ! -s "$E2E_APP/replays/sent.txt" ]] ||
    e2e_fail "the replay was lost or marked sent without a server"
kill "$E2E_APP_PID"; wait "$E2E_APP_PID" 2>/dev/null

run_game "http://127.0.0.1:$port"
open_and_send "E2E" "$shots/accepted.png"
grep -q 'POST /replay?name=E2E 200' "$E2E_TMP/server.log" || e2e_fail "the server did not accept the replay: $(cat "$E2E_TMP/server.log")"
grep -qx '20261209-120000-1004.kvr' "$E2E_APP/replays/sent.txt" || e2e_fail "the replay is not marked sent"
python3 -c 'import sys, urllib.request
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
sys.stdout.write(opener.open(sys.argv[1]).read().decode())' "http://127.0.0.1:$port/" | grep -q '<td>E2E</td>' ||
    e2e_fail "the top page does not show the entry"
e2e_log "PASS"
