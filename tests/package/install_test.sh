#!/usr/bin/env bash
# The installed game: `cmake --install` into a temporary prefix gives the layout a desktop expects
# (valid desktop entry and metainfo, icons at every size, a manual page), and the game run from a
# read-only copy of that prefix starts, finds its pictures, plays its title music, writes its rank
# files into the player's data folder and quits cleanly. A read-only unpacked copy of the build's
# program folder also keeps its rank files there. Usage: install_test.sh BUILD_FOLDER
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../e2e/lib.sh"
source "$here/lib.sh"
build="$(cd "${1:?usage: $0 BUILD_FOLDER}" && pwd)"
app_id="$(basename "$(ls "$build"/packaging/*.desktop)" .desktop)"  # the desktop entry's name

trap e2e_cleanup EXIT
E2E_TMP="$(mktemp -d /tmp/kelvora-install.XXXXXX)"
chmod 755 "$E2E_TMP"
staged="$E2E_TMP/staged"
cmake --install "$build" --prefix "$staged" >"$E2E_TMP/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -n 5 "$E2E_TMP/install.log")"

# --- the layout ---
[[ -x "$staged/bin/kelvora" ]] || e2e_fail "no bin/kelvora"
for module in kelvora_sound.so kelvora_http.so; do
    [[ -n "$(find "$staged/lib"* -path '*/kelvora/'"$module")" ]] || e2e_fail "no $module in a private library folder"
done
# Every file of the program's folder but the program, its modules and rank files; the catalogues
# go to the system's share/locale.
while IFS= read -r -d '' asset; do
    name="${asset#"$build/kelvora/"}"
    case "$name" in
    kelvora | *.so | *.dat) continue ;;
    locale/*) target="share/$name" ;;
    *) target="share/kelvora/$name" ;;
    esac
    cmp -s "$asset" "$staged/$target" || e2e_fail "$target is missing or differs"
done < <(find "$build/kelvora" -type f -print0)
desktop="$staged/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || e2e_fail "desktop-file-validate: $desktop"
grep -qx 'Name\[ja\]=ケルボラ' "$desktop" && grep -qx 'Categories=Game;LogicGame;' "$desktop" ||
    e2e_fail "the desktop entry lacks its Japanese name or its categories"
appstreamcli validate --no-net "$staged/share/metainfo/$app_id.metainfo.xml" >"$E2E_TMP/appstream.log" 2>&1 ||
    e2e_fail "appstreamcli validate: $(cat "$E2E_TMP/appstream.log")"
for size in 32 48 64 128 256; do
    icon="$staged/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [[ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" == "${size}x${size}" ]] || e2e_fail "no ${size}x${size} icon"
done
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$staged/share/man/man6/kelvora.6.gz" \
    >/dev/null 2>"$E2E_TMP/man.log" && [[ ! -s "$E2E_TMP/man.log" ]] || e2e_fail "manual page: $(cat "$E2E_TMP/man.log")"
e2e_log "layout, desktop entry, metainfo, icons and manual page are good"

# --- run as a player, from folders the player cannot write ---
# As root, write permissions do not bind: the game then runs as the unprivileged user nobody.
as_player=()
if [[ "$(id -u)" == 0 ]]; then
    as_player=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
player_home() {
    mkdir -p "$E2E_TMP/$1"
    [[ "$(id -u)" == 0 ]] && chown nobody:nogroup "$E2E_TMP/$1"
    echo "$E2E_TMP/$1"
}
e2e_start_xvfb

cp -a "$staged" "$E2E_TMP/installed"
chmod -R a-w "$E2E_TMP/installed"
touch "$E2E_TMP/copied"
home="$(player_home home)"
package_check_game installed "$home/.local/share/kelvora" \
    "${as_player[@]}" env -u XDG_DATA_HOME HOME="$home" "$E2E_TMP/installed/bin/kelvora"
changed="$(find "$E2E_TMP/installed" -newer "$E2E_TMP/copied" -print -quit)"
[[ -z "$changed" ]] || e2e_fail "the game changed its installed folders: $changed"

cp -r "$build/kelvora" "$E2E_TMP/unpacked"
rm -f "$E2E_TMP/unpacked"/*.dat
chmod -R a-w "$E2E_TMP/unpacked"
home="$(player_home home2)"
package_check_game unpacked "$home/xdg/kelvora" \
    "${as_player[@]}" env HOME="$home" XDG_DATA_HOME="$home/xdg" "$E2E_TMP/unpacked/kelvora"
compgen -G "$E2E_TMP/unpacked/*.dat" >/dev/null && e2e_fail "rank files were written beside a read-only program"

e2e_log "PASS"
