# Shared helpers of the end-to-end tests: a private Xvfb display, a copy of the app folder to run
# from, the game window found by its caption, screenshots and the window's close box.
# Source it; call e2e_setup first. Everything started here is stopped by the EXIT trap.

E2E_CAPTION='ケルボラ'
E2E_TMP=""
E2E_DISPLAY_PID=""  # the display server: Xvfb, or a test's own Wayland compositor
E2E_APP_PID=""
E2E_APP=""
E2E_STATUS=""

e2e_log() { echo "[$(basename "$0")] $*" >&2; }

e2e_fail() {
    e2e_log "FAIL: $*"
    if [[ -n "$E2E_TMP" && -f "$E2E_TMP/stderr" ]]; then
        e2e_log "program's stderr:"
        sed 's/^/    /' "$E2E_TMP/stderr" >&2
    fi
    exit 1
}

e2e_cleanup() {
    [[ -n "${E2E_SERVER_PID:-}" ]] && kill "$E2E_SERVER_PID" 2>/dev/null
    if [[ -n "$E2E_APP_PID" ]] && kill -0 "$E2E_APP_PID" 2>/dev/null; then
        kill "$E2E_APP_PID" 2>/dev/null
        wait "$E2E_APP_PID" 2>/dev/null
    fi
    if [[ -n "$E2E_DISPLAY_PID" ]] && kill -0 "$E2E_DISPLAY_PID" 2>/dev/null; then
        kill "$E2E_DISPLAY_PID" 2>/dev/null
        wait "$E2E_DISPLAY_PID" 2>/dev/null
    fi
    if [[ -n "$E2E_TMP" && -d "$E2E_TMP" ]]; then
        if [[ -n "${E2E_KEEP:-}" ]]; then e2e_log "kept $E2E_TMP"; else rm -rf "$E2E_TMP"; fi
    fi
}

# e2e_setup APP_FOLDER: a temporary copy of the app folder in $E2E_APP and a fresh display.
e2e_setup() {
    for tool in Xvfb xdotool xprop import convert compare; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
    done
    e2e_setup_app "$1"
    e2e_start_xvfb
}

# e2e_setup_app APP_FOLDER: only the copy of the app folder, for a test that brings its own display.
e2e_setup_app() {
    local source_dir="$1"
    [[ -x "$source_dir/kelvora" ]] || e2e_fail "no program at $source_dir/kelvora"
    trap e2e_cleanup EXIT
    E2E_TMP="$(mktemp -d /tmp/kelvora-e2e.XXXXXX)"
    E2E_APP="$E2E_TMP/app"
    mkdir -p "$E2E_APP"
    cp -r "$source_dir"/. "$E2E_APP"/
    # Rank files and replays of an earlier run would make this one differ from a first start.
    rm -rf "$E2E_APP"/*.dat "$E2E_APP"/replays
    e2e_private_cache
}

# The game's tune cache goes with the rest of the run, never into the machine's ~/.cache.
e2e_private_cache() { export XDG_CACHE_HOME="$E2E_TMP/cache"; }

# Starts Xvfb on a display number it picks itself (-displayfd avoids races between test runs).
e2e_start_xvfb() {
    local fd_file="$E2E_TMP/display"
    : >"$fd_file"
    # The package tests make their own folder and come here first.
    e2e_private_cache
    # -noreset: without it the server restarts whenever its last client leaves, and a program
    # started in that moment finds no display.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fd_file" 2>"$E2E_TMP/xvfb.log" &
    E2E_DISPLAY_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do
        if [[ -s "$fd_file" ]] && grep -q '^[0-9]' "$fd_file"; then
            export DISPLAY=":$(head -n1 "$fd_file" | tr -d '[:space:]')"
            return 0
        fi
        kill -0 "$E2E_DISPLAY_PID" 2>/dev/null || e2e_fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
        sleep 0.1
    done
    e2e_fail "Xvfb gave no display number within 10 s"
}

# e2e_start_app [ENV ARGUMENTS...]: starts the copied program from its own folder, with env's
# arguments (-u NAME, NAME=VALUE) before it; stdout and stderr go to $E2E_TMP.
e2e_start_app() {
    (cd "$E2E_APP" && exec env "$@" SDL_AUDIODRIVER=dummy ./kelvora >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    E2E_APP_PID=$!
}

# e2e_start_server PROGRAM [OPTION...]: the ranking server on a free loopback port with its
# database and log in $E2E_TMP; sets port. The cleanup stops it.
e2e_start_server() {
    local program="$1" i
    shift
    "$program" "$@" --port 0 --db "$E2E_TMP/ranking.db" 2>"$E2E_TMP/server.log" &
    E2E_SERVER_PID=$!
    for ((i = 0; i < 50; i++)); do
        port="$(grep -o 'listening on http://127.0.0.1:[0-9]*' "$E2E_TMP/server.log" | grep -o '[0-9]*$')"
        [[ -n "$port" ]] && return
        sleep 0.1
    done
    e2e_fail "the ranking server did not start: $(cat "$E2E_TMP/server.log")"
}

# e2e_other_window: waits up to 5 s for a visible window of the program besides the game window
# and sets its id in other_wid, or fails the test.
e2e_other_window() {
    local i
    for ((i = 0; i < 50; i++)); do
        other_wid="$(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | grep -vx "$wid" | head -n1)"
        [[ -n "$other_wid" ]] && return
        sleep 0.1
    done
    e2e_fail "no window opened beside the game window"
}

# e2e_find_window [SECONDS]: prints the id of the visible game window, found by its caption.
e2e_find_window() {
    local limit="${1:-20}" i id
    for ((i = 0; i < limit * 10; i++)); do
        id="$(xdotool search --onlyvisible --name "^${E2E_CAPTION}\$" 2>/dev/null | head -n1)"
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        kill -0 "$E2E_APP_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# e2e_game_window: waits for the game window (or fails the test) and sets wid, its geometry
# (WIDTH, HEIGHT, X, Y) and menu_height, the height of the menu bar above the 500-pixel picture.
e2e_game_window() {
    wid="$(e2e_find_window 30)" || e2e_fail "no visible window captioned ${E2E_CAPTION}"
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    menu_height=$((HEIGHT - 500))
}

# e2e_wait_exit [SECONDS]: waits for the program to end and sets E2E_STATUS to its exit status
# ("timeout" when it is still running after the limit). Call it directly, not in $(...).
e2e_wait_exit() {
    local limit="${1:-10}" i
    for ((i = 0; i < limit * 10; i++)); do
        if ! kill -0 "$E2E_APP_PID" 2>/dev/null; then
            wait "$E2E_APP_PID"
            E2E_STATUS=$?
            E2E_APP_PID=""
            return 0
        fi
        sleep 0.1
    done
    E2E_STATUS=timeout
}

# e2e_screenshot FILE [WINDOW]: the whole screen, or one window.
e2e_screenshot() {
    import -window "${2:-root}" "$1" 2>/dev/null
}

# e2e_press_close WINDOW: what the close box does, sent as the window manager would
# (WM_DELETE_WINDOW); there is no window manager on the test display.
e2e_press_close() {
    local python=python3
    [[ -x /usr/bin/python3 ]] && python=/usr/bin/python3
    "$python" - "$1" <<'EOF'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

display = x.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
window = int(sys.argv[1])
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.window = window
event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.xclient.data[1] = 0  # CurrentTime
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush(display)
x.XCloseDisplay(display)
EOF
}

# e2e_menu_centres SHOT MENU_HEIGHT: the x centre of each caption in the menu bar strip of a
# window screenshot, one a line: runs of columns holding dark pixels, with gaps of up to 9
# columns inside one caption (a space between two English words), while captions stand about 14
# columns apart.
e2e_menu_centres() {
    local shot="$1" height="$2"
    convert "$shot" -crop "500x${height}+0+0" +repage -colorspace Gray txt:- | awk '
        NR == 1 { split($0, h, /[:,]/); maxv = h[4] + 0; next }
        {
            split($1, p, /[,:]/); x = p[1] + 0
            v = $2; gsub(/[()]/, "", v); split(v, c, ","); g = c[1] + 0
            if (g < maxv * 0.45) dark[x] = 1
        }
        END {
            start = -1; last = -100
            for (x = 0; x < 500; x++) {
                if (!(x in dark)) continue
                if (x - last > 10) {
                    if (start >= 0) print int((start + last) / 2)
                    start = x
                }
                last = x
            }
            if (start >= 0) print int((start + last) / 2)
        }'
}

e2e_python() {
    if [[ -x /usr/bin/python3 ]]; then /usr/bin/python3 "$@"; else python3 "$@"; fi
}

# e2e_write_point_ranking FILE: a point ranking whose scores are all negative, so that a game of 0
# points earns place 1.
e2e_write_point_ranking() {
    e2e_python - "$1" <<'PY'
import struct, sys
scores = [0] + [-p for p in range(1, 11)]
def text(b): return struct.pack('<H', len(b)) + b
record = b''.join(struct.pack('<i', s) for s in scores)
record += text(b'') + b''.join(text(b'P%d' % p) for p in range(1, 11))
record += text(b'') + b''.join(text(b'-') for p in range(1, 11))
open(sys.argv[1], 'wb').write(record)
PY
}

# e2e_check_point_ranking FILE: that ranking after a game of 0 points as "ABC" with drop size 1,
# speed 5 and rain 5, byte for byte: ABC first, the rest moved down one place.
e2e_check_point_ranking() {
    e2e_python - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
scores = list(struct.unpack_from('<11i', data, 0))
pos = 44
def texts(pos):
    out = []
    for _ in range(11):
        (n,) = struct.unpack_from('<H', data, pos); pos += 2
        out.append(data[pos:pos + n]); pos += n
    return out, pos
names, pos = texts(pos)
notes, pos = texts(pos)
expect_scores = [0, 0] + [-p for p in range(1, 10)]
expect_names = [b'', b'ABC'] + [b'P%d' % p for p in range(1, 10)]
expect_notes = [b'', b' 4 1 5 5 2 2'] + [b'-'] * 9
ok = scores == expect_scores and names == expect_names and notes == expect_notes and pos == len(data)
if not ok:
    print("scores", scores, "names", names, "notes", notes, "end", pos, "size", len(data), file=sys.stderr)
sys.exit(0 if ok else 1)
PY
}
