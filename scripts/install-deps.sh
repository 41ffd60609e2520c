#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when something is missing.
# Idempotent: a second run with everything present does nothing and needs no network.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have_cmd cmake                      || need+=(cmake)
have_cmd g++                        || need+=(g++)
have_cmd make                       || need+=(make)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have_cmd i686-w64-mingw32-windres   || need+=(binutils-mingw-w64-i686)
have_cmd i686-w64-mingw32-widl      || need+=(mingw-w64-tools)
have_pkg googletest                 || need+=(googletest)
have_cmd wixl                       || need+=(wixl)
have_cmd msiinfo                    || need+=(msitools)
have_cmd Xvfb                       || need+=(xvfb)
have_cmd xdotool                    || need+=(xdotool)
have_cmd xwd                        || need+=(x11-apps)
have_cmd xev                        || need+=(x11-utils)
# The wizard's fonts: without them Wine draws every caption in a much wider face.
have_pkg fonts-wine                 || need+=(fonts-wine)
have_pkg fonts-liberation           || need+=(fonts-liberation)
have_cmd python3                    || need+=(python3)
# The end-to-end table under Wine (tests/e2e) is a pytest runner.
have_cmd pytest-3                   || need+=(python3-pytest)
have_cmd bc                         || need+=(bc)
have_cmd valgrind                   || need+=(valgrind)
# ImageMagick's import takes the screenshots (a convert from elsewhere on the PATH is not enough).
have_cmd import                     || need+=(imagemagick)
# A Japanese locale: the end-to-end table runs one prefix under code page 932.
have_pkg locales                    || need+=(locales)

wine_ok=1
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  wine_ok=0
fi
have_pkg wine32:i386 || wine_ok=0
have_cmd wine        || wine_ok=0
# Some virtual machines run 64-bit user code only; there the tests use wine64 and the x86_64
# build of the same sources.
[ -x /usr/lib/wine/wine64 ] || wine_ok=0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#need[@]} -gt 0 ] || [ $wine_ok -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if [ $wine_ok -eq 0 ]; then
    $SUDO dpkg --add-architecture i386
    need+=(wine wine32:i386 wine64)
  fi
  echo "install-deps: installing ${need[*]}" >&2
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  echo "install-deps: generating the ja_JP.UTF-8 locale" >&2
  $SUDO locale-gen >/dev/null
fi
