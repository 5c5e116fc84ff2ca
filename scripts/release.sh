#!/usr/bin/env bash
# Builds the release K2.exe and packs the download for Windows users:
# dist/K2-<version>-win64.zip (K2.exe and README.txt, in Japanese) and the
# zip's SHA-256 checksum beside it, dist/K2-<version>-win64.zip.sha256.
# Two runs on the same commit give byte-identical zips.
#
# Usage: release.sh                     build, then pack into dist/
#        release.sh --pack EXE FOLDER   pack an already built K2.exe into FOLDER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

# The version is the one the exe's version block carries.
version=$(sed -n 's/^ *VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$K2_ROOT/resources/K2.rc")
[ -n "$version" ] || { echo "release: no ProductVersion in resources/K2.rc" >&2; exit 1; }

# The entries are dated with the commit's time (UTC), so that the zip shows
# when its contents were made and two builds of one commit still agree.
commit_time() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then echo "$SOURCE_DATE_EPOCH"; return; fi
    git -C "$K2_ROOT" log -1 --format=%ct HEAD 2>/dev/null ||
        { echo "release: not a git checkout; set SOURCE_DATE_EPOCH" >&2; return 1; }
}

pack() {
    local exe="$1" folder="$2"
    local zip="$folder/K2-$version-win64.zip"
    local epoch
    epoch=$(commit_time)
    mkdir -p "$folder"
    # Fixed entry order, time stamps and attributes: the zip depends only on
    # the two files' contents and the commit. The readme gets Windows line
    # ends and a BOM so that every Notepad shows the Japanese text.
    python3 - "$exe" "$K2_ROOT/resources/README-Windows.txt" "$version" "$zip" "$epoch" <<'PY'
import sys, time, zipfile
exe, readme, version, out, epoch = sys.argv[1:]
# Zip times are local times with no zone, from 1980 on.
stamp = time.gmtime(max(int(epoch), 315532800))[:6]
text = open(readme, encoding="utf-8").read().replace("@VERSION@", version)
entries = {
    "K2.exe": open(exe, "rb").read(),
    "README.txt": b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8"),
}
with zipfile.ZipFile(out + ".part", "w") as archive:
    for name in sorted(entries):
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS: plain file attributes whatever the build machine
        info.external_attr = 0x20  # archive bit
        archive.writestr(info, entries[name], compresslevel=9)
PY
    mv -f "$zip.part" "$zip"
    (cd "$folder" && sha256sum "$(basename "$zip")" > "$(basename "$zip").sha256")
    echo "$zip"
}

if [ "${1:-}" = "--pack" ]; then
    [ $# -eq 3 ] || { echo "usage: release.sh --pack EXE FOLDER" >&2; exit 2; }
    pack "$2" "$3"
    exit 0
fi

bash "$K2_ROOT/scripts/setup.sh"
K2_BUILD_TYPE=Release k2_configure
cmake --build "$K2_CROSS" -j"$(nproc)" --target K2
zip=$(pack "$K2_CROSS/app/K2.exe" "$K2_ROOT/dist")
echo "release: $zip"
cat "$zip.sha256"
