# Sourced by the scripts: a headless Wine prefix inside a Windows build folder, that of
# win32 unless WINEPREFIX is set first; `wine_use win64` turns to the 64-bit build's.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The prefix of one Windows build (win32 or win64), of that build's pointer size. Each
# prefix has its own wineserver, so wine_stop for one leaves the other running.
wine_use() {
  export WINEARCH=$1
  export WINEPREFIX="$PWD/build/$1/wineprefix"
}

if [ -n "${WINEPREFIX:-}" ]; then
  export WINEARCH=win32
else
  wine_use win32
fi

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

# Ends this prefix's wineserver only (it answers on a socket named after the prefix).
wine_stop() {
  wineserver -k 2>/dev/null || true
}
