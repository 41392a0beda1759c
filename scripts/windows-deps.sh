#!/usr/bin/env bash
# Cross-builds the viewer's libraries for 64-bit Windows from Debian's own
# source packages, with Debian's MinGW-w64 GCC, as static libraries in one
# prefix, and prints that prefix's path on its last line: zlib with its
# minizip, libpng, libjpeg-turbo, FreeImage, GLEW, GLFW, pugixml and Assimp.
# Debian ships none of them built for Windows but zlib (libz-mingw-w64-dev,
# without the minizip that Assimp needs, so zlib comes from its source too).
# glm and utfcpp are header-only (Debian's headers serve) and GLU is
# MinGW-w64's own glu32.
#
#   scripts/windows-deps.sh
#
# The prefix lives in a cache outside the clone (KOV_WINDOWS_CACHE, default
# ~/.cache/kov-windows), named after the source packages' versions, the
# compiler's and this recipe's own files, so that a fresh clone on the same
# machine reuses it and any change to them builds anew. Needs root (or sudo)
# only to add the source entries to apt (from the mirror the machine's own
# apt sources name) and the packages scripts/test-windows.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD
recipe=("$project/scripts/windows-deps.sh" "$project/cmake/windows/mingw-w64-x86_64.cmake"
        "$project/cmake/windows/freeimage/CMakeLists.txt" "$project/cmake/windows/freeimage/UnavailablePlugins.cpp"
        "$project/cmake/windows/freeimage/freeimageConfig.cmake")
sources=(zlib libpng1.6 libjpeg-turbo freeimage glew glfw3 pugixml assimp)
triple=x86_64-w64-mingw32
toolchain="$project/cmake/windows/mingw-w64-x86_64.cmake"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

log() { echo "windows-deps: $*" >&2; }

# apt fetches source packages only from deb-src entries; add them, once, from
# the mirror the binary entries already use: the release's main suite, and
# Debian 12's, the oldest release this project supports, whose version of a
# package is fetched where a mirror lacks the release's own (a partial or
# lagging mirror; the binary packages are unaffected).
fallback_suite=bookworm
ensure_source_entries() {
  local mirror suite entries file=/etc/apt/sources.list.d/kov-deb-src.sources
  mirror=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [ -n "$mirror" ] || mirror=$(awk '/^deb /{print ($2 ~ /^\[/ ? $3 : $2); exit}' /etc/apt/sources.list 2>/dev/null || true)
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  if [ -z "$mirror" ] || [ -z "$suite" ]; then
    log "cannot tell the Debian mirror or release from the apt sources"
    exit 1
  fi
  [ "$suite" = "$fallback_suite" ] || suite="$suite $fallback_suite"
  entries=$(printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" "$suite")
  if [ "$(cat "$file" 2>/dev/null || true)" != "$entries" ]; then
    log "adding deb-src entries for $suite"
    echo "$entries" | $SUDO tee "$file" >/dev/null
    $SUDO apt-get update -qq
  fi
}

ensure_source_entries
# The .dsc names carry the versions apt would fetch now.
versions=$(for s in "${sources[@]}"; do
  apt-get source --print-uris "$s" 2>/dev/null | grep -o "'[^']*\.dsc'" | head -n 1 | tr -d "'" | sed 's|.*/||'
done)
if [ "$(echo "$versions" | grep -c .)" -ne ${#sources[@]} ]; then
  log "apt does not offer every source package: ${sources[*]}"
  exit 1
fi
key=$({ echo "$versions"; "$triple-g++-posix" --version | head -n 1; cat "${recipe[@]}"; } | sha256sum | cut -c1-16)
cache=${KOV_WINDOWS_CACHE:-$HOME/.cache/kov-windows}
prefix="$cache/deps-$key"
if [ -f "$prefix/.complete" ]; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

started=$SECONDS
work=$(mktemp -d "${TMPDIR:-/tmp}/kov-windows-deps-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$cache"
# Built in place (the packages' CMake files name it); complete once the stamp is there.
stage="$prefix"
rm -rf "$stage"
mkdir -p "$stage/include" "$stage/lib/pkgconfig"
log "building into $prefix from:" $versions

cd "$work"
for s in "${sources[@]}"; do
  if ! apt-get source --download-only "$s" >apt-source.log 2>&1; then
    log "the mirror lacks the release's source of $s; taking Debian 12's"
    if ! apt-get source --download-only "$s/$fallback_suite" >apt-source.log 2>&1; then
      log "apt could not fetch the source of $s:"
      grep -v '^W: Download is performed unsandboxed' apt-source.log | tail -n 20 >&2
      exit 1
    fi
  fi
done
for dsc in *.dsc; do
  dpkg-source --no-check -x "$dsc" >/dev/null
done
src() { find "$work" -maxdepth 1 -type d -name "$1-*" | head -n 1; }

jobs=$(nproc)
cmake_cross() {
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$stage" -DCMAKE_INSTALL_PREFIX="$stage" -DBUILD_SHARED_LIBS=OFF "$@" >"$build.log" 2>&1 \
    && cmake --build "$build" -j"$jobs" >>"$build.log" 2>&1 \
    && cmake --install "$build" >>"$build.log" 2>&1 \
    || { log "$(basename "$build") failed:"; tail -n 40 "$build.log" >&2; exit 1; }
}
cc="$triple-gcc-posix"

# zlib: Debian's source keeps no Windows makefile, and its CMake build makes a
# DLL beside the archive; the archive alone is a dozen C files.
log "zlib"
z=$(src zlib)
mkdir -p zlib-obj
for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
  "$cc" -O2 -c "$z/$c.c" -o "zlib-obj/$c.o"
done
"$triple-ar" rcs "$stage/lib/libz.a" zlib-obj/*.o
cp "$z/zlib.h" "$z/zconf.h" "$stage/include/"
# minizip (zlib's contrib), which Debian's Assimp uses in place of its own copy.
mkdir -p minizip-obj "$stage/include/minizip"
for c in ioapi unzip zip; do
  "$cc" -O2 -I"$stage/include" -c "$z/contrib/minizip/$c.c" -o "minizip-obj/$c.o"
done
"$triple-ar" rcs "$stage/lib/libminizip.a" minizip-obj/*.o
cp "$z"/contrib/minizip/{ioapi,unzip,zip,crypt}.h "$stage/include/minizip/"
cat >"$stage/lib/pkgconfig/minizip.pc" <<EOF
prefix=$stage
Name: minizip
Description: zlib's zip file reader
Version: 1.0
Libs: -L\${prefix}/lib -lminizip -lz
Cflags: -I\${prefix}/include/minizip -I\${prefix}/include
EOF

log "libpng"
cmake_cross "$(src libpng1.6)" png -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
  -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_ROOT="$stage"

log "libjpeg-turbo"
cmake_cross "$(src libjpeg-turbo)" jpeg -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF

# FreeImage: its core with the plugins that need no other library, and the
# JPEG and PNG plugins against the libraries above (cmake/windows/freeimage).
log "freeimage"
cmake_cross "$project/cmake/windows/freeimage" freeimage -DFREEIMAGE_SOURCE="$(src freeimage)"

log "glew"
cmake_cross "$(src glew)/build/cmake" glew -DBUILD_UTILS=OFF

log "glfw3"
cmake_cross "$(src glfw3)" glfw -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF

# Debian's Assimp includes utfcpp's header-only library from the system:
# Debian's headers serve (libutfcpp-dev), as for glm.
cp -r /usr/include/utf8cpp/. "$stage/include/"

# Debian 13's Assimp takes pugixml from the system too.
log "pugixml"
cmake_cross "$(src pugixml)" pugixml -DPUGIXML_BUILD_TESTS=OFF

# Assimp with the one importer the viewer uses (it refuses every other format).
# Debian's patches make it require Draco and RapidJSON from the system, which
# only the glTF importer uses.
log "assimp"
a=$(src assimp)
sed -i -E -e '/find_package\((draco|RapidJSON)/Id' -e 's/set\(DRACO_LIBRARIES "draco::draco"\)//' \
  "$a/code/CMakeLists.txt" "$a"/cmake-modules/*config.cmake.in
# Debian 13's patches turn its link calls into the keyword form, which CMake
# does not let the MinGW static build's plain call mix with.
if grep -q 'TARGET_LINK_LIBRARIES(assimp PRIVATE' "$a/code/CMakeLists.txt"; then
  sed -i 's/TARGET_LINK_LIBRARIES ( assimp -static-libgcc/TARGET_LINK_LIBRARIES ( assimp PRIVATE -static-libgcc/' \
    "$a/code/CMakeLists.txt"
fi
PKG_CONFIG_LIBDIR="$stage/lib/pkgconfig" PKG_CONFIG_PATH="" \
cmake_cross "$a" assimp -DASSIMP_BUILD_TESTS=OFF -DASSIMP_BUILD_ASSIMP_TOOLS=OFF -DASSIMP_BUILD_SAMPLES=OFF \
  -DASSIMP_BUILD_ALL_IMPORTERS_BY_DEFAULT=OFF -DASSIMP_BUILD_OBJ_IMPORTER=ON \
  -DASSIMP_BUILD_ALL_EXPORTERS_BY_DEFAULT=OFF -DASSIMP_NO_EXPORT=ON -DASSIMP_BUILD_ZLIB=OFF \
  -DASSIMP_WARNINGS_AS_ERRORS=OFF -DASSIMP_INSTALL_PDB=OFF -DASSIMP_BUILD_DOCS=OFF -DZLIB_ROOT="$stage"

# glm: Debian's headers, and its CMake package file at the same place
# relative to the prefix (it finds the headers from where it lies).
cp -r /usr/include/glm "$stage/include/"
glm_config=$(dpkg -L libglm-dev | grep -m 1 '/glmConfig\.cmake$')
glm_dir=$(dirname "${glm_config#/usr/}")
mkdir -p "$stage/$glm_dir"
cp "$(dirname "$glm_config")"/*.cmake "$stage/$glm_dir/"

ls ./*.dsc | sed 's|^\./||' >"$stage/SOURCES"
touch "$stage/.complete"
# Prefixes of earlier versions or recipes are not used again.
find "$cache" -mindepth 1 -maxdepth 1 -name 'deps-*' ! -name "deps-$key" -exec rm -rf {} +
log "built in $((SECONDS - started)) s"
echo "$prefix"
