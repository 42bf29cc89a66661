# Sourced by the scripts: a Wine prefix of the build's own and a persistent Wine server for it,
# started with every stream redirected so that CTest never waits on Wine's background services.
# wine_start needs LANGSETUP_BUILD_ROOT and may be called again while the server runs; wine_stop
# ends the server.

wine_quiet() { "$@" </dev/null >/dev/null 2>&1; }

wine_start() {
    export WINEPREFIX="${LANGSETUP_BUILD_ROOT}/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
    [ -n "${WINEPREFIX:-}" ] && wine_quiet wineserver -k || true
}
