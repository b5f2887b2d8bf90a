#!/usr/bin/env bash
# A picture missing from the program's folder: start-up names the file on stderr, shows a
# message box and, once the box is dismissed, ends with a non-zero status.
# Usage: missing_picture_test.sh APP_FOLDER (the build's kelvora/ folder).
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "${1:?usage: $0 APP_FOLDER}"

missing=rank_image.bmp
[[ -f "$E2E_APP/$missing" ]] || e2e_fail "the app folder has no $missing to remove"
rm -f "$E2E_APP/$missing"

e2e_start_app
box="$(e2e_find_window 30)" || e2e_fail "no message box captioned ${E2E_CAPTION}"
e2e_screenshot "$E2E_TMP/message.png"
sleep 0.5
status=timeout
for ((attempt = 0; attempt < 5; attempt++)); do
    xdotool windowfocus "$box" 2>/dev/null
    xdotool key Return
    e2e_wait_exit 2
    status="$E2E_STATUS"
    [[ "$status" == timeout ]] || break
done
[[ "$status" != timeout ]] || e2e_fail "the program did not end after the message box"
[[ "$status" != 0 ]] || e2e_fail "exit status 0 after a missing picture"
grep -q "^kelvora: .*$missing" "$E2E_TMP/stderr" || e2e_fail "stderr does not name $missing"
e2e_log "exit status $status; $(grep "^kelvora: " "$E2E_TMP/stderr" | head -n1)"
e2e_log "PASS"
