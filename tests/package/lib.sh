# Shared steps of the install and package tests, over the end-to-end helpers: running an installed
# game as a player would and checking what it did. Source after ../e2e/lib.sh.

PACKAGE_TEST_DATA="$(cd "$(dirname "${BASH_SOURCE[0]}")/../data" && pwd)"

# A game run inside a chroot sees the files of the test under PACKAGE_ROOT.
PACKAGE_ROOT=""

# Runs "$@" in the background as the game, with its sound written to $E2E_TMP/<label>.audio
# instead of a device, and stdout and stderr into $E2E_TMP.
package_start_game() {
    local label="$1"
    shift
    mkdir -p "$PACKAGE_ROOT$E2E_TMP"
    : >"$PACKAGE_ROOT$E2E_TMP/$label.audio"
    chmod 666 "$PACKAGE_ROOT$E2E_TMP/$label.audio"
    (
        export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/$label.audio"
        exec "$@" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr" </dev/null
    ) &
    E2E_APP_PID=$!
}

# Tenths of a second of sound written so far that are clearly audible: the sound goes out as
# 16-bit samples, and the mixer's silence is never more than a step or two from zero.
package_loud_tenths() {
    python3 - "$1" <<'PY'
import array, sys
data = open(sys.argv[1], 'rb').read()
samples = array.array('h', data[:len(data) // 2 * 2])
tenth = 4410 * 2  # 44.1 kHz stereo
print(sum(1 for i in range(0, len(samples), tenth) if max(map(abs, samples[i:i + tenth]), default=0) > 1000))
PY
}

# package_check_game LABEL DATA_FOLDER COMMAND...: starts the game, checks that its window shows
# its pictures, that its title music plays, that the close box ends it with status 0, and that
# its four rank files hold the default tables in DATA_FOLDER.
package_check_game() {
    local label="$1" data="$2"
    shift 2
    package_start_game "$label" "$@"
    local wid
    wid="$(e2e_find_window 60)" || e2e_fail "$label: no visible window captioned ${E2E_CAPTION}"
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    local menu_height=$((HEIGHT - 500)) colours=1 i
    for ((i = 0; i < 60 && colours <= 1; i++)); do
        sleep 0.5
        e2e_screenshot "$E2E_TMP/$label.png" "$wid"
        colours="$(convert "$E2E_TMP/$label.png" -crop "500x500+0+${menu_height}" +repage -format '%k' info:)"
    done
    ((colours > 1)) || e2e_fail "$label: the picture area stayed one colour"
    # Nothing plays before the title; its tune is the first sound, and it goes on for seconds.
    local sound=0
    for ((i = 0; i < 60; i++)); do
        sound="$(package_loud_tenths "$PACKAGE_ROOT$E2E_TMP/$label.audio")"
        ((sound >= 20)) && break
        sleep 0.5
    done
    ((sound >= 20)) || e2e_fail "$label: the title music did not play ($sound tenths of a second of sound)"
    e2e_press_close "$wid" || e2e_fail "$label: could not send the close request"
    e2e_wait_exit 20
    [[ "$E2E_STATUS" == 0 ]] || e2e_fail "$label: exit status $E2E_STATUS after the close box, expected 0"
    # What the program said, less the sound driver's notice that it writes to a file.
    local said
    said="$(grep -v -e 'SDL disk i/o audio driver' -e 'Writing to file' -e 'XDG_RUNTIME_DIR' "$E2E_TMP/stderr")"
    [[ -z "$said" ]] || e2e_log "$label: stderr: ${said:0:400}"

    local file
    cmp -s "$data/offical_rank.dat" "$PACKAGE_TEST_DATA/rank_default_official.dat" ||
        e2e_fail "$label: no default official rank file in $data"
    for file in point_rank.dat rensa_rank.dat net_rank.dat; do
        [[ "$(stat -c %s "$data/$file" 2>/dev/null)" == 108 ]] || e2e_fail "$label: no default $file in $data"
    done
    e2e_log "$label: window, pictures, title music ($((sound * 100)) ms), rank files in $data, exit 0"
}
