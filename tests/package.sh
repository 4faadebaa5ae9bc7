#!/usr/bin/env bash
# The release as a user gets it: scripts/package.sh builds it twice (the programs linked
# again in between) and the bytes must agree; the zip holds both programs, the README and
# the notices with every library's version and licence text; the programs carry their
# version and icon resources; the installer installs silently under Wine, the installed
# editor starts and shows Help > About, and uninstalling removes it all again.
# usage: tests/package.sh   (run by scripts/test.sh; screenshots in build/package)
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
out=$ROOT/build/package; rm -rf "$out"; mkdir -p "$out"
fail() { echo "package FAILED: $*"; import -window root "$out/failure.png" 2>/dev/null || true; exit 1; }

"$ROOT/scripts/package.sh" >/dev/null
version=$(sed -n 's/^#define TESTBANK_VERSION "\(.*\)"$/\1/p' "$WIN_BUILD/generated/Version.h")
name=TestbankEditor-$version-win64
zip=$ROOT/dist/$name.zip msi=$ROOT/dist/$name.msi
[ -s "$zip" ] && [ -s "$msi" ] || fail "dist/ lacks $name.zip or $name.msi"
cp "$zip" "$msi" "$out/"
rm -f "$WIN_BUILD/TestbankEditor.exe" "$WIN_BUILD/testbank.exe"
"$ROOT/scripts/package.sh" >/dev/null
cmp "$zip" "$out/$name.zip" || fail "two builds of one commit made different zips"
cmp "$msi" "$out/$name.msi" || fail "two builds of one commit made different installers"

# The zip: exactly the four files; the notices name each library with its version and hold
# its licence text whole.
unzip -q "$zip" -d "$out/zip"
[ "$(cd "$out/zip" && ls | LC_ALL=C sort | tr '\n' ' ')" = "README.txt THIRD-PARTY-NOTICES.txt TestbankEditor.exe testbank.exe " ] ||
  fail "the zip holds: $(ls "$out/zip")"
notices=$out/notices.txt; tr -d '\r' < "$out/zip/THIRD-PARTY-NOTICES.txt" > "$notices"
grep -q "Testbank Editor $version" "$out/zip/README.txt" || fail "the README does not name version $version"
libraries=0
while IFS='|' read -r lib libversion _ licence; do
  case $lib in ''|'#'*) continue ;; esac
  libraries=$((libraries + 1))
  grep -qF "$lib $libversion: " "$notices" || fail "the notices do not name $lib $libversion"
  python3 -c 'import sys; sys.exit(open(sys.argv[2], encoding="utf-8").read() not in open(sys.argv[1], encoding="utf-8").read())' \
    "$notices" "$ROOT/$licence" || fail "the notices lack the licence text of $lib ($licence)"
done < "$ROOT/third_party/licenses/LIBRARIES"
[ "$libraries" -ge 9 ] || fail "only $libraries libraries listed"
# The versions listed are those the Windows build compiled and linked.
listed() { grep -q "^$1|$2|" "$ROOT/third_party/licenses/LIBRARIES" || fail "$1 $2 is linked but not listed so"; }
for src in libzip expat utf8proc libdeflate; do
  listed "$src" "$(ls -d "$WIN_BUILD/deps/src/$src"-*/ | sed -E "s#.*/$src-([^/]*)/#\1#")"
done
debian_version() { dpkg-query -W -f='${Version}' "$1" | sed -E 's/^[0-9]+://; s/[+-].*//'; }
listed zlib "$(debian_version libz-mingw-w64-dev)"
listed "mingw-w64 runtime and winpthreads" "$(debian_version mingw-w64-x86-64-dev)"
listed nlohmann/json "$(sed -n 's#.*|  version \([0-9.]*\)$#\1#p' /usr/include/nlohmann/json.hpp | head -1)"
listed "GCC runtime libraries (libgcc, libstdc++)" "$(x86_64-w64-mingw32-g++-posix -dumpversion | sed 's/-.*//')"

# The resources: a version in both programs (the project's), the icon's four sizes in the editor's.
for exe in TestbankEditor.exe testbank.exe; do
  wrestool -x --raw --type=16 "$out/zip/$exe" | tr -d '\0' | grep -q "FileVersion$version" ||
    fail "$exe has no version resource of $version"
done
wrestool -x --type=14 -o "$out/icon.ico" "$out/zip/TestbankEditor.exe" || fail "TestbankEditor.exe has no icon resource"
sizes=$(icotool -l "$out/icon.ico" | sed -E 's/.*--width=([0-9]+).*/\1/' | sort -n | tr '\n' ' ')
[ "$sizes" = "16 32 48 256 " ] || fail "the icon's sizes are $sizes"

# Under Wine, in a prefix of this test's own: the command's version, then the installer.
export WINEPREFIX=$HOME/.wine-testbank${TB_TAG:-}-package
FORCE_XVFB=1 ensure_display
rm -rf "$WINEPREFIX"
wine_() { "$ROOT/scripts/wine-run.sh" "$@"; }
said=$(wine_ "$(sed 's#/#\\#g; s#^#Z:#' <<<"$out/zip/testbank.exe")" --version | tr -d '\r')
[ "$said" = "testbank $version" ] || fail "testbank --version said: $said"

drive=$WINEPREFIX/drive_c
installed="$drive/Program Files/Testbank Editor"
# Windows puts a per-machine shortcut in the common Start menu, Wine in the user's.
shortcuts=("$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Testbank Editor.lnk"
           "$drive/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Testbank Editor.lnk")
product=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
[ -n "$product" ] || fail "the installer has no ProductCode"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
wine_ msiexec /i "Z:${msi//\//\\}" /qn || fail "msiexec /i failed"
for f in TestbankEditor.exe testbank.exe README.txt THIRD-PARTY-NOTICES.txt; do
  cmp "$installed/$f" "$out/zip/$f" || fail "$f is not installed as the zip holds it"
done
[ -f "${shortcuts[0]}" ] || [ -f "${shortcuts[1]}" ] || fail "no Start menu shortcut"
wine_ reg query "$uninstall_key" | grep -q "Testbank Editor" || fail "no uninstall entry"

# The installed editor starts; Help > About shows the version.
wait_window() { for _ in $(seq $((${2:-20} * 4))); do xdotool search --name "$1" >/dev/null 2>&1 && return 0; sleep 0.25; done; return 1; }
wine_ explorer /desktop=package,1280x900 'C:\Program Files\Testbank Editor\TestbankEditor.exe' >/dev/null 2>&1 &
wait_window 'Exam Testbank Viewer/Editor' 60 || fail "the installed editor did not start"
sleep 1
xdotool windowactivate "$(xdotool search --name 'Exam Testbank Viewer/Editor' | head -1)" 2>/dev/null || true
sleep 0.5
import -window root "$out/installed.png"
xdotool key --delay 80 alt+h a
wait_window '^About Testbank Editor$' || fail "Help > About showed no About box"
sleep 1
import -window root "$out/about.png"
xdotool key Return; sleep 1
! xdotool search --name '^About Testbank Editor$' >/dev/null 2>&1 || fail "OK left the About box open"
wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true

wine_ msiexec /x "Z:${msi//\//\\}" /qn || fail "msiexec /x failed"
[ ! -e "$installed" ] || fail "uninstalling left $(ls "$installed")"
[ ! -e "${shortcuts[0]}" ] && [ ! -e "${shortcuts[1]}" ] || fail "uninstalling left the shortcut"
! wine_ reg query "$uninstall_key" >/dev/null 2>&1 || fail "uninstalling left the uninstall entry"
wineserver -k 2>/dev/null || true
echo "package: $name.zip and $name.msi checked"
