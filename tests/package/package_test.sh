#!/usr/bin/env bash
# The package as scripts/package puts it together, signed with a throwaway
# certificate made here, checked by osslsigncode, with the guide's pictures
# (stand-ins here: the real ones are taken under Xvfb when packaging); then
# the installer in the Wine prefix of the tests (scripts/test sets
# WINEPREFIX, DISPLAY and a running wine server): install per user without a
# question, find the program, its console companion, the guide and the Start
# menu shortcut, ask the console companion for its usage, rename a folder with
# the installed program's automatic run, uninstall, and check that the files
# and shortcuts are gone while the settings stay. Then the next build of the
# same version replaces it, keeps the "Send to" shortcut and leaves one entry.
# Usage: package_test.sh Kelvaro2.exe Kelvaro2.com CMARK-GFM NEXT-BUILD.msi
set -uo pipefail
exe=$1
com=$2
cmark=$3
next=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
check_file() { [ -f "$1" ] || fail "$2 missing: $1"; }
check_gone() { [ ! -e "$1" ] || fail "$2 left behind: $1"; }
file_version() { sh "$root/package/file_version.sh" "$1" 2>/dev/null || echo none; }
check_version() {
    local found
    found=$(file_version "$1")
    [ "$found" = "$2" ] || fail "$3 is version $found, not $2"
}
scratch=$(mktemp -d)

# The guide with a stand-in for every picture it can show.
version_text=$(sed -n 's/^#define KELVARO_VERSION_TEXT "\(.*\)"$/\1/p' "$root/res/version.h")
mkdir -p "$scratch/guide"
for picture in $(sed -n 's/^<!-- picture \([^ :]*\): .* -->$/\1/p' "$root/doc/guide.md"); do
    # A PNG of 1 x 1 pixel.
    base64 -d >"$scratch/guide/$picture" <<<'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='
done
sh "$root/doc/make_guide.sh" "$cmark" "$root/doc/guide.md" "$root/doc/guide_page.html" "$version_text" \
    "$scratch/guide/KELVARO2.html" "$scratch/guide" || fail "make_guide.sh ended with $?"
# Without pictures the guide says nothing of them.
sh "$root/doc/make_guide.sh" "$cmark" "$root/doc/guide.md" "$root/doc/guide_page.html" "$version_text" \
    "$scratch/plain.html" || fail "make_guide.sh without pictures ended with $?"
grep -qE '<figure|<img|\.png|<!-- (picture|with|end) ' "$scratch/plain.html" &&
    fail "the guide without pictures speaks of them"

# A throwaway certificate for code signing, and the package signed with it.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$scratch/key.pem" -out "$scratch/cert.pem" -days 2 \
    -subj "/CN=Kelvaro2 package test" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1 || fail "openssl req"
openssl pkcs12 -export -in "$scratch/cert.pem" -inkey "$scratch/key.pem" -out "$scratch/test.pfx" \
    -passout pass:kelvaro2-test || fail "openssl pkcs12"
KELVARO2_SIGN_PFX="$scratch/test.pfx" KELVARO2_SIGN_PASSWORD=kelvaro2-test \
    bash "$root/package/make_dist.sh" "$exe" "$com" "$scratch/guide/KELVARO2.html" "$version_text" "$scratch/dist" \
    2>"$scratch/make_dist.txt" || fail "make_dist.sh ended with $?: $(cat "$scratch/make_dist.txt")"
[ "$(grep -c 'without a time stamp' "$scratch/make_dist.txt")" = 1 ] ||
    fail "signing without a time-stamp server is not said once: $(cat "$scratch/make_dist.txt")"
msi="$scratch/dist/Kelvaro2-$version_text-win64.msi"
zip="$scratch/dist/Kelvaro2-$version_text-win64.zip"
# Both carry every picture the guide shows; osslsigncode accepts all signatures.
grep -q '<img src=' "$scratch/guide/KELVARO2.html" || fail "the guide shows no picture"
bash "$root/package/check_dist.sh" "$zip" "$msi" "$scratch/cert.pem" || fail "check_dist.sh found faults"
# ... and refuses a signed program changed after signing.
unzip -q -o "$zip" Kelvaro2.exe -d "$scratch" &&
    printf 'X' | dd of="$scratch/Kelvaro2.exe" bs=1 seek=4096 conv=notrunc status=none
osslsigncode verify -CAfile "$scratch/cert.pem" -in "$scratch/Kelvaro2.exe" >/dev/null 2>&1 &&
    fail "osslsigncode accepts a program changed after signing"

# The version of this build and of the next, as their programs give them: the
# same major and minor numbers, a later build number.
version=$(file_version "$exe")
next_version=$(msiinfo export "$next" File | tr -d '\r' | awk -F'\t' '$1 == "Kelvaro2.exe" { print $5 }')
[ "${version%.*.*}" = "${next_version%.*.*}" ] || fail "the next build is version $next_version, not of $version"
build=${version#*.*.} next_build=${next_version#*.*.}
[ "${next_build%.*}" -gt "${build%.*}" ] 2>/dev/null || fail "the next build's number is not above this one's"

win() { wine cmd /c "echo $1" </dev/null 2>/dev/null | tr -d '\r' | iconv -f cp932 -t utf-8; }
unix() { winepath -u "$1" 2>/dev/null; }

settings='HKCU\Software\VB and VBA Program Settings\Orlenk'"'"'s Soft\Kelvaro2'
local_app=$(unix "$(win '%LOCALAPPDATA%')")
roaming=$(unix "$(win '%APPDATA%')")
install_dir="$local_app/Programs/Kelvaro2"
shortcut="$roaming/Microsoft/Windows/Start Menu/Programs/Kelvaro2.lnk"
send_to="$roaming/Microsoft/Windows/SendTo/Kelvaro2.lnk"
work="$WINEPREFIX/drive_c/kelvaro2-package-test.$$"
msi_win=$(winepath -w "$msi" 2>/dev/null)
next_win=$(winepath -w "$next" 2>/dev/null)
entries() { wine uninstaller --list </dev/null 2>/dev/null | tr -d '\r' | grep -c '|||Kelvaro2$'; }

cleanup() {
    # Uninstalling what is not installed costs seconds: only after a failed check.
    if [ -e "$install_dir" ]; then
        wine msiexec /x "$next_win" /qn </dev/null >/dev/null 2>&1
        wine msiexec /x "$msi_win" /qn </dev/null >/dev/null 2>&1
    fi
    rm -f "$send_to"
    wine reg delete "$settings" /f </dev/null >/dev/null 2>&1
    rm -rf "$work"
}
trap 'cleanup; rm -rf "$scratch"' EXIT
cleanup

# What Windows Installer's validation asks of a per-user package: components
# keyed by values under HKCU, the folders it makes removed when left empty,
# Japanese as its language; versioned programs. Checked in the package: Wine's
# msiexec tries to remove Programs while the program folder in it is still
# there, so only Windows really removes it.
table() { msiinfo export "$msi" "$1" | tr -d '\r'; }
hkcu_values=$(table Registry | awk -F'\t' 'NR > 3 && $2 == 1 { print $1 }')
for key_path in $(table Component | awk -F'\t' 'NR > 3 { print $6 }'); do
    grep -qx "$key_path" <<<"$hkcu_values" || fail "a component is keyed by $key_path, not by a value under HKCU"
done
table RemoveFile | grep -qP '^\w+\tProgram\t\tUserPrograms\t2' || fail "the Programs folder stays at uninstall"
msiinfo suminfo "$msi" | tr -d '\r' | grep -qx 'Template: x64;1041' || fail "the package's summary does not say Japanese"
for program in Kelvaro2.exe Kelvaro2.com; do
    table File | grep -qP "^$program\t.*\t$version\t1041\t" || fail "$program has no version in the package"
    table MsiFileHash | grep -q "^$program"$'\t' && fail "$program, a versioned file, has a hash in the package"
done
table Property | grep -qx "ProductVersion"$'\t'"${version%.*}" || fail "the product version is not ${version%.*}"

# Install.
start=$(date +%s%N)
wine msiexec /i "$msi_win" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /i ended with $?"
echo "installed in $((($(date +%s%N) - start) / 1000000)) ms"
check_file "$install_dir/Kelvaro2.exe" "the program"
check_file "$install_dir/Kelvaro2.com" "the console companion"
check_file "$install_dir/KELVARO2.html" "the guide"
check_file "$shortcut" "the Start menu shortcut"
check_version "$install_dir/Kelvaro2.exe" "$version" "the installed program"

# The guide reads on its own: no scripts, nothing fetched, its pictures beside
# it, every link inside it lands.
guide="$install_dir/KELVARO2.html"
if [ -f "$guide" ]; then
    sed -E 's/<img src="[^"/\\:]+\.png"//g' "$guide" | grep -qiE '<script|<link|<img|<iframe|src=|url\(' &&
        fail "the guide needs more than itself"
    for picture in $(grep -o '<img src="[^"]*"' "$guide" | sed 's/^<img src="//; s/"$//'); do
        [ -s "$install_dir/$picture" ] || fail "the installed guide's picture $picture is missing or empty"
    done
    for target in $(grep -oE 'href="[^"]*"' "$guide" | sed 's/^href="//; s/"$//' | sort -u); do
        case "$target" in
        \#*) grep -q "id=\"${target#\#}\"" "$guide" || fail "the guide's link $target leads nowhere" ;;
        *) fail "the guide links outside itself: $target" ;;
        esac
    done
fi
[ "$(entries)" = 1 ] || fail "not one Kelvaro2 in the list of installed apps"

# The installed program renames a folder given on its command line without a window.
mkdir -p "$work/my photos"
for value in 'Auto True' 'AutoExe 0' 'AutoLog False'; do
    set -- $value
    wine reg add "$settings" /v "$1" /t REG_SZ /d "$2" /f </dev/null >/dev/null 2>&1 || fail "reg add $1"
done
timeout 60 wine "$install_dir/Kelvaro2.exe" "$(winepath -w "$work/my photos")" </dev/null >/dev/null 2>&1 ||
    fail "the installed program ended with $?"
names=$(ls "$work")
[ "$names" = "MY PHOTOS" ] || fail "the folder is now named '$names', not 'MY PHOTOS'"

# The installed console companion answers on the console and ends with 0.
usage=$(timeout 60 wine "$install_dir/Kelvaro2.com" '/?' </dev/null 2>/dev/null)
status=$?
[ "$status" = 0 ] || fail "the installed Kelvaro2.com /? ended with $status"
grep -q '/MODE:n' <<<"$usage" || fail "the installed Kelvaro2.com /? printed no usage"

# As if the options dialog had put the program into "Send to".
mkdir -p "$(dirname "$send_to")"
cp "$shortcut" "$send_to"

# Uninstall.
wine msiexec /x "$msi_win" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /x ended with $?"
check_gone "$install_dir/Kelvaro2.exe" "the program"
check_gone "$install_dir/Kelvaro2.com" "the console companion"
check_gone "$install_dir/KELVARO2.html" "the guide"
check_gone "$install_dir" "the program folder"
check_gone "$shortcut" "the Start menu shortcut"
check_gone "$send_to" "the Send To shortcut"
[ "$(entries)" = 0 ] || fail "Kelvaro2 still in the list of installed apps"
wine reg query "$settings" /v AutoExe </dev/null >/dev/null 2>&1 || fail "the uninstaller removed the settings"

# Upgrade: the next build of the same version replaces this one and the "Send to" shortcut stays.
wine msiexec /i "$msi_win" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /i ended with $?"
cp "$shortcut" "$send_to"
wine msiexec /i "$next_win" /qn </dev/null >/dev/null 2>&1 || fail "the upgrade ended with $?"
[ "$(entries)" = 1 ] || fail "after the upgrade, not one Kelvaro2 in the list of installed apps"
check_file "$install_dir/Kelvaro2.exe" "the upgraded program"
check_file "$install_dir/Kelvaro2.com" "the upgraded console companion"
check_version "$install_dir/Kelvaro2.exe" "$next_version" "the upgraded program"
check_version "$install_dir/Kelvaro2.com" "$next_version" "the upgraded console companion"
check_file "$install_dir/KELVARO2.html" "the upgraded guide"
check_file "$shortcut" "the Start menu shortcut after the upgrade"
check_file "$send_to" "the Send To shortcut after the upgrade"
wine msiexec /x "$next_win" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /x of the upgrade ended with $?"
check_gone "$install_dir" "the upgraded program folder"
check_gone "$send_to" "the Send To shortcut"
[ "$(entries)" = 0 ] || fail "Kelvaro2 still in the list of installed apps after the upgrade's removal"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package test passed"
