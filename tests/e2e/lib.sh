# What the end-to-end scripts share, sourced by them (not a test itself): a scratch
# folder and a private tmux server removed on exit, a shell in one 80 x 25 pane,
# reading and waiting for the screen, and the program over a copy of the demo
# installation with a print program that only notes that it was started.
# shellcheck shell=bash

WORK=$(mktemp -d)
SOCK="korvidan-$(basename "$0" .sh)-$$"
T="main"
tmx() { tmux -L "$SOCK" "$@"; }
cleanup() { tmx kill-server 2>/dev/null || true; rm -rf "$WORK" 2>/dev/null || true; }
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- screen:" >&2
    tmx capture-pane -p -t "$T" >&2 || true
    exit 1
}

# Starts the pane's shell with a clean environment and waits for its prompt.
start_shell() {
    tmx -f /dev/null new-session -d -s "$T" -x 80 -y 25 "env -i HOME=$WORK HISTFILE=/dev/null LANG=C.UTF-8 TERM=tmux-256color PATH=/usr/bin:/bin PS1='$ ' bash --norc --noprofile"
    tmx set -g escape-time 0
    tmx set -g status off
    wait_for '$'
}

# Waits until the screen shows a text (fixed string), at most $2 seconds.
wait_for() {
    local deadline=$((SECONDS + ${2:-10}))
    while ((SECONDS < deadline)); do
        tmx capture-pane -p -t "$T" | grep -qF -- "$1" && return 0
        sleep 0.05
    done
    fail "timed out waiting for: $1"
}

# Waits until the screen no longer shows a text.
wait_gone() {
    local deadline=$((SECONDS + ${2:-10}))
    while ((SECONDS < deadline)); do
        tmx capture-pane -p -t "$T" | grep -qF -- "$1" || return 0
        sleep 0.05
    done
    fail "still shown: $1"
}

screen_line() { tmx capture-pane -p -t "$T" | sed -n "${1}p"; }

# The terminal as the shell needs it after a program: normal screen, cursor shown,
# no mouse reporting.
expect_terminal_restored() {
    local modes
    modes=$(tmx display -p -t "$T" '#{alternate_on}#{cursor_flag}#{mouse_any_flag}')
    [ "$modes" = "010" ] || fail "terminal modes: $modes"
}

# A fresh copy of the demo installation in $WORK/root and a print-program folder
# $WORK/exe whose QORPRINT notes each start in started.log.
fresh_install() {
    rm -rf "$WORK/root" "$WORK/exe"
    mkdir -p "$WORK/root" "$WORK/exe"
    cp -R "${KORVIDAN_SOURCE_DIR:?}/install/demo/." "$WORK/root/"
    printf '#!/bin/sh\necho started >> "%s"\n' "$WORK/exe/started.log" >"$WORK/exe/QORPRINT"
    chmod +x "$WORK/exe/QORPRINT"
}

# Runs the program over that installation in the pane's shell, which prints the
# exit code afterwards.
launch_program() {
    tmx send-keys -t "$T" "clear; QORROOT=$WORK/root/ QORTMP=$WORK/root/ QOREXE=$WORK/exe/ ${KORVIDAN_BINARY_DIR:?}/bin/korvidan; echo EXIT=\$?" Enter
}

# Runs the program and waits for its form.
start_program() {
    launch_program
    wait_for "Imprimir"
}

# How many times the print program was started.
starts() { [ -f "$WORK/exe/started.log" ] && wc -l <"$WORK/exe/started.log" || echo 0; }
