# shellcheck shell=bash
# Sourced by the scripts: a Wine prefix of the build's own and a persistent Wine server for it,
# started with every stream redirected so that CTest never waits on Wine's background services.
# The prefix is build/wineprefix in the repository (the scripts run from its top); wine_start may
# be called again while the server runs; wine_stop ends the server. wine_runs_32bit tells whether this Wine runs 32-bit programs.

wine_quiet() { "$@" </dev/null >/dev/null 2>&1; }

# True where Wine has its 32-bit half (scripts/setup installs it only where the machine can run it).
wine_runs_32bit() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

wine_start() {
    export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # A prefix made before wine32 was installed has no 32-bit system files, and every 32-bit
    # program fails in it (exit code 53): make a new one.
    if wine_runs_32bit && [ -f "$WINEPREFIX/system.reg" ] &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        echo "wine-env: the Wine prefix predates wine32; making a new one" >&2
        wine_quiet wineserver -k || true
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine_quiet wine wineboot -i || true  # creates the prefix (about 10 s the first time)
        wine_quiet wineserver -w || true     # waits until that first, short-lived server has gone
    fi
    # A persistent server, unless one runs already (then this fails at once, harmlessly).
    wine_quiet wineserver -p || true
    wine_quiet wine wineboot || true         # the services, under the persistent server
}

wine_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wine_quiet wineserver -k || true
    fi
}
