#!/usr/bin/env bash
# The example program in a real terminal (tmux): F4 in the client field runs the filter
# form and the browse list over a data file of 3 000 clients made with qordata; Enter
# fills the form from the chosen client, Right shifts the list, F4 goes on to the list by name.
set -euo pipefail

BIN="${KORVIDAN_BINARY_DIR:?}/bin"
EXAMPLE="${KORVIDAN_SOURCE_DIR:?}/programs/example-browse"
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The name of a client in the CSV (code page 850), by its number.
client_name() { sed -n "${1}p" "$EXAMPLE/example/clients.csv" | iconv -f CP850 -t UTF-8 | cut -d'"' -f2; }

mkdir -p "$WORK/clients"
cp -R "$EXAMPLE/example/." "$WORK/clients/"
"$EXAMPLE/make-data.sh" "$BIN/qordata" "$WORK/clients" 2>/dev/null || fail "the data file could not be made"

start_shell
tmx send-keys -t "$T" "clear; $BIN/example-browse $WORK/clients; echo EXIT=\$?" Enter
wait_for "Client (F4 llista):"

# 1. F4 runs the filter form; the codes C00100 to C0010... are listed, ten of them.
tmx send-keys -t "$T" F4
wait_for "Des del codi:"
tmx send-keys -t "$T" C00100 Enter C0010 Enter
wait_for "C00100  "
[ "$(screen_line 3)" = "       ╔Codi    Nom                             Població═══╗" ] || fail "heading: $(screen_line 3)"
[[ "$(screen_line 4)" == "       ║C00100  $(client_name 100)"* ]] || fail "first row: $(screen_line 4)"
[[ "$(screen_line 13)" == "       ║C00109  "* ]] || fail "tenth row: $(screen_line 13)"
[ "$(screen_line 14)" = "       ║                                                   ║" ] || fail "row after the range: $(screen_line 14)"

# 2. Down three times and Enter: the form gets the fourth client's code, name and town.
tmx send-keys -t "$T" Down Down Down Enter
wait_for "Client (F4 llista): C00103"
wait_for "Nom: $(client_name 103)"

# 3. Esc in the filter form: no list, the form as it was.
tmx send-keys -t "$T" Up F4
wait_for "Des del codi:"
tmx send-keys -t "$T" Escape
sleep 0.3
tmx capture-pane -p -t "$T" | grep -qF "Codi    Nom" && fail "the list opened after Esc in the filter form"
wait_for "Client (F4 llista): C00103"

# 4. A range whose lines are wider than the list: Right hides 8 columns and the heading
#    shows the arrow; F4 goes on to the list by name, whose first client fills the form.
tmx send-keys -t "$T" F4
wait_for "Des del codi:"
tmx send-keys -t "$T" C00001 Enter "      " Enter
wait_for "C00001  "
tmx send-keys -t "$T" Right
wait_for "◄Nom"
[[ "$(screen_line 4)" == "       ║$(client_name 1)"* ]] || fail "after Right: $(screen_line 4)"
tmx send-keys -t "$T" Left
wait_for "╔Codi    Nom"
tmx send-keys -t "$T" PgDn
wait_for "║C00019  "
tmx send-keys -t "$T" F4
wait_for "Codi═══"
first=$(screen_line 4 | sed -E 's/.*(C[0-9]{5}).*/\1/')
[[ "$first" =~ ^C[0-9]{5}$ ]] || fail "list by name: $(screen_line 4)"
tmx send-keys -t "$T" Enter
wait_for "Client (F4 llista): $first"

# 5. Esc goes back to the first field and Esc there leaves the form; the program ends
#    with 0 and leaves no work files; the terminal is usable again.
tmx send-keys -t "$T" Escape Escape
wait_for "EXIT=0"
[ ! -e "$WORK/clients/Browse.tmp" ] || fail "Browse.tmp left behind"
[ ! -e "$WORK/clients/WinPush.tmp" ] || fail "WinPush.tmp left behind"
expect_terminal_restored

echo "PASS"
