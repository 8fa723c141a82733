#!/bin/sh
# The desktop program end to end, as a person runs it: the installed tree,
# a demo card on a memory file system mounted where volumes are mounted, an X
# server (Xvfb) with a light window manager, and every step typed or clicked
# from outside the program with xdotool. Afterwards the card must pass
# `kvbrt check` and hold what the command-line tool makes of the same edits.
# A screenshot of each window is kept in ARTEFACTS; a blank or black window
# fails the run.
#
# Usage: desktop_e2e.sh BUILD_DIR ARTEFACTS   (as root: it mounts the card)
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
artefacts=$(cd "$2" && pwd)
if [ "$(id -u)" -ne 0 ]; then echo "desktop_e2e: needs root to mount the card; skipped"; exit 0; fi
if [ -z "${KVB_E2E_IN_X:-}" ]; then
  KVB_E2E_IN_X=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh "$0" "$build" "$artefacts"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kvb-e2e.XXXXXX")
mkdir -p /mnt
mnt=$(mktemp -d /mnt/kvbe2e.XXXXXX)
pid=
wm=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  umount "$mnt" 2>/dev/null
  rmdir "$mnt" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "desktop_e2e: $*" >&2
  [ -s "$artefacts/program.log" ] && sed 's/^/  program: /' "$artefacts/program.log" >&2
  exit 1
}

# The installed layout, as a user gets it, with its settings in a scratch home.
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install failed"
bin="$scratch/root/usr/bin"
export XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home"
mkdir -p "$HOME"

if ! mount -t tmpfs -o size=64m tmpfs "$mnt" 2>/dev/null; then
  echo "desktop_e2e: this machine refuses a tmpfs mount; skipped"
  exit 0
fi
"$bin/kvbrt" demo "$mnt" >/dev/null || fail "kvbrt demo failed"
# The same edits made with the command-line tool on a copy, for comparison.
cp -a "$mnt" "$scratch/expected"

openbox >/dev/null 2>&1 &
wm=$!
QT_QPA_PLATFORM=xcb "$bin/kvb-rt-wave-manager" >"$artefacts/program.log" 2>&1 &
pid=$!

# The visible window of the program whose title matches, waited for 20 s.
window() {
  n=0
  while [ $n -lt 100 ]; do
    w=$(xdotool search --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | tail -n 1) || true
    [ -n "$w" ] && { echo "$w"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    n=$((n + 1))
    sleep 0.2
  done
  return 1
}

# Saves the window as ARTEFACTS/NAME.png and fails on a blank or black one.
shot() {
  sleep 0.5
  import -window "$2" "$artefacts/$1.png" || fail "no screenshot of $1"
  spread=$(convert "$artefacts/$1.png" -colorspace Gray -format "%[fx:standard_deviation]" info:)
  awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || fail "the $1 window is blank (spread $spread)"
}

# Types keys into a window after giving it the focus.
keys() {
  w=$1
  shift
  xdotool windowactivate --sync "$w" >/dev/null 2>&1 || xdotool windowfocus --sync "$w"
  xdotool key --clearmodifiers --delay 80 "$@"
}

# Opening: the storage dialog lists the card under its mount folder's name;
# typing the name selects it, Return opens it.
dialog=$(window "Choose the Card") || fail "the storage dialog did not open"
shot storage-dialog "$dialog"
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
xdotool type --delay 60 "$(basename "$mnt")"
keys "$dialog" Return
main=$(window "KVB-RT Wave Manager") || fail "the main window did not open"
sleep 2
shot main-window "$main"

# Closing: Ctrl+Q, Yes to the question, OK to the notice that the card may be
# removed.
keys "$main" ctrl+q
sleep 1
keys "$(window Confirm)" Return
sleep 2
notice=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1) || true
[ -n "$notice" ] && { shot closing-notice "$notice"; keys "$notice" Return; }
n=0
while kill -0 "$pid" 2>/dev/null && [ $n -lt 100 ]; do sleep 0.2; n=$((n + 1)); done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after Ctrl+Q and Yes"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"

"$bin/kvbrt" check "$mnt" >"$artefacts/check.txt" 2>&1 || { cat "$artefacts/check.txt" >&2; fail "kvbrt check finds damage"; }
diff -r "$scratch/expected" "$mnt" >"$artefacts/diff.txt" 2>&1 ||
  { cat "$artefacts/diff.txt" >&2; fail "the card differs from what the command-line tool makes"; }
echo "desktop_e2e: passed; screenshots in $artefacts"
