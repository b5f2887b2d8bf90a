#!/usr/bin/env bash
# The ranking screen in the real window under Xvfb, against a ranking server on the loopback:
# title -> rankings, every tab pointed at and shown, the net ranking downloaded once and
# "net_rank.dat" checked byte for byte; then a server that accepts and never answers: the game
# gives up within its time limit, keeps the saved net ranking and still quits with Esc.
# Usage: ranking_test.sh APP_FOLDER. E2E_SHOTS=DIR keeps the screenshots.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "${1:?usage: $0 APP_FOLDER}"

python=python3
[[ -x /usr/bin/python3 ]] && python=/usr/bin/python3
shots="${E2E_SHOTS:-$E2E_TMP/shots}"
mkdir -p "$shots"
SERVER_PID=""
stop_server() {
    if [[ -n "$SERVER_PID" ]] && kill -0 "$SERVER_PID" 2>/dev/null; then
        kill "$SERVER_PID" 2>/dev/null
        wait "$SERVER_PID" 2>/dev/null
    fi
    SERVER_PID=""
}
trap 'stop_server; e2e_cleanup' EXIT

# Rank files and the server's page, all from one description of the tables.
"$python" - "$E2E_APP" "$E2E_TMP" <<'PY'
import struct, sys
app, tmp = sys.argv[1], sys.argv[2]

def record(scores, names, notes):
    def text(s):
        b = s.encode('cp932')
        return struct.pack('<H', len(b)) + b
    out = b''.join(struct.pack('<i', s) for s in [0] + scores)
    out += b''.join(text(s) for s in [''] + names)
    out += b''.join(text(s) for s in [''] + notes)
    return out

names = ['ケルボ', '雨太郎', 'ABC', 'しずく', 'ｱﾒ', '晴', 'Zed', 'ぽつり', '霧', 'み']
official = record([98760 - 7000 * p for p in range(10)], names,
                  ['qhwzbn', 'abqxma', 'kdpslw', 'zzkqae', 'mnbvcx', 'ploiku', 'aaaaab', 'wertyu', 'hgfdsa', 'aaaaaa'])
point = record([54321 - 4000 * p for p in range(10)], list(reversed(names)),
               ['official', ' 4 3 1 3 2 2', ' 9 5 5 5 9 5', 'official', ' 2 1 1 1 2 1',
                'official', ' 4 3 1 3 2 2', ' 5 2 3 4 2 3', 'official', ' 4 3 1 3 2 2'])
chain = record([31 - 3 * p for p in range(10)], names[3:] + names[:3],
               [' 4 3 1 3 2 2', 'official', 'official', ' 9 5 5 5 9 5', 'official',
                ' 2 1 1 1 2 1', 'official', 'official', ' 4 3 1 3 2 2', 'official'])
earlier_net = record([0] * 10, ['-'] * 10, ['-'] * 10)
for name, data in [('offical_rank.dat', official), ('point_rank.dat', point), ('rensa_rank.dat', chain),
                   ('net_rank.dat', earlier_net)]:
    open(f'{app}/{name}', 'wb').write(data)

# The server's list: ten rows of place, name, date and score; one name long enough to run into
# the place column, one score written with blanks.
net_names = ['ケルボ名人', 'しずく', 'とても長い名前の雨粒さん', 'ABC', '霧雨', 'ポツリ', 'XYZ', '夕立', 'にわか雨', 'み']
net_dates = [f'2001/0{1 + p % 9}/{10 + p}' for p in range(10)]
net_scores = [987654 - 54321 * p for p in range(10)]
rows = ''.join(f'<TR><TD>{p + 1}位</TD><TD>{net_names[p]}</TD><TD>{net_dates[p]}</TD>'
               f'<TD>{" 98 7654" if p == 0 else net_scores[p]}</TD></TR>\n' for p in range(10))
page = ('<HTML><HEAD><TITLE>ランキング</TITLE></HEAD><BODY>\n<TABLE BORDER=1>\n'
        '<TR><TD>順位</TD><TD>名前</TD><TD>日付</TD><TD>得点</TD></TR>\n' + rows + '</TABLE></BODY></HTML>\n')
open(f'{tmp}/page.html', 'wb').write(page.encode('cp932'))
open(f'{tmp}/net_expected.dat', 'wb').write(record(net_scores, net_names, net_dates))
PY
[[ -s "$E2E_TMP/page.html" ]] || e2e_fail "cannot write the fixtures"

# start_server MODE: "page" answers GET /cgi-bin/list.cgi with the page and logs each request
# line; "silent" accepts connections, logs them and never answers. Sets SERVER_PORT.
start_server() {
    : >"$E2E_TMP/port"
    : >"$E2E_TMP/requests"
    : >"$E2E_TMP/waits"
    "$python" - "$1" "$E2E_TMP" <<'PY' 2>"$E2E_TMP/server.log" &
import http.server, socket, sys, threading, time
mode, tmp = sys.argv[1], sys.argv[2]
log = open(f'{tmp}/requests', 'a', buffering=1)
if mode == 'page':
    page = open(f'{tmp}/page.html', 'rb').read()
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            log.write(self.path + '\n')
            body = page if self.path.startswith('/cgi-bin/list.cgi') else b'not here'
            self.send_response(200 if body is page else 404)
            self.send_header('Content-Type', 'text/html; charset=Shift_JIS')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            self.wfile.write(body)
    server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
    open(f'{tmp}/port', 'w').write(str(server.server_address[1]))
    server.serve_forever()
else:
    listener = socket.socket()
    listener.bind(('127.0.0.1', 0))
    listener.listen(8)
    open(f'{tmp}/port', 'w').write(str(listener.getsockname()[1]))
    waits = open(f'{tmp}/waits', 'a', buffering=1)
    def hold(connection):
        # Reads whatever comes and answers nothing; notes how long the client stayed.
        start = time.monotonic()
        try:
            while connection.recv(4096):
                pass
        except OSError:
            pass
        waits.write(f'{time.monotonic() - start:.2f}\n')
    while True:
        connection, _ = listener.accept()
        log.write('connection\n')
        threading.Thread(target=hold, args=(connection,), daemon=True).start()
PY
    SERVER_PID=$!
    local i
    for ((i = 0; i < 50; i++)); do
        [[ -s "$E2E_TMP/port" ]] && break
        sleep 0.1
    done
    SERVER_PORT="$(cat "$E2E_TMP/port")"
    [[ -n "$SERVER_PORT" ]] || e2e_fail "the test server did not start: $(cat "$E2E_TMP/server.log")"
}

# Starts the game against the server; waits for the title.
start_game() {
    (cd "$E2E_APP" && exec env SDL_AUDIODRIVER=dummy KELVORA_RANKING_SERVER="http://127.0.0.1:$SERVER_PORT" \
        ./kelvora >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    E2E_APP_PID=$!
    e2e_game_window
    # The opening and the title's fade-in run for a few seconds.
    sleep 7
}

# Picture coordinates -> window coordinates (the picture sits below the menu bar).
move() { xdotool mousemove --window "$wid" "$1" $(($2 + menu_height)); }
click() { move "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.4; }
shot() { e2e_screenshot "$shots/$1.png" "$wid"; }
# The mean brightness of the table's half of the picture in a screenshot.
table_mean() { convert "$1" -crop "500x250+0+$((250 + menu_height))" +repage -format '%[fx:mean]' info:; }
differ() { "$python" -c "import sys; sys.exit(0 if abs(float('$1') - float('$2')) > 0.002 else 1)"; }
# Title menu -> rankings (the press acts on the entry last pointed at).
enter_rankings() { move 250 477; sleep 0.4; click 250 477; sleep 1.5; }
press_escape() { xdotool key --window "$wid" Escape; }

# --- a server that answers ---
start_server page
start_game
enter_rankings
shot rankings_first
move 250 300; sleep 0.6
shot rankings_no_table
empty_mean="$(table_mean "$shots/rankings_no_table.png")"

# Each tab pointed at shows its highlight and description; clicked, its table.
tab_x=(100 375 145 330)
tab_y=(97 97 150 147)
tab_names=(official net point chain)
for i in 0 2 3 1; do
    move "${tab_x[$i]}" "${tab_y[$i]}"; sleep 0.6
    shot "hover_${tab_names[$i]}"
    click "${tab_x[$i]}" "${tab_y[$i]}"
    sleep 0.6
    shot "table_${tab_names[$i]}"
    differ "$(table_mean "$shots/table_${tab_names[$i]}.png")" "$empty_mean" ||
        e2e_fail "no ${tab_names[$i]} table after its tab was clicked"
done
move 250 300; sleep 0.6
shot table_net_no_hover

cmp -s "$E2E_APP/net_rank.dat" "$E2E_TMP/net_expected.dat" || {
    od -c "$E2E_APP/net_rank.dat" | head -20 >&2
    e2e_fail "net_rank.dat does not hold the downloaded ranking"
}
# A second visit to the net tab, and a return through the title, download nothing more.
click 145 150
click 375 97
press_escape; sleep 2.5
enter_rankings
shot rankings_again
[[ "$(wc -l <"$E2E_TMP/requests")" == 1 ]] || e2e_fail "requests: $(tr '\n' ' ' <"$E2E_TMP/requests")"
[[ "$(head -n1 "$E2E_TMP/requests")" == "/cgi-bin/list.cgi?filename=kelv&unit=" ]] ||
    e2e_fail "asked for $(head -n1 "$E2E_TMP/requests")"
differ "$(table_mean "$shots/rankings_again.png")" "$empty_mean" || e2e_fail "the table chosen last is not shown again"

press_escape; sleep 2.5
press_escape
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "exit status $E2E_STATUS after Esc on the title"
stop_server

# --- a server that never answers ---
cp "$E2E_APP/net_rank.dat" "$E2E_TMP/net_before.dat"
start_server silent
start_game
enter_rankings
move 375 97; sleep 0.2
start_ms=$(($(date +%s%N) / 1000000))
xdotool click 1
# The game waits for the reply without repainting, then shows the net ranking it had saved.
shown=""
while (($(date +%s%N) / 1000000 - start_ms < 20000)); do
    e2e_screenshot "$E2E_TMP/poll.png" "$wid"
    if differ "$(table_mean "$E2E_TMP/poll.png")" "$empty_mean"; then
        shown=yes
        break
    fi
    sleep 0.25
done
waited_ms=$(($(date +%s%N) / 1000000 - start_ms))
[[ -n "$shown" ]] || e2e_fail "no net table 20 s after the click"
# The game's own limit is 5 s for the whole transfer; the server saw how long it stayed.
for ((i = 0; i < 20; i++)); do
    [[ -s "$E2E_TMP/waits" ]] && break
    sleep 0.1
done
held="$(head -n1 "$E2E_TMP/waits")"
[[ -n "$held" ]] || e2e_fail "the game never let go of the silent server"
"$python" -c "import sys; sys.exit(0 if float('$held') <= 5.5 else 1)" || e2e_fail "the game waited $held s for the reply"
e2e_log "the game gave up on the silent server after $held s; the table showed $waited_ms ms after the click"
shot table_net_offline
[[ "$(wc -l <"$E2E_TMP/requests")" == 1 ]] || e2e_fail "connections: $(wc -l <"$E2E_TMP/requests")"
cmp -s "$E2E_APP/net_rank.dat" "$E2E_TMP/net_before.dat" || e2e_fail "a failed download changed net_rank.dat"

# No second attempt in this run: the net tab answers at once.
click 145 150
click 375 97
sleep 1
[[ "$(wc -l <"$E2E_TMP/requests")" == 1 ]] || e2e_fail "a second download was tried"
press_escape; sleep 2.5
press_escape
e2e_wait_exit 10
[[ "$E2E_STATUS" == 0 ]] || e2e_fail "exit status $E2E_STATUS after Esc on the title"
e2e_log "PASS"
