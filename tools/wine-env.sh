# Sourced by the scripts: the private Wine prefix inside the build tree, never ~/.wine.
export WINEPREFIX="${KAVRO_ROOT:?}/build/windows/wineprefix"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
