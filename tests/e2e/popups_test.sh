#!/usr/bin/env bash
# The calculator (Alt+X) and the calendar (Alt+C) opened from the form's answer field
# in a real terminal (tmux), over a copy of the demo installation whose answer field
# is widened to ten characters so that the typed results can be seen whole.
set -euo pipefail
export LC_ALL=C.UTF-8  # the screen's box characters count as one column each in ${line:offset:length}

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The characters of screen row $1 from column $2, $3 of them.
cells() {
    local line
    line=$(screen_line "$1")
    echo "${line:$(($2 - 1)):$3}"
}
field() { cells 11 56 10; }

# The demo installation with the answer field widened from 1 to 10 characters.
fresh_wide_install() {
    fresh_install
    sed -i 's/^1,0,0,0,0,0\r$/10,0,0,0,0,0\r/' "$WORK/root/FORMS/KORVIDAN.QFM"
    grep -q $'^10,0,0,0,0,0\r$' "$WORK/root/FORMS/KORVIDAN.QFM" || fail "could not widen the answer field"
}

end_program() {
    tmx send-keys -t "$T" Escape
    wait_for "EXIT=0"
    [ "$(starts)" = 0 ] || fail "the print program was started"
    tmx send-keys -t "$T" clear Enter
    wait_gone "EXIT=0"
}

start_shell

# 1. Alt+C shows the quarter of the working date (15 March 2026) at the right edge;
#    Right and F type the next day's short date into the field.
fresh_wide_install
start_program
tmx send-keys -t "$T" M-c
wait_for "DL DT DC DJ DV DS DG"
[ "$(cells 1 59 22)" = "┌─────── 2026 ───────┐" ] || fail "calendar's top line: $(screen_line 1)"
[ "$(cells 3 59 22)" = "│       GENER        │" ] || fail "first month: $(screen_line 3)"
[ "$(cells 24 59 22)" = "└────────────────────┘" ] || fail "calendar's bottom line"
tmx send-keys -t "$T" Right F
wait_gone "DL DT DC"
[ "$(field)" = "16/3/2026 " ] || fail "typed date: '$(field)'"
[ "$(screen_line 1)" = "                             Utilitats de l'empresa" ] || fail "title not restored"
end_program

# 2. Alt+X, 1 2 . 5 + 7 Enter shows the tape; F types the value in hundredths.
fresh_wide_install
start_program
tmx send-keys -t "$T" M-x
wait_for "└────────────────────────┘"
tmx send-keys -t "$T" 1 2 . 5 + 7 Enter
wait_for "19,5  │"
[ "$(screen_line 20)" = "│                  12,5 +│" ] || fail "tape line 1: $(screen_line 20)"
[ "$(screen_line 21)" = "│                     7 =│" ] || fail "tape line 2: $(screen_line 21)"
[ "$(screen_line 24)" = "│                  19,5  │" ] || fail "display: $(screen_line 24)"
tmx send-keys -t "$T" F
wait_gone "└────────────────────────┘"
[ "$(field)" = "1950      " ] || fail "typed value: '$(field)'"
[ "$(tmx display -p -t "$T" '#{cursor_flag}')" = 1 ] || fail "the cursor is hidden in the field"
end_program
[ -f "$WORK/root/TERM/QORCALC.TMP" ] || fail "no state file in the terminal folder"

# 3. The next run opens the calculator as it was left, tape included.
start_program
tmx send-keys -t "$T" M-x
wait_for "12,5 +"
[ "$(screen_line 19)" = "┌────────────────────────┐" ] || fail "saved tape's top line: $(screen_line 19)"
[ "$(screen_line 22)" = "│                  19,5  │" ] || fail "saved result line: $(screen_line 22)"
tmx send-keys -t "$T" Escape
wait_gone "12,5 +"
[ "$(field)" = "          " ] || fail "Esc typed '$(field)'"
end_program

# 4. S, then a calculation from the field: the field goes on with the form's keys,
#    the result typed after the S; Esc still leaves the form without printing.
fresh_wide_install
start_program
tmx send-keys -t "$T" S
wait_for "(S/N)? S"
tmx send-keys -t "$T" M-x
wait_for "└────────────────────────┘"
tmx send-keys -t "$T" 2 '*' 3 = F
wait_gone "└────────────────────────┘"
[ "$(field)" = "S600      " ] || fail "field after the calculation: '$(field)'"
tmx send-keys -t "$T" BSpace BSpace BSpace
wait_for "(S/N)? S  "
[ "$(field)" = "S         " ] || fail "field after Backspace: '$(field)'"
end_program

# 5. The calendar from inside the calculator, and the terminal usable afterwards.
start_program
tmx send-keys -t "$T" M-x
wait_for "└────────────────────────┘"
tmx send-keys -t "$T" M-c
wait_for "DL DT DC DJ DV DS DG"
tmx send-keys -t "$T" Escape
wait_gone "DL DT DC"
tmx send-keys -t "$T" Escape
wait_gone "└────────────────────────┘"
end_program
expect_terminal_restored

echo "PASS"
