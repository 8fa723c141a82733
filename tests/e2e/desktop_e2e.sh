#!/bin/sh
# The desktop program end to end, as a person runs it: the installed tree,
# a demo card on a memory file system mounted where volumes are mounted, an X
# server (Xvfb) with a light window manager, and every step typed or clicked
# from outside the program with xdotool: choose the card, import a file,
# rename a wave, add a category, put a wave on a pad, save a backup, restore
# it, close. Afterwards the card must pass `kvbrt check` and hold what the
# command-line tool makes of the same edits, and both backups must hold the
# same files. A screenshot of each window is kept in ARTEFACTS; a blank or
# black window fails the run.
#
# Usage: desktop_e2e.sh BUILD_DIR ARTEFACTS   (as root: it mounts the card)
# Exit status 77: skipped (not root, or no tmpfs mount allowed).
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
artefacts=$(cd "$2" && pwd)
if [ "$(id -u)" -ne 0 ]; then echo "desktop_e2e: needs root to mount the card; skipped"; exit 77; fi
if [ -z "${KVB_E2E_IN_X:-}" ]; then
  KVB_E2E_IN_X=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh ${KVB_E2E_TRACE:+-x} "$0" "$build" "$artefacts"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kvb-e2e.XXXXXX")
mkdir -p /mnt
mnt=$(mktemp -d /mnt/kvbe2e.XXXXXX)
pid=
wm=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid"
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  umount "$mnt" 2>/dev/null
  rmdir "$mnt" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
rm -f "$artefacts"/*.png "$artefacts"/*.txt "$artefacts"/*.log
fail() {
  echo "desktop_e2e: $*" >&2
  import -window root "$artefacts/at-failure.png" 2>/dev/null || true
  [ -s "$artefacts/program.log" ] && grep -v '^ALSA lib' "$artefacts/program.log" | sed 's/^/  program: /' >&2
  exit 1
}

# The installed layout, as a user gets it, with its settings in a scratch home.
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install failed"
bin="$scratch/root/usr/bin"
kvbrt="$bin/kvbrt"
export XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME" "$scratch/backup" "$scratch/expected-backup"

if ! mount -t tmpfs -o size=64m tmpfs "$mnt" 2>/dev/null; then
  echo "desktop_e2e: this machine refuses a tmpfs mount; skipped"
  exit 77
fi
"$kvbrt" demo "$mnt" >/dev/null || fail "kvbrt demo failed"
cp -a "$mnt" "$scratch/expected"
# The file to import: a short wave of the card, exported and renamed. Its new
# name has a space, which the file dialog and the wave's name must keep.
tone="$scratch/Tone e2e.wav"
mv "$("$kvbrt" export "$mnt" 28 --to "$scratch")" "$tone" || fail "no file to import"

# Polls COMMAND every 0.1 s for up to 30 s (a loaded machine starts Qt
# slowly) or `tries` times; fails as soon as the program, once started, has ended.
poll() {
  n=0
  while ! "$@" 2>/dev/null; do
    [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null || return 1
    n=$((n + 1))
    [ $n -ge "${tries:-300}" ] && return 1
    sleep 0.1
  done
}

openbox >/dev/null 2>&1 &
wm=$!
# A window mapped while the window manager is still starting may be left
# unmanaged and never shown: the program starts once openbox has claimed the
# screen.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
poll wm_ready || fail "openbox did not start"
QT_QPA_PLATFORM=xcb "$bin/kvb-rt-wave-manager" >"$artefacts/program.log" 2>&1 &
pid=$!

# The newest visible window whose title matches TITLE (the private X server
# shows only the program and the window manager), the main window's two aside:
# xdotool can match its drawing area by a title that is not its own.
main=none
area=none
find_window() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -v -x -e "$main" -e "$area" | tail -n 1 |
    grep .
}
window() { poll find_window "$1" || fail "no window \"$1\" appeared"; }
is_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
gone() { poll is_gone "$1" || fail "the $2 did not close"; }

# Saves window WIN as ARTEFACTS/NAME.png and fails on a blank or black one.
shot() {
  sleep 0.3
  import -window "$2" "$artefacts/$1.png" || fail "no screenshot of $1"
  spread=$(convert "$artefacts/$1.png" -colorspace Gray -format "%[fx:standard_deviation]" info:)
  awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || fail "the $1 window is blank (spread $spread)"
}

# Gives WIN the keyboard as a click on it would.
activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; }
keys() {
  activate "$1"
  shift
  xdotool key --clearmodifiers --delay 60 "$@"
}
# Clicks at (X, Y) of window WIN, the window that takes the keyboard being
# FOCUS (the main window's drawing area is a child of the window with the menus).
click() {
  activate "${4:-$1}"
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.1
  xdotool click 1
  sleep 0.2
}
# A menu command by its shortcut, on the main window, until window TITLE
# opens: a key pressed while a job still runs reaches disabled menus. Its
# callers take its output, so it runs in a subshell and `tries` stays there.
menu() {
  tries=50
  for attempt in 1 2 3; do
    keys "$main" "$1"
    poll find_window "$2" && return 0
  done
  fail "$1 opened no window \"$2\""
}
# Types PATH into the focused Qt file or folder dialog DLG and takes it.
choose_path() {
  activate "$1"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 40 "$2"
  sleep 0.2
  xdotool key Return
  gone "$1" "$3"
}

# Opening: the storage dialog lists the card under its mount folder's name;
# typing the name selects it, Return opens it.
dialog=$(window "Choose the Card")
shot storage-dialog "$dialog"
activate "$dialog"
xdotool type --delay 40 "$(basename "$mnt")"
keys "$dialog" Return
gone "$dialog" "storage dialog"
# The main window: the window with the menus, and its 800 x 600 drawing area.
is_main() {
  for w in $(xdotool search --onlyvisible --pid "$pid" --name '^KVB-RT Wave Manager$'); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ]; then area=$w; else main=$w; fi
  done
  [ "$main" != none ] && [ "$area" != none ]
}
poll is_main || fail "the main window did not open"
shot main-window "$area"

# File > Wave import: Browse opens the file dialog, a typed path chooses the
# file, OK imports it into DEFAULT as wave 32.
import=$(menu ctrl+i "Wave Import")
click "$import" 372 30
files=$(window "^Open$")
shot file-dialog "$files"
choose_path "$files" "$tone" "file dialog"
# While the program has the card open it holds the card's lock, and kvbrt
# refuses the card itself; the steps are judged on a copy taken each time.
"$kvbrt" list "$mnt" >/dev/null 2>"$artefacts/refused.txt" &&
  fail "kvbrt read the card while the program had it open"
grep -q "open in the desktop program" "$artefacts/refused.txt" ||
  { cat "$artefacts/refused.txt" >&2; fail "kvbrt did not say the card is open in the program"; }
peek() { rm -rf "$scratch/peek"; cp -a "$mnt" "$scratch/peek" && "$kvbrt" "$@" "$scratch/peek"; }
shows() { peek "$1" | grep -q "$2"; }
shot wave-import "$import"
click "$import" 448 142
gone "$import" "wave import window"
poll shows list "^0032	Tone e2e	DEFAULT" || fail "the file was not imported"
"$kvbrt" import "$scratch/expected" "$tone" >/dev/null

# The wave edit window: FX opened by its mark, its first wave (30, Zap)
# selected, Ctrl+B, a new name typed into the field, OK.
click "$area" 40 85 "$main"
click "$area" 150 105 "$main"
edit=$(menu ctrl+b "Wave Manager - Wave$")
click "$edit" 170 32
xdotool type --delay 40 ZapE2E
xdotool key Return
shot wave-edit "$edit"
click "$edit" 228 142
gone "$edit" "wave edit window"
poll shows list "^0030	ZapE2E	FX" || fail "the wave was not renamed"
"$kvbrt" rename "$scratch/expected" 30 ZapE2E >/dev/null

# The category window: the add button makes one shown first, its name typed.
category=$(menu ctrl+g "Category")
click "$category" 252 70
click "$category" 380 28
xdotool type --delay 40 LOOPS
xdotool key Return
shot category "$category"
click "$category" 448 142
gone "$category" "category window"
poll shows info "LOOPS (0)" || fail "the category was not added"
"$kvbrt" category "$scratch/expected" add LOOPS >/dev/null

# A pad: the imported wave selected in the list (LOOPS and FX's two waves now
# come first, so DEFAULT's fourth wave is row 14), pad 5 of kit 1 selected,
# Ctrl+D.
click "$area" 150 365 "$main"
click "$area" 584 175 "$main"
kit="$mnt/Korvan/KVB-RT/KIT/kit000.kvb"
cp "$kit" "$scratch/kit-before"
keys "$main" ctrl+d
kit_changed() { ! cmp -s "$kit" "$scratch/kit-before"; }
poll kit_changed || fail "the wave was not put on the pad"
"$kvbrt" kit "$scratch/expected" set 0 5 32 >/dev/null
shot main-edited "$area"

# File > Backup save into a typed folder.
folder=$(menu ctrl+s "save the backup")
shot backup-folder-dialog "$folder"
choose_path "$folder" "$scratch/backup" "backup folder dialog"
archive="$scratch/backup/KVB-RT-BKUP-ALL.kvb"
poll test -s "$archive" || fail "no backup was saved"
"$kvbrt" backup "$scratch/expected" "$scratch/expected-backup" >/dev/null

# File > Backup restore: Yes to the question, the same folder typed. The card's
# files are all rewritten; the library is read again.
question=$(menu ctrl+l "^Confirm$")
shot restore-question "$question"
keys "$question" Return
gone "$question" "restore question"
folder=$(window "holds the backup")
choose_path "$folder" "$scratch/backup" "restore folder dialog"
restored() { [ -n "$(find "$kit" -newer "$archive")" ]; }
poll restored || fail "the backup was not restored"
"$kvbrt" --yes restore "$scratch/expected" "$scratch/expected-backup/KVB-RT-BKUP-ALL.kvb" >/dev/null

# Closing: Ctrl+Q, Yes to the question, OK to the notice that follows.
question=$(menu ctrl+q "^Confirm$")
shot close-question "$question"
keys "$question" Return
gone "$question" "close question"
# The notice: the one window of the program besides the main window's two.
notice=$(poll find_window .) || fail "no notice after closing"
shot closing-notice "$notice"
keys "$notice" Return
has_ended() { ! kill -0 "$pid" 2>/dev/null; }
poll has_ended || has_ended || fail "the program did not end after Ctrl+Q and Yes"
status=0
wait "$pid" || status=$?
pid=
# A tmpfs mount is no device the disk service can eject: the program says so
# in its notice and ends with status 1; any other failure counts.
[ "$status" -eq 0 ] ||
  { [ "$status" -eq 1 ] && grep -q "the card could not be ejected" "$artefacts/program.log"; } ||
  fail "the program ended with status $status"

"$kvbrt" check "$mnt" >"$artefacts/check.txt" 2>&1 || { cat "$artefacts/check.txt" >&2; fail "kvbrt check finds damage"; }
diff -r "$scratch/expected" "$mnt" >"$artefacts/diff.txt" 2>&1 ||
  { cat "$artefacts/diff.txt" >&2; fail "the card differs from what the command-line tool makes"; }
# The archives hold their members in the order the card's folders list them,
# which differs between file systems: the members themselves must be equal.
for side in backup expected-backup; do
  mkdir "$scratch/$side/unpacked"
  tar -xf "$scratch/$side/KVB-RT-BKUP-ALL.kvb" -C "$scratch/$side/unpacked" 2>/dev/null ||
    fail "tar cannot read the $side"
  tar -tvf "$scratch/$side/KVB-RT-BKUP-ALL.kvb" 2>/dev/null | sort >"$scratch/$side/members"
done
diff "$scratch/expected-backup/members" "$scratch/backup/members" >"$artefacts/backup-diff.txt" &&
  diff -r "$scratch/expected-backup/unpacked" "$scratch/backup/unpacked" >>"$artefacts/backup-diff.txt" ||
  { cat "$artefacts/backup-diff.txt" >&2; fail "the backup differs from the command-line tool's"; }
echo "desktop_e2e: passed; screenshots in $artefacts"
