#!/usr/bin/env bash
# Checks what make_dist.sh put together: the zip and the installer carry the
# same guide, and every picture the guide shows, none of them empty; with
# CERT.pem (the certificate the package was signed with, or its issuer),
# osslsigncode accepts the signatures of the installer and of Kelvaro2.exe and
# Kelvaro2.com in both. Prints what failed; ends with 1 when anything did.
# Usage: check_dist.sh ZIP MSI [CERT.pem]
set -uo pipefail
zip=$1 msi=$2 cert=${3:-}
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/zip" "$work/msi"
unzip -q "$zip" -d "$work/zip" || fail "cannot unpack $zip"
msiextract -C "$work/msi" "$msi" >/dev/null || fail "cannot unpack $msi"
# in_msi NAME: the path of the installed file NAME.
in_msi() { find "$work/msi" -type f -name "$1" | head -n 1; }

guide="$work/zip/KELVARO2.html"
[ -s "$guide" ] || fail "the zip has no guide"
cmp -s "$guide" "$(in_msi KELVARO2.html)" || fail "the installer's guide is not the zip's"
for picture in $(grep -o '<img src="[^"]*"' "$guide" 2>/dev/null | sed 's/^<img src="//; s/"$//' | sort -u); do
    case "$picture" in
    */* | *\\* | *:*) fail "the guide shows a picture from elsewhere: $picture" ;;
    esac
    [ -s "$work/zip/$picture" ] || fail "the zip lacks the picture $picture, or it is empty"
    [ -s "$(in_msi "$picture")" ] || fail "the installer lacks the picture $picture, or it is empty"
done

if [ -n "$cert" ]; then
    for file in "$msi" "$work/zip/Kelvaro2.exe" "$work/zip/Kelvaro2.com" "$(in_msi Kelvaro2.exe)" \
        "$(in_msi Kelvaro2.com)"; do
        osslsigncode verify -CAfile "$cert" -in "$file" >"$work/verify.txt" 2>&1 ||
            fail "osslsigncode does not accept the signature of ${file#"$work"/}: $(tail -n 3 "$work/verify.txt")"
    done
fi
[ "$failures" -eq 0 ]
