#!/usr/bin/env bash
# The C libraries of the Windows build and of the fuzz build, static, from Debian's source
# packages: libzip, expat, utf8proc and libdeflate (gumbo is compiled by CMakeLists.txt from
# third_party/gumbo). Each is fetched with `apt-get source` and built once into
# DEPS/install; a stamp keeps it there, so only a new build folder builds it again.
#   windows: cross-compiled with cmake/mingw-w64.cmake, zlib from libz-mingw-w64-dev
#   fuzz:    clang with ASan, UBSan and libFuzzer's coverage, so the fuzz targets see
#            into the libraries too
# usage: scripts/build-deps.sh DEPS_DIR windows|fuzz   (run by CMakeLists.txt when a stamp
# is missing)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps=$(mkdir -p "$1" && cd "$1" && pwd)
mode=${2:-windows}
prefix=$deps/install
case $mode in
  windows)
    mingw=/usr/x86_64-w64-mingw32
    target=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake")
    zlib=(-DZLIB_LIBRARY="$mingw/lib/libz.a" -DZLIB_INCLUDE_DIR="$mingw/include")
    make_vars=(CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar); make_lib=libdeflatestatic.lib ;;
  fuzz)
    flags="-g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
    target=(-DCMAKE_C_COMPILER=clang "-DCMAKE_C_FLAGS=$flags")
    zlib=()
    make_vars=(CC=clang AR=ar "CFLAGS=$flags"); make_lib=libdeflate.a ;;
  *) echo "usage: $0 DEPS_DIR windows|fuzz" >&2; exit 2 ;;
esac
mkdir -p "$deps/src" "$prefix"

# The unpacked source folder of a Debian source package, fetched when missing. The
# newest version whose files the mirror serves wins (a security update's files can be
# listed before they are served).
source_dir() {
  local pkg=$1 dir
  dir=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$pkg-*" | head -1)
  if [ -z "$dir" ]; then
    local versions
    versions=$(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -Vr | uniq)
    [ -n "$versions" ] || { echo "build-deps: no source package $pkg (is there a deb-src entry? run scripts/setup.sh)" >&2; exit 1; }
    for v in $versions; do
      (cd "$deps/src" && apt-get source -q "$pkg=$v" >"$deps/src/$pkg.log" 2>&1) && break || true
    done
    dir=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$pkg-*" | head -1)
    [ -n "$dir" ] || { echo "build-deps: apt-get source $pkg failed:" >&2; cat "$deps/src/$pkg.log" >&2; exit 1; }
  fi
  echo "$dir"
}

# Configures, builds and installs one CMake project for the mode's target.
build() {
  local pkg=$1 sub=$2; shift 2
  local stamp=$prefix/$pkg.stamp
  [ -f "$stamp" ] && return
  local src
  src=$(source_dir "$pkg")
  echo "build-deps: building $(basename "$src") ($mode)" >&2
  rm -rf "$deps/build/$pkg"
  cmake -S "$src/$sub" -B "$deps/build/$pkg" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "${target[@]}" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >"$deps/build-$pkg.log" 2>&1 ||
    { cat "$deps/build-$pkg.log" >&2; exit 1; }
  # Debian's expat security patches test "XML_DTD == 1", as its autotools build defines
  # it; the CMake build defines it empty.
  local config=$deps/build/$pkg/expat_config.h
  [ -f "$config" ] && sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$config"
  cmake --build "$deps/build/$pkg" --target install >>"$deps/build-$pkg.log" 2>&1 ||
    { tail -40 "$deps/build-$pkg.log" >&2; exit 1; }
  basename "$src" >"$stamp"
}

# libdeflate of this version builds with its own Makefile: the static library alone.
build_libdeflate() {
  local stamp=$prefix/libdeflate.stamp
  [ -f "$stamp" ] && return
  local src
  src=$(source_dir libdeflate)
  echo "build-deps: building $(basename "$src") ($mode)" >&2
  rm -rf "$deps/build/libdeflate"
  mkdir -p "$deps/build" "$prefix/lib" "$prefix/include"
  cp -r "$src" "$deps/build/libdeflate"
  make -C "$deps/build/libdeflate" "${make_vars[@]}" "$make_lib" >"$deps/build-libdeflate.log" 2>&1 ||
    { tail -40 "$deps/build-libdeflate.log" >&2; exit 1; }
  cp "$deps/build/libdeflate/$make_lib" "$prefix/lib/libdeflate.a"
  cp "$src/libdeflate.h" "$prefix/include/"
  basename "$src" >"$stamp"
}

build expat expat -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
  -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
build utf8proc . -DUTF8PROC_ENABLE_TESTING=OFF
# Deflate only: no other codec, no encryption, no tools.
build libzip . -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF \
  -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF "${zlib[@]}"
build_libdeflate
