#!/bin/sh
# Prints the file version of a Windows program (FILEVERSION of its version
# resource, as a.b.c.d), read from the file itself; fails when it has none.
# Usage: file_version.sh PROGRAM.exe
set -eu
# The resource's key "VS_VERSION_INFO" in UTF-16, then two bytes of padding,
# then VS_FIXEDFILEINFO: its signature 0xFEEF04BD, its struct version and the
# two double words of the file version.
key=$(LC_ALL=C grep -obUaP 'V\x00S\x00_\x00V\x00E\x00R\x00S\x00I\x00O\x00N\x00_\x00I\x00N\x00F\x00O\x00\x00\x00' "$1" |
    head -n 1 | cut -d: -f1)
[ -n "$key" ] || { echo "$1: no version resource" >&2; exit 1; }
fixed=$((key + 34))
signature=$(od -An -tx1 -j "$fixed" -N 4 "$1" | tr -d ' \n')
[ "$signature" = bd04effe ] || { echo "$1: version resource not understood" >&2; exit 1; }
# Four little-endian words: minor, major (the high double word), then the fourth and the third part.
set -- $(od -An -tu2 -j $((fixed + 8)) -N 8 "$1")
echo "$2.$1.$4.$3"
