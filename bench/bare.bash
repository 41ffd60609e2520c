# Sourced by the bench scripts (after scripts/wine-env.sh): bare_build compiles the baseline
# program bench/bare_window.cpp for the Wine build in use and sets BARE to its path.
bare_build() {
  local cxx=x86_64-w64-mingw32-g++-posix
  [ "$TSY_WIN_ARCH" = win32 ] && cxx=i686-w64-mingw32-g++-posix
  BARE="$TSY_WIN_BUILD/bench/bare_window.exe"
  mkdir -p "$(dirname "$BARE")"
  "$cxx" -std=c++20 -O2 -mwindows -static -static-libgcc -static-libstdc++ \
    -o "$BARE" "$(dirname "${BASH_SOURCE[0]}")/bare_window.cpp" -lole32 -loleaut32 -luuid
}
