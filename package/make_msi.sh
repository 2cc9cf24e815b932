#!/bin/sh
# Builds the installer with wixl, then adds what wixl cannot write:
# the uninstaller removes Kelvaro2.lnk from the user's Send To folder, the
# shortcut the options dialog makes on request, and the user's Programs
# folder when it is left empty; the two programs carry their
# file versions (read from the programs themselves), without which an upgrade
# would keep the old, versioned files, and no file hash (Windows Installer
# compares versioned files by version, and a hash row makes the validation
# fail); the summary information names the package's language, Japanese, as its
# properties do. The product version is the first three fields of the
# program's file version: major, minor and the build number, so that every
# build replaces the one installed before it.
# The guide's pictures (PICTURE…) go beside the guide.
# Usage: make_msi.sh WIXL MSIBUILD WXS EXE COM GUIDE ICON OUTPUT.msi [PICTURE…]
set -eu
wixl=$1 msibuild=$2 wxs=$3 exe=$4 com=$5 guide=$6 icon=$7 output=$8
shift 8
here=$(dirname "$0")
file_version=$(sh "$here/file_version.sh" "$exe")
version=${file_version%.*}
# wixl takes the sources by names relative to the folder it runs in.
stage="$output.stage"
rm -rf "$stage"
mkdir -p "$stage"
# Each picture in a component of its own, whose GUID follows from its name: a
# later build that shows other pictures removes the ones it no longer has
# (files added to or dropped from a component that two versions share would
# stay behind after an upgrade).
components="" refs=""
for picture in "$@"; do
    name=$(basename "$picture")
    cp "$picture" "$stage/$name"
    guid=$(printf 'Kelvaro2 guide picture %s' "$name" | md5sum | tr a-f A-F |
        sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12}).*/\1-\2-\3-\4-\5/')
    components="$components<Component Id=\"Picture.$name\" Guid=\"$guid\" Win64=\"yes\">"
    components="$components<File Id=\"$name\" Name=\"$name\" Source=\"$name\"/>"
    components="$components<RegistryValue Root=\"HKCU\" Key=\"Software\\Orlenk's Soft\\Kelvaro2 Installer\""
    components="$components Name=\"Picture $name\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/></Component>"
    refs="$refs<ComponentRef Id=\"Picture.$name\"/>"
done
sed "s|<!-- PICTURES -->|$components|; s|<!-- PICTURE REFS -->|$refs|" "$wxs" >"$stage/kelvaro2.wxs"
cp "$exe" "$stage/Kelvaro2.exe"
cp "$com" "$stage/Kelvaro2.com"
cp "$guide" "$stage/KELVARO2.html"
cp "$icon" "$stage/kelvaro2.ico"
(cd "$stage" && "$wixl" -a x64 -D Version="$version" -o kelvaro2.msi kelvaro2.wxs)
"$msibuild" "$stage/kelvaro2.msi" -q "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`FileName\`, \`DirProperty\`, \`InstallMode\`) VALUES ('RemoveSendToLink', 'StartMenuShortcut', 'Kelvaro2.lnk', 'SendToFolder', 2)"
# wixl ignores RemoveFolder's Directory: the user's Programs folder goes at
# uninstall when nothing else is left in it.
"$msibuild" "$stage/kelvaro2.msi" -q "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`DirProperty\`, \`InstallMode\`) VALUES ('RemoveUserPrograms', 'Program', 'UserPrograms', 2)"
# An upgrade installs the new version first and removes the old one after it
# (wixl always schedules the removal first): the components the two share stay,
# and with them the "Send to" shortcut, which the old version's removal would
# otherwise delete.
"$msibuild" "$stage/kelvaro2.msi" -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 6610 WHERE \`Action\` = 'RemoveExistingProducts'"
for program in Kelvaro2.exe Kelvaro2.com; do
    program_version=$(sh "$here/file_version.sh" "$stage/$program")
    "$msibuild" "$stage/kelvaro2.msi" -q "UPDATE \`File\` SET \`Version\` = '$program_version', \`Language\` = '1041' WHERE \`File\` = '$program'"
    "$msibuild" "$stage/kelvaro2.msi" -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '$program'"
done
msiinfo=$(dirname "$msibuild")/msiinfo
summary=$("$msiinfo" suminfo "$stage/kelvaro2.msi")
field() { printf '%s\n' "$summary" | sed -n "s/^$1: //p"; }
"$msibuild" "$stage/kelvaro2.msi" -s "$(field Subject)" "$(field Author)" "x64;1041" "$(field 'Revision number (UUID)')"
mv "$stage/kelvaro2.msi" "$output"
rm -rf "$stage"
