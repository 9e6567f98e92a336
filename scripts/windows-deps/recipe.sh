# How each Windows library is configured and built; sourced by
# scripts/build-windows-deps.sh. The prefix's key hashes this file, the
# toolchain and the patches beside it, so only a change here rebuilds.
# Inputs: $src (unpacked Debian sources), $work (scratch), $prefix, $jobs.

build_ffmpeg() {
  # Only what the player opens: local files in the program's formats. No
  # network (no TLS library for MinGW in Debian), no assembler (no nasm).
  local b=$work/ffmpeg
  mkdir -p "$b" && cd "$b"
  "$src"/ffmpeg/configure --prefix="$prefix" \
    --enable-cross-compile --target-os=mingw32 --arch=x86_64 \
    --cross-prefix=x86_64-w64-mingw32- --cc=x86_64-w64-mingw32-gcc-posix \
    --cxx=x86_64-w64-mingw32-g++-posix --pkg-config=false \
    --enable-shared --disable-static --disable-autodetect --disable-asm \
    --disable-programs --disable-doc --disable-network --disable-debug \
    --disable-avdevice --disable-avfilter --disable-swscale --disable-postproc \
    --disable-everything --enable-protocol=file \
    --enable-demuxer=mp3,wav,w64,flac,ogg,asf,aiff,pcm_s16le \
    --enable-decoder='mp1,mp1float,mp2,mp2float,mp3,mp3float,flac,vorbis,opus,wmav1,wmav2,wmapro,wmalossless,pcm_*,adpcm_*' \
    --enable-parser=mpegaudio,flac,vorbis,opus >/dev/null
  make -j"$jobs" >&2
  make install >/dev/null
}

build_sdl() {
  # Audio through WASAPI, DirectSound or winmm; the video part stays on, or
  # the DLL does not link.
  cmake -S "$src"/libsdl2 -B "$work"/sdl -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$recipe_dir"/toolchain.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF >/dev/null
  cmake --build "$work"/sdl -j "$jobs" >&2
  cmake --install "$work"/sdl >/dev/null
}

build_qt() {
  # qtbase with the host's Qt tools (same version) as QT_HOST_PATH. Bundled
  # third-party libraries, so nothing else is needed for MinGW; FreeType for
  # the offscreen plugin the tests use. directwrite3 off: that class is only
  # compiled with direct2d, and qwindows.dll does not link without it.
  # direct2d off too: its plugin also needs the Wintab headers Debian drops,
  # and the program uses the plain windows plugin.
  cmake -S "$src"/qt6-base -B "$work"/qt -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$recipe_dir"/toolchain.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_icu=OFF -DFEATURE_opengl=OFF \
    -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_directwrite3=OFF -DFEATURE_direct2d=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF \
    -DFEATURE_jpeg=ON -DFEATURE_png=ON >/dev/null
  cmake --build "$work"/qt -j "$jobs" >&2
  cmake --install "$work"/qt >/dev/null
}
