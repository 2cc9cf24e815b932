#!/usr/bin/env bash
# Puts together what a Windows user downloads, from a build's programs and guide:
#   OUTDIR/Kelvaro2-<version>-win64.msi  the per-user installer (make_msi.sh)
#   OUTDIR/Kelvaro2-<version>-win64.zip  the exe, its console companion Kelvaro2.com,
#       the guide with the pictures it shows, and はじめにお読みください.txt
#       (code page 932, CR LF)
# The guide's pictures are the files its <img> tags name, beside it.
#
# Signing: with KELVARO2_SIGN_PFX naming a .pfx file (certificate and private
# key, its password in KELVARO2_SIGN_PASSWORD), Kelvaro2.exe and Kelvaro2.com
# are signed (Authenticode, SHA-256) before they go into the zip and the
# installer, and then the installer itself; KELVARO2_SIGN_TIMESTAMP_URL names
# the RFC 3161 time-stamp server that countersigns each signature, so that it
# stays valid after the certificate expires. Without a certificate the package
# is unsigned, and this says so.
# Usage: make_dist.sh EXE COM GUIDE.html VERSION OUTDIR
set -euo pipefail
exe=$1 com=$2 guide=$3 version=$4 outdir=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
name="Kelvaro2-$version-win64"
say() { printf '[kelvaro2] %s\n' "$*" >&2; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/files" "$outdir"
cp "$exe" "$stage/files/Kelvaro2.exe"
cp "$com" "$stage/files/Kelvaro2.com"
cp "$guide" "$stage/files/KELVARO2.html"
pictures=()
for picture in $(grep -o '<img src="[^"]*"' "$guide" | sed 's/^<img src="//; s/"$//' | sort -u); do
    source="$(dirname "$guide")/$picture"
    [ -s "$source" ] || { say "the guide shows $picture, which is missing or empty beside it"; exit 1; }
    cp "$source" "$stage/files/$picture"
    pictures+=("$stage/files/$picture")
done

# sign FILE: signs it in place when a certificate is given.
sign() {
    [ -n "${KELVARO2_SIGN_PFX:-}" ] || return 0
    local timestamp=()
    [ -n "${KELVARO2_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$KELVARO2_SIGN_TIMESTAMP_URL")
    # The password through a pipe, never on a command line that others can read.
    printf '%s' "${KELVARO2_SIGN_PASSWORD:-}" |
        osslsigncode sign -pkcs12 "$KELVARO2_SIGN_PFX" -readpass - -h sha256 -n "Kelvaro2" \
            "${timestamp[@]}" -in "$1" -out "$1.signed" >/dev/null ||
        { say "could not sign $(basename "$1")"; exit 1; }
    mv "$1.signed" "$1"
}
if [ -z "${KELVARO2_SIGN_PFX:-}" ]; then
    say "unsigned: KELVARO2_SIGN_PFX names no certificate (see README, 'Signing a release')"
elif [ -z "${KELVARO2_SIGN_TIMESTAMP_URL:-}" ]; then
    say "signing without a time stamp: KELVARO2_SIGN_TIMESTAMP_URL is not set (the signatures end with the certificate)"
fi
sign "$stage/files/Kelvaro2.exe"
sign "$stage/files/Kelvaro2.com"

sh "$here/make_msi.sh" "$(command -v wixl)" "$(command -v msibuild)" "$here/kelvaro2.wxs" "$stage/files/Kelvaro2.exe" \
    "$stage/files/Kelvaro2.com" "$stage/files/KELVARO2.html" "$root/res/kelvaro2.ico" "$stage/$name.msi" \
    ${pictures[@]+"${pictures[@]}"}
sign "$stage/$name.msi"
mv "$stage/$name.msi" "$outdir/$name.msi"

# The zip: file names in code page 932 without the UTF-8 flag, as Japanese
# Windows and its archivers read them; the text file in code page 932 with CR LF.
readme=$(printf 'はじめにお読みください.txt' | iconv -f utf-8 -t cp932)
sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/package/readme.txt" | iconv -f utf-8 -t cp932 >"$stage/files/$readme"
touch -r "$exe" "$stage/files"/*
rm -f "$outdir/$name.zip"
(cd "$stage/files" && LC_ALL=C zip -X -q -9 "$outdir/$name.zip" Kelvaro2.exe Kelvaro2.com KELVARO2.html \
    ${pictures[@]+"${pictures[@]##*/}"} "$readme")
