#!/usr/bin/env bash
# Builds the Windows release into dist/: TestbankEditor-VERSION-win64.zip (the two programs,
# a README and the third-party notices, to unpack anywhere) and TestbankEditor-VERSION-win64.msi
# (the same files installed under Program Files, a Start menu shortcut, an uninstall entry).
# VERSION is the CMake project's. The same commit gives the same bytes: the executables are
# linked without a time stamp, every packed file carries the commit's time, and the
# installer's codes are made from the version and the commit.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$ROOT/scripts/setup.sh"
cmake -S "$ROOT" -B "$WIN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$WIN_BUILD" --target TestbankEditor testbank

version=$(sed -n 's/^#define TESTBANK_VERSION "\(.*\)"$/\1/p' "$WIN_BUILD/generated/Version.h")
[ -n "$version" ] || { echo "package.sh: no version in $WIN_BUILD/generated/Version.h" >&2; exit 1; }
commit=$(git -C "$ROOT" rev-parse HEAD 2>/dev/null || echo none)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 315532800)}
name=TestbankEditor-$version-win64
dist=$ROOT/dist
stage=$dist/.stage
rm -rf "$stage" && mkdir -p "$stage"
# Release copies without symbols (strip stamps the PE header with SOURCE_DATE_EPOCH); the
# papers with CR LF line ends for Notepad.
for exe in TestbankEditor.exe testbank.exe; do
  SOURCE_DATE_EPOCH=$epoch x86_64-w64-mingw32-strip -o "$stage/$exe" "$WIN_BUILD/$exe"
done
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$ROOT/packaging/README.txt" > "$stage/README.txt"
sed -e 's/$/\r/' "$WIN_BUILD/generated/THIRD-PARTY-NOTICES.txt" > "$stage/THIRD-PARTY-NOTICES.txt"
touch -d "@$epoch" "$stage"/*

rm -f "$dist/$name.zip" "$dist/$name.msi"
python3 - "$stage" "$dist/$name.zip" "$epoch" <<'PY'
import sys, time, zipfile
stage, out, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
when = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
with zipfile.ZipFile(out, "w") as z:
    for name in ["TestbankEditor.exe", "testbank.exe", "README.txt", "THIRD-PARTY-NOTICES.txt"]:
        info = zipfile.ZipInfo(name, when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0
        info.external_attr = 0x20  # archive, as Windows writes a file
        with open(f"{stage}/{name}", "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
PY

codes=($(python3 -c 'import sys, uuid
ns = uuid.UUID("9296a70b-40b3-4112-8f17-d9d7b699db2b")
print(uuid.uuid5(ns, "product " + sys.argv[1]), uuid.uuid5(ns, "package " + sys.argv[1] + " " + sys.argv[2]))' \
  "$version" "$commit"))
# wixl takes sources by relative paths only: it runs in the stage, which gets the icon too.
# It stamps the installer with the time of day and a random revision: the clock is held at
# the commit's time, and the revision is set to the package code afterwards.
cp "$WIN_BUILD/generated/TestbankEditor.ico" "$stage/"
at_commit=(env TZ=UTC faketime -f "$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')")
(cd "$stage" && "${at_commit[@]}" wixl -a x64 -o "$dist/$name.msi" \
  -D Version="$version" -D ProductCode="${codes[0]}" -D PackageCode="${codes[1]}" \
  "$ROOT/packaging/TestbankEditor.wxs")
"${at_commit[@]}" msibuild "$dist/$name.msi" -s "Testbank Editor $version" "Testbank Editor authors" "x64;1033" \
  "{${codes[1]^^}}"
rm -rf "$stage"
echo "$dist/$name.zip"
echo "$dist/$name.msi"
