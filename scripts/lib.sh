# Shared by the scripts: build folders and a virtual display when there is none.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$ROOT/build/native
WIN_BUILD=$ROOT/build/win
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-testbank${TB_TAG:-}}

build_native() {
  cmake -S "$ROOT" -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$NATIVE_BUILD"
}

build_windows() {
  cmake -S "$ROOT" -B "$WIN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
  cmake --build "$WIN_BUILD"
}

# Starts Xvfb on a free display unless one is given; stopped when the script exits.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${FORCE_XVFB:-0}" != 1 ]; then return; fi
  local n=99
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  trap 'kill $XVFB_PID 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
}
