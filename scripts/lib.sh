# Shared helpers of scripts/kelvaro2 and scripts/test. Source, do not run.
# Everything a bare Debian machine lacks is installed here; the user's ~/.wine
# is never touched: every Wine call runs in a prefix inside build/.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The configure preset of CMakePresets.json: mingw (the default) or clang,
# which builds the same program with Debian's clang into build-clang/.
PRESET="${KELVARO2_PRESET:-mingw}"
if [ "$PRESET" = mingw ]; then BUILD="$ROOT/build"; else BUILD="$ROOT/build-$PRESET"; fi
PACKAGES=(wine wine64 fonts-wine g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev xvfb xauth locales
          fonts-ipafont fonts-ipaexfont googletest cmake make
          cmark-gfm wixl msitools zip unzip python3 osslsigncode openssl)

log() { printf '[kelvaro2] %s\n' "$*" >&2; }

# The second compiler, for the clang preset only.
[ "$PRESET" = clang ] && PACKAGES+=(clang lld)

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Wine needs the Japanese locale for code page 932.
ensure_locale() {
    locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
    log "generating the ja_JP.UTF-8 locale"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
}

build_all() {
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
        (cd "$ROOT" && cmake --preset "$PRESET" >/dev/null)
    fi
    cmake --build "$BUILD" -j"$(nproc)" "$@"
}

# wine_env PREFIX: the environment of every Wine call.
wine_env() {
    export WINEPREFIX="$1" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
}

# Creates the prefix once, with the settings the program and tests rely on.
ensure_prefix() {
    if [ ! -f "$WINEPREFIX/.kelvaro2-ready" ]; then
        create_prefix
    fi
    ensure_prefix_fonts
    ensure_prefix_crash_exit
}

# Debian's Wine 8 looks for its own fonts in "<data dir>/../fonts", a path it
# cannot open, so the Marlett font of fonts-wine (/usr/share/wine/fonts) is
# never loaded and every caption button shows the letters that stand for its
# symbols ("0 1 r"). A copy in the prefix's Fonts folder is always loaded.
# Checked on every start, so prefixes made before this fix get it too.
ensure_prefix_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$fonts/marlett.ttf" ] && return 0
    [ -f /usr/share/wine/fonts/marlett.ttf ] || { log "fonts-wine lacks marlett.ttf"; return 0; }
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
}

# A program that crashes ends at once: no crash dialog, which nobody can answer
# here, and no debugger, which stays alive after the crash and keeps a test
# waiting until its time-out. Checked on every start, so older prefixes get it.
# (Read from the registry files, without starting Wine: Wine's own setup puts
# the debugger back when it updates a prefix.)
ensure_prefix_crash_exit() {
    if grep -q '^"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null &&
        awk '/^\[/ { section = index($0, "\\\\AeDebug]") > 0 } section && /^"Debugger"=""$/ { found = 1 }
             END { exit !found }' "$WINEPREFIX/system.reg"; then
        return 0
    fi
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
    # An empty debugger command: Wine starts winedbg when the value is missing.
    local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
    wine reg add "$aedebug" /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1 </dev/null
    wine reg add "$aedebug" /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1 </dev/null
}

create_prefix() {
    log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # Without a window manager, hiding a managed window costs two seconds.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ 明朝' /t REG_SZ /d IPAMincho /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /t REG_SZ /d IPAGothic /f >/dev/null 2>&1
    ensure_prefix_fonts
    ensure_prefix_crash_exit
    # The first program of a prefix that loads the window libraries builds its
    # font cache, which takes seconds with the IPA fonts: done here, once, so
    # that the first window test does not spend its time limit on it.
    wine regedit /E 'C:\windows\temp\kelvaro2-fonts.reg' 'HKEY_CURRENT_USER\Software\Wine\Fonts' >/dev/null 2>&1 </dev/null || true
    wineserver -w
    touch "$WINEPREFIX/.kelvaro2-ready"
}

XVFB_PID=""
# Starts Xvfb on a free display when there is none; stopped by stop_display.
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    for n in $(seq 91 150); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    log "Xvfb did not start on :$n"
    return 1
}

stop_display() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
