#!/usr/bin/env bash
# Packs the download twice from the built K2.exe (the second time from a copy
# with another modification time), checks that the zips are byte-identical and
# that the checksum file matches, then unpacks the zip into a folder whose name
# has spaces and Japanese characters, where release_test runs the program.
# Usage: release_unpack.sh K2.exe FOLDER
set -euo pipefail
exe=$1
folder=$2
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fail() { echo "release_unpack: $*" >&2; exit 1; }

rm -rf "$folder"
mkdir -p "$folder/copy"
bash "$root/scripts/release.sh" --pack "$exe" "$folder/first" >/dev/null
cp "$exe" "$folder/copy/K2.exe"
touch -d "2031-07-15 12:34:56" "$folder/copy/K2.exe"
bash "$root/scripts/release.sh" --pack "$folder/copy/K2.exe" "$folder/second" >/dev/null

zip=$(cd "$folder/first" && ls K2-*-win64.zip)
[ -f "$folder/second/$zip" ] || fail "the second pack has no $zip"
cmp -s "$folder/first/$zip" "$folder/second/$zip" || fail "two packs of the same exe differ"
(cd "$folder/first" && sha256sum --check --quiet "$zip.sha256") || fail "checksum file does not match"
stamp=$(TZ=UTC0 git -C "$root" log -1 --date=format-local:'%Y %m %d %H %M %S' --format=%cd HEAD)
dates=$(python3 -c 'import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist(): print(*i.date_time)' "$folder/first/$zip" | sort -u)
# Zip times count in steps of two seconds.
[ "$dates" = "$(echo "$stamp" | awk '{ $6 = sprintf("%d", $6 - $6 % 2); print $1+0, $2+0, $3+0, $4+0, $5+0, $6 }')" ] ||
    fail "entries dated $dates, not the commit's $stamp"

# release_test looks for the program in this folder.
target="$folder/unpacked/コルミ２ テスト 置き場"
mkdir -p "$target"
python3 -m zipfile -e "$folder/first/$zip" "$target"
entries=$(cd "$target" && ls -A | tr '\n' ' ')
[ "$entries" = "K2.exe README.txt " ] || fail "unexpected entries: $entries"
cmp -s "$exe" "$target/K2.exe" || fail "the unpacked K2.exe differs from the built one"
readme="$target/README.txt"
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt has no UTF-8 mark"
grep -q $'\r$' "$readme" || fail "README.txt has no Windows line ends"
! grep -q '@VERSION@' "$readme" || fail "README.txt still has the version placeholder"
echo "release_unpack: $zip $(cut -d' ' -f1 "$folder/first/$zip.sha256")"
