#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine and prepares
# the build folder: libjpeg for MinGW, a Japanese glibc locale and a Wine prefix.
# Safe to run again; finished steps are skipped.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

PACKAGES=(cmake make g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev googletest wine wine64 xvfb xauth x11-apps imagemagick
          fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine nasm dpkg-dev locales pulseaudio python3)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

mkdir -p "$K2_DEPS"

# libjpeg-turbo from Debian's source package, static, for MinGW.
if [ ! -f "$K2_JPEG_PREFIX/lib/libjpeg.a" ]; then
    src_list=/etc/apt/sources.list.d/k2-deb-src.sources
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        echo "setup: adding a deb-src entry ($src_list)"
        as_root tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        as_root apt-get update -q
    fi
    rm -rf "$K2_DEPS/src" && mkdir -p "$K2_DEPS/src"
    (cd "$K2_DEPS/src" && apt-get source --download-only libjpeg-turbo >/dev/null &&
        dpkg-source -x --skip-patches libjpeg-turbo_*.dsc libjpeg-turbo >/dev/null)
    cmake -S "$K2_DEPS/src/libjpeg-turbo" -B "$K2_DEPS/jpeg-build" \
        -DCMAKE_TOOLCHAIN_FILE="$K2_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$K2_JPEG_PREFIX" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF >/dev/null
    cmake --build "$K2_DEPS/jpeg-build" -j"$(nproc)" >/dev/null
    cmake --install "$K2_DEPS/jpeg-build" >/dev/null
    echo "setup: libjpeg installed in $K2_JPEG_PREFIX"
fi

# glibc locales for Wine: Japanese (code page 932, Japanese Unix file names),
# and those of the other test conditions (cmake/conditions.txt).
for locale in $(k2_condition_field 2 | sort -u); do
    if [ ! -d "$K2_BUILD/locale/$locale" ]; then
        mkdir -p "$K2_BUILD/locale"
        localedef -i "${locale%%.*}" -c -f UTF-8 "$K2_BUILD/locale/$locale" || true
        [ -d "$K2_BUILD/locale/$locale" ] || { echo "setup: localedef $locale failed" >&2; exit 1; }
    fi
done

# A Wine prefix, created once under Xvfb in the given locale, with the window
# manager off, the form font mapped to an installed Japanese face and the
# display's DPI set.
make_prefix() {
    local prefix=$1 locale=$2 dpi=$3
    local stamp="$locale $dpi"
    [ "$(cat "$prefix/.k2-ready" 2>/dev/null)" = "$stamp" ] && return 0
    echo "setup: creating the Wine prefix in $prefix ($locale, $dpi dpi)"
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    (
        { export WINEPREFIX=$prefix LOCPATH="$K2_BUILD/locale" LANG=$locale LC_ALL=$locale K2_DPI=$dpi; } 2>/dev/null
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            set -e
            wineboot -i >/dev/null 2>&1
            wineserver -w
            # Wine draws the caption buttons with Marlett: give the prefix its
            # own copies of the fonts Wine ships, in case it does not find them.
            cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
            wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null
            for face in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic"; do
                wine reg add "HKCU\\Software\\Wine\\Fonts\\Replacements" /v "$face" /d IPAPGothic /f >/dev/null
            done
            for face in "ＭＳ ゴシック" "MS Gothic"; do
                wine reg add "HKCU\\Software\\Wine\\Fonts\\Replacements" /v "$face" /d IPAGothic /f >/dev/null
            done
            wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$K2_DPI" /f >/dev/null
            wineserver -w
        '
    )
    echo "$stamp" >"$prefix/.k2-ready"
}

while read -r name locale _ dpi; do
    make_prefix "$(k2_condition_prefix "$name")" "$locale" "$dpi"
done < <(k2_conditions)
echo "setup: ready"
