# Sourced by the scripts: a headless Wine prefix inside the win32 build folder.
export WINEPREFIX="${WINEPREFIX:-$PWD/build/win32/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

# Creates the prefix once and starts the wineserver and Wine's helper processes now,
# so that ctest does not wait on helpers that inherited its output pipe.
wine_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    # wineboot leaves its server running for a while; it saves the registry as it ends.
    wineserver -w 2>/dev/null || true
  fi
  # A server of this prefix still running (from an earlier command) refuses -p; it ends by itself.
  wineserver -p 2>/dev/null || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
  wineserver -k 2>/dev/null || true
}
