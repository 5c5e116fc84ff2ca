# Sourced by the other scripts: where things live and how Wine is run.
K2_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
K2_BUILD="${K2_BUILD:-$K2_ROOT/build}"
K2_DEPS="$K2_BUILD/deps"
K2_JPEG_PREFIX="$K2_DEPS/jpeg"
K2_CROSS="$K2_BUILD/cross"
export WINEPREFIX="$K2_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko download prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Wine takes its ANSI code page from the Unix locale: a real glibc ja_JP.UTF-8
# locale gives code page 932 and lets Japanese file names through.
k2_wine_locale() {
    export LOCPATH="$K2_BUILD/locale"
    export LANG=ja_JP.UTF-8
    { export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
}

# The test conditions, one line each: name, locale, code page, dpi.
k2_conditions() { grep -v '^#' "$K2_ROOT/cmake/conditions.txt" | grep -v '^[[:space:]]*$'; }
k2_condition_field() { k2_conditions | awk -v f="$1" '{ print $f }'; }
# "ja" is the default prefix; the others live beside it.
k2_condition_prefix() {
    if [ "$1" = ja ]; then echo "$K2_BUILD/wineprefix"; else echo "$K2_BUILD/prefixes/$1"; fi
}

k2_configure() {
    cmake -S "$K2_ROOT" -B "$K2_CROSS" \
        -DCMAKE_TOOLCHAIN_FILE="$K2_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_FIND_ROOT_PATH="$K2_JPEG_PREFIX" \
        -DCMAKE_BUILD_TYPE="${K2_BUILD_TYPE:-Release}" \
        -DK2_WINE_BUILD="$K2_BUILD" >/dev/null
}
