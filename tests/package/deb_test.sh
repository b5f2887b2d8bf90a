#!/usr/bin/env bash
# The Debian packages: dpkg-buildpackage builds kelvora and kelvora-server (and their dbgsym) from
# a copy of the source tree, lintian -EvIL +pedantic finds no error or warning, and the game
# package's files, unpacked into a fresh prefix with dpkg -x, make a game that starts and plays
# its title music. Where debootstrap is installed and the machine lets root
# chroot, both packages are then installed with apt-get into a fresh Debian 12 base system: apt
# brings their dependencies, the game starts from its desktop entry's command line as a new user,
# the server runs as its own system user over its state folder, debian/tests/smoke passes, and
# purging both leaves nothing but the system user.
# Usage: deb_test.sh BUILD_FOLDER (KELVORA_NO_CHROOT=1 leaves the chroot out).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../e2e/lib.sh"
source "$here/lib.sh"
build="$(cd "${1:?usage: $0 BUILD_FOLDER}" && pwd)"
app_id="$(basename "$(ls "$build"/packaging/*.desktop)" .desktop)"  # the desktop entry's name

ROOT=""
cleanup() {
    if [[ -n "$ROOT" ]]; then
        local mount
        for mount in "$ROOT/proc" "$ROOT/var/cache/apt/archives"; do
            mountpoint -q "$mount" && ! umount "$mount" && umount -l "$mount"
            # Never remove the folders through a mount that is still there.
            mountpoint -q "$mount" && E2E_KEEP=1
        done
    fi
    e2e_cleanup
}
trap cleanup EXIT
E2E_TMP="$(mktemp -d /tmp/kelvora-deb.XXXXXX)"
chmod 755 "$E2E_TMP"

# --- build the packages from a copy of the source tree, so nothing is written into the checkout ---
source_tree="$(cd "$here/../.." && pwd)"
src="$E2E_TMP/src/kelvora"
mkdir -p "$src"
if git -C "$source_tree" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$source_tree" && git ls-files -z --cached --others --exclude-standard |
        tar --null --ignore-failed-read -T - -cf - 2>/dev/null) | tar -C "$src" -xf -
else
    tar -C "$source_tree" --exclude=./.git --exclude="./$(basename "$build")" -cf - . | tar -C "$src" -xf -
fi
[[ -x "$src/debian/rules" ]] || e2e_fail "no debian/rules in the copied source tree"
# ccache, where there is one, makes a second run quick; the packages are the same either way.
command -v ccache >/dev/null && export CMAKE_CXX_COMPILER_LAUNCHER=ccache
(cd "$src" && DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -b -us -uc >"$E2E_TMP/build.log" 2>&1) ||
    e2e_fail "dpkg-buildpackage: $(tail -n 30 "$E2E_TMP/build.log")"
debs="$E2E_TMP/src"
game_deb="$(ls "$debs"/kelvora_*.deb 2>/dev/null)"
server_deb="$(ls "$debs"/kelvora-server_*.deb 2>/dev/null)"
[[ -f "$game_deb" && -f "$server_deb" ]] || e2e_fail "dpkg-buildpackage made $(ls "$debs"), not the two packages"
for package in kelvora kelvora-server; do
    compgen -G "$debs/$package-dbgsym_*.deb" >/dev/null || e2e_fail "no $package-dbgsym package"
done
depends="$(dpkg-deb -f "$game_deb" Depends)"
e2e_log "kelvora depends on: $depends"
for needed in libqt6widgets6 fonts-ipafont-gothic fonts-liberation timgm6mb-soundfont; do
    grep -q "$needed" <<<"$depends" || e2e_fail "kelvora does not depend on $needed"
done
dpkg-deb -c "$game_deb" >"$E2E_TMP/contents"
grep -q ' ./usr/lib/[^/]*/kelvora/kelvora_sound.so$' "$E2E_TMP/contents" || e2e_fail "no sound module in the package"
grep -q ' ./usr/games/kelvora$' "$E2E_TMP/contents" || e2e_fail "the program is not in /usr/games"
dpkg-deb -c "$server_deb" >"$E2E_TMP/server-contents"
grep -q ' ./lib/systemd/system/kelvora-server.service$' "$E2E_TMP/server-contents" || e2e_fail "no unit in kelvora-server"

lintian -EvIL +pedantic --tag-display-limit 0 "$(ls "$debs"/*.changes)" >"$E2E_TMP/lintian.log" 2>&1
if grep -q '^[EW]:' "$E2E_TMP/lintian.log"; then
    e2e_fail "lintian: $(grep '^[EW]:' "$E2E_TMP/lintian.log")"
fi
e2e_log "lintian: no errors or warnings ($(grep -c '^[IPX]:' "$E2E_TMP/lintian.log") notes)"

# --- the game package unpacked into a fresh prefix ---
e2e_start_xvfb
dpkg -x "$game_deb" "$E2E_TMP/unpacked"
mkdir -p "$E2E_TMP/home"
package_check_game unpacked "$E2E_TMP/home/.local/share/kelvora" \
    env -u XDG_DATA_HOME HOME="$E2E_TMP/home" "$E2E_TMP/unpacked/usr/games/kelvora"

# --- both packages installed by apt into a fresh Debian 12 ---
if [[ -n "${KELVORA_NO_CHROOT:-}" ]]; then
    e2e_log "PASS (without the chroot: KELVORA_NO_CHROOT is set)"
    exit 0
fi
[[ "$(id -u)" == 0 ]] || e2e_fail "the chroot needs root (KELVORA_NO_CHROOT=1 leaves it out)"
command -v debootstrap >/dev/null || e2e_fail "debootstrap is not installed (scripts/setup-deps --test)"

# The machine's own Debian mirror and apt settings, as its apt-get uses them.
mirror="$(apt-get indextargets --format '$(REPO_URI)' 'Identifier: Packages' 2>/dev/null |
    grep -v security | head -n1)"
[[ -n "$mirror" ]] || e2e_fail "no Debian mirror in the apt sources"
ROOT="$E2E_TMP/root"
# A base system is made once per build folder and kept as a tar file, so later runs start from
# the same clean system without fetching it again.
cache="$build/package-cache"
mkdir -p "$cache/archives"
if [[ ! -s "$cache/bookworm-minbase.tar" ]]; then
    e2e_log "making a Debian 12 base system from $mirror"
    debootstrap --variant=minbase bookworm "$ROOT" "$mirror" >"$E2E_TMP/debootstrap.log" 2>&1 ||
        e2e_fail "debootstrap: $(tail -n 5 "$E2E_TMP/debootstrap.log")"
    tar -C "$ROOT" -cf "$cache/bookworm-minbase.tar.part" . && mv "$cache/bookworm-minbase.tar.part" "$cache/bookworm-minbase.tar"
else
    mkdir -p "$ROOT" && tar -C "$ROOT" -xf "$cache/bookworm-minbase.tar"
fi
cp -r /etc/apt/sources.list* /etc/apt/apt.conf.d "$ROOT/etc/apt/" 2>/dev/null
rm -f "$ROOT/etc/apt/apt.conf.d/docker-clean"
mount -t proc proc "$ROOT/proc" || e2e_fail "cannot mount /proc in the chroot"
mount --bind "$cache/archives" "$ROOT/var/cache/apt/archives" || e2e_fail "cannot bind the package cache"
cp "$game_deb" "$server_deb" "$ROOT/tmp/"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -q >"$E2E_TMP/apt.log" 2>&1 || e2e_fail "apt-get update: $(tail -n 5 "$E2E_TMP/apt.log")"
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$game_deb")" "/tmp/$(basename "$server_deb")" \
    >>"$E2E_TMP/apt.log" 2>&1 || e2e_fail "apt-get install: $(tail -n 20 "$E2E_TMP/apt.log")"
e2e_log "apt-get installed $(grep -c '^Setting up' "$E2E_TMP/apt.log") packages"

# The game, as a new player, started with its menu entry's command in a login's environment
# (whose PATH holds /usr/games, as a desktop session's does).
exec_line="$(sed -n 's/^Exec=//p' "$ROOT/usr/share/applications/$app_id.desktop")"
in_root useradd --create-home player || e2e_fail "cannot add a player"
PACKAGE_ROOT="$ROOT"
package_check_game chroot "$ROOT/home/player/.local/share/kelvora" \
    chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DISPLAY="$DISPLAY" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/chroot.audio" \
    runuser --login player --whitelist-environment=LANG,DISPLAY,SDL_AUDIODRIVER,SDL_DISKAUDIOFILE -c "$exec_line"

# The server: its user, its state folder, its enabled unit, and the program serving as that user.
in_root getent passwd kelvora >/dev/null || e2e_fail "no system user kelvora"
[[ "$(in_root stat -c %U /var/lib/kelvora-server)" == kelvora ]] || e2e_fail "no state folder owned by kelvora"
unit="$ROOT/lib/systemd/system/kelvora-server.service"
grep -q '^ExecStart=/usr/bin/kelvora-server ' "$unit" || e2e_fail "the unit does not start /usr/bin/kelvora-server"
[[ -L "$ROOT/etc/systemd/system/multi-user.target.wants/kelvora-server.service" ]] || e2e_fail "the unit is not enabled"
chroot --userspec=kelvora:kelvora "$ROOT" /usr/bin/kelvora-server --bind 127.0.0.1 --port 0 \
    --db /var/lib/kelvora-server/kelvora-ranking.db 2>"$E2E_TMP/server.log" &
server_pid=$!
port=""
for ((i = 0; i < 100; i++)); do
    sleep 0.1
    port="$(sed -n 's|.*listening on http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$E2E_TMP/server.log")"
    [[ -n "$port" ]] && break
done
[[ -n "$port" ]] || e2e_fail "the server did not start: $(cat "$E2E_TMP/server.log")"
page="$(curl -s --max-time 5 "http://127.0.0.1:$port/cgi-bin/list.cgi?filename=kelv&unit=")"
kill "$server_pid" && wait "$server_pid"
grep -qi '<table' <<<"$page" || e2e_fail "the server's list page holds no table"
[[ -s "$ROOT/var/lib/kelvora-server/kelvora-ranking.db" ]] || e2e_fail "the server wrote no database"
e2e_log "the server ran as kelvora on port $port over its state folder"

# The package's own smoke test (debian/tests), run as autopkgtest would on the installed packages.
in_root apt-get install -y -q --no-install-recommends curl >>"$E2E_TMP/apt.log" 2>&1 || e2e_fail "apt-get install curl"
cp "$src/debian/tests/smoke" "$ROOT/tmp/smoke"
mkdir -p "$ROOT/tmp/smoke.tmp"
in_root env AUTOPKGTEST_TMP=/tmp/smoke.tmp /tmp/smoke >"$E2E_TMP/smoke.log" 2>&1 ||
    e2e_fail "debian/tests/smoke: $(cat "$E2E_TMP/smoke.log")"
e2e_log "debian/tests/smoke passed"

# Removed and purged, nothing is left but the system user, which Debian keeps, and the player's
# own files.
uid="$(in_root id -u kelvora)"
in_root apt-get purge -y -q kelvora kelvora-server >>"$E2E_TMP/apt.log" 2>&1 || e2e_fail "apt-get purge: $(tail -n 20 "$E2E_TMP/apt.log")"
left="$(find "$ROOT" -xdev \( -path "$ROOT/proc" -o -path "$ROOT/tmp" -o -path "$ROOT/home" \
    -o -path "$ROOT/var/cache/apt" -o -path "$ROOT/var/log" \) -prune -o \( -iname '*kelvora*' -o -uid "$uid" \) -print)"
[[ -z "$left" ]] || e2e_fail "left after purging: $left"
in_root getent passwd kelvora >/dev/null || e2e_fail "purging removed the system user, which Debian keeps"
e2e_log "purged: nothing left but the system user"
e2e_log "PASS"
