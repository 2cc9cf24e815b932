#!/bin/sh
# Builds the installer with wixl, then adds the one row wixl cannot write:
# the uninstaller removes Kelvaro2.lnk from the user's Send To folder, the
# shortcut the options dialog makes on request.
# Usage: make_msi.sh WIXL MSIBUILD WXS VERSION EXE GUIDE ICON OUTPUT.msi
set -eu
wixl=$1 msibuild=$2 wxs=$3 version=$4 exe=$5 guide=$6 icon=$7 output=$8
# wixl takes the sources by names relative to the folder it runs in.
stage="$output.stage"
rm -rf "$stage"
mkdir -p "$stage"
cp "$wxs" "$stage/kelvaro2.wxs"
cp "$exe" "$stage/Kelvaro2.exe"
cp "$guide" "$stage/KELVARO2.html"
cp "$icon" "$stage/kelvaro2.ico"
(cd "$stage" && "$wixl" -a x64 -D Version="$version" -o kelvaro2.msi kelvaro2.wxs)
"$msibuild" "$stage/kelvaro2.msi" -q "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`FileName\`, \`DirProperty\`, \`InstallMode\`) VALUES ('RemoveSendToLink', 'StartMenuShortcut', 'Kelvaro2.lnk', 'SendToFolder', 2)"
mv "$stage/kelvaro2.msi" "$output"
rm -rf "$stage"
