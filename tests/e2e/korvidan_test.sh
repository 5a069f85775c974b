#!/usr/bin/env bash
# The program end to end in a real terminal (tmux), over a copy of the demo
# installation, with a print program that only notes that it was started.
set -euo pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

wait_end() {
    wait_for "EXIT=0"
}

start_shell

# 1. The form as drawn: the title centred on row 1, the double-framed window of
#    form 1, its label and the help line; S and leaving the form prints.
fresh_install
start_program
[ "$(screen_line 1)" = "                             Utilitats de l'empresa" ] || fail "title row: $(screen_line 1)"
[ "$(screen_line 9)" = "       ╔════════════════════════════════════════════════════════════════╗" ] || fail "frame top"
[ "$(screen_line 11)" = "       ║  Imprimir la taula de tipus impositius (S/N)?                  ║" ] || fail "label row"
[ "$(screen_line 13)" = "       ║  F1: ajuda    Esc: sortir sense imprimir                       ║" ] || fail "help line"
[ "$(screen_line 15)" = "       ╚════════════════════════════════════════════════════════════════╝" ] || fail "frame bottom"
tmx send-keys -t "$T" S
wait_for "(S/N)? S"
tmx send-keys -t "$T" Enter
wait_end
records=$(grep -c $'\r$' "$WORK/root/qorprint.tmp")
[ "$records" = 38 ] || fail "print file has $records records"
[ "$(head -n 1 "$WORK/root/qorprint.tmp")" = $'DEVICEPANTALLA\r' ] || fail "device record"
[ "$(starts)" = 1 ] || fail "print program started $(starts) times"

# 2. The terminal is usable afterwards: normal screen, cursor shown, no mouse
#    reporting, cooked mode with echo.
expect_terminal_restored
tmx send-keys -t "$T" "stty -a | tr ' ' '\n' | grep -xE -- '-?(icanon|echo)' | tr '\n' ' '; echo" Enter
wait_for "icanon echo"

# 3. Anything but a capital S prints nothing and starts nothing.
for keys in "s Enter" "Escape" "Enter" "S Escape" "N Enter"; do
    fresh_install
    start_program
    # shellcheck disable=SC2086
    tmx send-keys -t "$T" $keys
    wait_end
    [ ! -e "$WORK/root/qorprint.tmp" ] || fail "keys '$keys' wrote a print file"
    [ "$(starts)" = 0 ] || fail "keys '$keys' started the print program"
done

# 4. F1 shows the help of the menu's topic, F1 there the general help, Esc goes back.
fresh_install
start_program
tmx send-keys -t "$T" F1
wait_for "TAULA DE TIPUS IMPOSITIUS"
tmx send-keys -t "$T" F1
wait_for "AJUDA GENERAL DE LES PANTALLES"
tmx send-keys -t "$T" Escape
wait_for "TAULA DE TIPUS IMPOSITIUS"
tmx send-keys -t "$T" Escape
wait_for "F1: ajuda"
tmx send-keys -t "$T" Escape
wait_end
[ "$(starts)" = 0 ] || fail "help started the print program"

# 5. With Idioma SPA the label and the report are in Spanish.
fresh_install
sed -i 's/^Idioma=CAT/Idioma=SPA/' "$WORK/root/ZirpTerm.ini"
launch_program
wait_for "¿Imprimir la tabla de tipos impositivos (S/N)?"
wait_for "F1: ayuda    Esc: salir sin imprimir"
tmx send-keys -t "$T" S Enter
wait_end
grep -q "TABLA DE TIPOS IMPOSITIVOS" "$WORK/root/qorprint.tmp" || fail "the report is not in Spanish"
[ "$(starts)" = 1 ] || fail "print program started $(starts) times"

# 6. A faulty form file is named with its line; a key ends the program, which runs no form.
fresh_install
printf '1,1\r\n0d\r\n2,0,0,0,0,0\r\n' >"$WORK/root/FORMS/KORVIDAN.QFM"
launch_program
wait_for "KORVIDAN.QFM, línia 3:"
tmx send-keys -t "$T" Enter
wait_end
[ "$(starts)" = 0 ] || fail "a faulty form file started the print program"

# 7. With the real print program, S shows the report in its viewer, which
#    scrolls to the page number at column 85; Esc ends both programs.
fresh_install
ln -sf "$KORVIDAN_BINARY_DIR/bin/qorprint" "$WORK/exe/QORPRINT"
start_program
tmx send-keys -t "$T" S Enter
wait_for "Pàgina 1/1"
[ "$(screen_line 3)" = "                                  TAULA DE TIPUS IMPOSITIUS" ] || fail "viewer title: $(screen_line 3)"
[ "$(screen_line 16)" = "RETENCIÓ LOCALS ...:              19,00 %                     0,00 %" ] || fail "viewer rates: $(screen_line 16)"
tmx send-keys -t "$T" Right Right
wait_for "PÀGINA    1"
tmx send-keys -t "$T" Escape
wait_end
expect_terminal_restored

# 8. An output device that names a file gets the report as UTF-8 text.
fresh_install
ln -sf "$KORVIDAN_BINARY_DIR/bin/qorprint" "$WORK/exe/QORPRINT"
sed -i "s|^Sortida=.*|Sortida=$WORK/informe.txt\r|" "$WORK/root/ZirpTerm.ini"
start_program
tmx send-keys -t "$T" S Enter
wait_end
grep -qxF "IMPOST ............:             IVA                         IGI" "$WORK/informe.txt" || fail "report file: $(cat "$WORK/informe.txt")"
grep -qxF "RETENCIÓ HONORARIS :              15,00 %                    10,00 %" "$WORK/informe.txt" || fail "report file is not UTF-8 text"

echo "PASS"
