# Sourced by the run and test scripts: a Wine prefix inside the build tree, a
# Russian locale, Xvfb when there is no display (or always, for tests), and one
# persistent wineserver for the whole run. Cleans up on exit.
#   wine_session_start BUILD_DIR [xvfb]

wine_session_start() {
    local build want_xvfb=${2:-auto}
    build=$(cd "$1" && pwd)
    export WINEPREFIX="$build/wine"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export LC_ALL=ru_RU.UTF-8

    if [ "$want_xvfb" = xvfb ] || [ -z "${DISPLAY:-}" ]; then
        local n=91
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        WINE_SESSION_XVFB=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
        # A bare server has no resource database, and without one X looks for
        # resource files anew at every lookup of a default (Wine looks some up
        # whenever a font is selected). A desktop session loads one; so does
        # this, with a resource nothing reads. The server must not reset when
        # its last client leaves (-noreset above), or the database goes with
        # it as soon as xprop is done.
        xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "wine.session: 1" >/dev/null 2>&1 || true
        xprop -root RESOURCE_MANAGER 2>/dev/null | grep -q wine.session ||
            echo "wine: the X server kept no resource database; drawing text will be slower" >&2
    fi
    trap wine_session_stop EXIT

    if [ ! -f "$WINEPREFIX/.prepared" ]; then
        echo "wine: preparing the prefix in $WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        # Every program runs in a virtual desktop (Wine then draws frames and
        # captions itself, and what a window paints can be read back from the
        # screen); the usual Windows faces map to the Liberation fonts.
        cat > "$WINEPREFIX/project.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1280x1024"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
REG
        wine regedit "$WINEPREFIX/project.reg" >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.prepared"
    fi
    # Caption buttons are drawn with the Marlett font, which Wine ships but a new
    # prefix does not find on its own.
    local marlett=/usr/share/wine/fonts/marlett.ttf fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -f "$marlett" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
        cp "$marlett" "$fonts/"
    fi
    wineserver -p </dev/null >/dev/null 2>&1
}

wine_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${WINE_SESSION_XVFB:-}" ]; then
        kill "$WINE_SESSION_XVFB" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB" 2>/dev/null || true
    fi
}
