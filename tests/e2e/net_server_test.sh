#!/usr/bin/env bash
# The game against our own ranking server: results entered over HTTP as a player's browser
# would, then the real window's net tab downloads them: "net_rank.dat" holds exactly those
# results, in order, with the server's date. Usage: net_server_test.sh APP_FOLDER (the server is
# APP_FOLDER/../server/kelvora-server). E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
app_dir="${1:?usage: $0 APP_FOLDER}"
server="$(cd "$app_dir/.." && pwd)/server/kelvora-server"
[[ -x "$server" ]] || { echo "no $server" >&2; exit 1; }
e2e_setup "$app_dir"

python=python3
[[ -x /usr/bin/python3 ]] && python=/usr/bin/python3
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"
e2e_start_server "$server" --accept-passwords

# Twelve results entered through the form (two of equal score, the earlier ahead), one of them
# twice, and one with a wrong password; the expected net ranking file from the ten best.
"$python" - "$port" "$E2E_TMP/net_expected.dat" <<'PY' || e2e_fail "entering the results failed"
import struct, sys, time, urllib.error, urllib.parse, urllib.request
port, expected_path = sys.argv[1], sys.argv[2]
def password(score):
    v, out = pow(score, 7219, 301726453), ""
    for _ in range(6):
        out = chr(97 + v % 26) + out
        v //= 26
    return out
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
def enter(name, score, pw):
    body = urllib.parse.urlencode({"name": name, "score": score, "password": pw}).encode()
    try:
        return opener.open(f"http://127.0.0.1:{port}/entry", data=body).status
    except urllib.error.HTTPError as e:
        return e.code
today = time.strftime("%Y/%m/%d")
results = [("AAA", 500), ("B!z", 90000), ("CC", 7000), ("D", 7000), ("E", 1), ("FFF", 999999999),
           ("G", 0), ("H", 64000), ("III", 31000), ("J", 2500), ("K", 2500), ("L", 123)]
for name, score in results + [("CC", 7000)]:
    assert enter(name, score, password(score)) == 200, name  # the redirect to the top page, followed
assert enter("X", 100, password(101)) == 400
best = sorted(enumerate(results), key=lambda r: (-r[1][1], r[0]))[:10]
def text(s):
    b = s.encode("cp932")
    return struct.pack("<H", len(b)) + b
record = b"".join(struct.pack("<i", s) for s in [0] + [r[1][1] for r in best])
record += b"".join(text(s) for s in [""] + [r[1][0] for r in best])
record += b"".join(text(s) for s in [""] + [today] * 10)
open(expected_path, "wb").write(record)
PY

(cd "$E2E_APP" && exec env SDL_AUDIODRIVER=dummy KELVORA_RANKING_SERVER="http://127.0.0.1:$port" \
    ./kelvora >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
E2E_APP_PID=$!
e2e_game_window
sleep 7  # the opening and the title's fade-in

move() { xdotool mousemove --window "$wid" "$1" $(($2 + menu_height)); }
click() { move "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.4; }
# Title menu -> rankings, then the net tab.
move 250 477; sleep 0.4; click 250 477; sleep 1.5
click 375 97
for ((i = 0; i < 50; i++)); do
    [[ -s "$E2E_APP/net_rank.dat" ]] && cmp -s "$E2E_APP/net_rank.dat" "$E2E_TMP/net_expected.dat" && break
    sleep 0.2
done
move 250 300; sleep 0.6
e2e_screenshot "$shots/net_tab.png" "$wid"
cmp -s "$E2E_APP/net_rank.dat" "$E2E_TMP/net_expected.dat" || {
    od -c "$E2E_APP/net_rank.dat" | head -20 >&2
    e2e_fail "net_rank.dat does not hold the entered results"
}
grep -q 'GET /cgi-bin/list.cgi?filename=kelv&unit= 200' "$E2E_TMP/server.log" || e2e_fail "the server saw no download"

xdotool key --window "$wid" Escape; sleep 2.5
xdotool key --window "$wid" Escape
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "exit status $E2E_STATUS after Esc on the title"
e2e_log "PASS"
