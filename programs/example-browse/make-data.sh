#!/bin/sh
# Makes the example's data file FOLDER/CLIENTS.DAT from example/clients.csv with qordata:
# records of 56 bytes, key 0 the code (1:6), key 1 the name (7:30, duplicates allowed).
# usage: make-data.sh QORDATA FOLDER
set -eu
[ $# -eq 2 ] || { echo "usage: make-data.sh QORDATA FOLDER" >&2; exit 2; }
here=$(dirname "$0")
rm -f "$2/CLIENTS.DAT"
"$1" create "$2/CLIENTS.DAT" 56 1:6 7:30d
"$1" import "$2/CLIENTS.DAT" "$here/example/clients.csv"
