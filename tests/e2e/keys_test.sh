#!/usr/bin/env bash
# Drives the key-test program in tmux: every key arrives with its key code, clicks
# with their cell, pastes as typed text; windows, a notice, a resize, a flood of
# keys and unknown sequences are survived; afterwards the shell's terminal is usable.
set -euo pipefail

KEYTEST="$KORVIDAN_BINARY_DIR/tests/keytest"
SOCKET="korvidan-test-$$"
SCRATCH=$(mktemp -d)
tmx() { tmux -L "$SOCKET" "$@"; }
cleanup() {
    tmx kill-server 2>/dev/null || true
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

screen() { tmx capture-pane -p -t keys; }

# Waits until the screen holds a text (grep -E pattern); false after 10 seconds.
wait_for() {
    local pattern=$1
    for _ in $(seq 1 200); do
        if screen | grep -qE -- "$pattern"; then return 0; fi
        sleep 0.05
    done
    return 1
}

expect_screen() {
    wait_for "$1" || { fail "$2: screen lacks /$1/"; screen | sed 's/^/    | /' >&2; }
}

flag() { tmx display -p -t keys "#{$1}"; }

tmx -f /dev/null new-session -d -s keys -x 100 -y 30 "env PS1='$ ' TERM=tmux-256color bash --norc --noprofile"
tmx set -g escape-time 0
tmx send-keys -t keys "QORTMP=$SCRATCH/ QORROOT=$SCRATCH/ $KEYTEST" Enter
expect_screen '^KEYTEST' "start"
[ "$(flag alternate_on)" = 1 ] || fail "the program's own screen is not on"
[ "$(flag mouse_sgr_flag)" = 1 ] || fail "SGR mouse reporting is not on"

# Keys as tmux sends them, and the key code each must arrive as.
count=0
check_key() {
    local code=$1
    shift
    tmx send-keys -t keys "$@"
    count=$((count + 1))
    wait_for "^KEY [0-9a-f]+ #$count\$" || { fail "key $* gave no key"; return; }
    screen | grep -qE "^KEY $code #$count\$" || fail "key $* gave $(screen | grep '^KEY'), not $code"
}
check_key 5e00 C-F1
check_key 8c00 M-F12
check_key 5d00 S-F10
check_key 7300 C-Left
check_key 7400 C-Right
check_key 7700 C-Home
check_key f00 BTab
check_key 2d00 M-x
check_key 2e00 M-c
check_key 2100 M-f
check_key d5 M-e
check_key 3b00 F1
check_key 4400 F10
check_key 8600 F12
check_key 5400 S-F1
check_key 6800 M-F1
check_key 8a00 C-F12
check_key 4800 Up
check_key 5000 Down
check_key 4b00 Left
check_key 4d00 Right
check_key 4700 Home
check_key 4f00 End
check_key 4900 PPage
check_key 5100 NPage
check_key 5200 IC
check_key 5300 DC
check_key 1b Escape
check_key d Enter
check_key 9 Tab
check_key 8 BSpace
check_key 1 C-a
check_key 1a C-z
check_key 82 -l $'\xc3\xa9'

# A click at row 5, column 10, and a paste that arrives as typed characters.
tmx send-keys -t keys -l $'\e[<0;10;5M'
expect_screen '^CLICK 5,10 BUTTON 1$' "click"
tmx send-keys -t keys -l $'\e[200~paste\xe2\x82\xac\e[201~'
count=$((count + 6))
expect_screen "^KEY d5 #$count\$" "paste"
expect_screen '^TEXT .*paste€$' "pasted text"

# Nested windows and a notice, a resize while they are open, then all closed again.
tmx send-keys -t keys F2 F2 F3
count=$((count + 3))
expect_screen 'NOTICE 3' "notice"
screen | grep -q 'WINDOW 2' || fail "second window not shown"
tmx resize-window -t keys -x 60 -y 20
expect_screen 'at least 80 x 25' "request to enlarge"
screen | grep -q 'WINDOW' && fail "the program is drawn on a terminal too small for it"
tmx resize-window -t keys -x 100 -y 30
expect_screen 'WINDOW 2' "redrawn after the resize"
tmx send-keys -t keys F4 F4 F4
count=$((count + 3))
expect_screen "^KEY 3e00 #$count\$" "windows closed"
screen | grep -qE 'WINDOW|NOTICE' && fail "a closed window is still shown"

# A flood of keys, then an unknown sequence and a terminal's late answer to some
# program's colour query swallowed before a last key.
tmx send-keys -t keys -l "$(head -c 10000 /dev/zero | tr '\0' 'x')"
count=$((count + 10000))
expect_screen "^KEY 78 #$count\$" "flood of keys"
tmx send-keys -t keys -l $'\e[99;99;99z\e]11;rgb:0000/0000/0000\e\\'
tmx send-keys -t keys q
count=$((count + 1))
expect_screen "^KEY 71 #$count\$" "key after an unknown sequence"
screen | grep -q 'rgb' && fail "a control string arrived as typed text"

# The end: the shell gets its terminal back.
tmx send-keys -t keys C-q
for _ in $(seq 1 100); do [ "$(flag alternate_on)" = 0 ] && break; sleep 0.05; done
[ "$(flag alternate_on)" = 0 ] || fail "the program's screen is still on"
[ "$(flag cursor_flag)" = 1 ] || fail "the cursor is hidden"
[ "$(flag mouse_standard_flag)" = 0 ] || fail "mouse reporting is still on"
[ "$(flag mouse_sgr_flag)" = 0 ] || fail "SGR mouse reporting is still on"
[ "$(flag keypad_flag)" = 0 ] || fail "the keypad is still in application mode"
tmx send-keys -t keys "stty -a > $SCRATCH/stty.txt" Enter
for _ in $(seq 1 100); do [ -s "$SCRATCH/stty.txt" ] && break; sleep 0.05; done
for mode in icanon echo isig; do
    grep -qE "(^| )$mode( |$)" "$SCRATCH/stty.txt" || fail "stty shows no $mode after the end"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "keys: all passed"
