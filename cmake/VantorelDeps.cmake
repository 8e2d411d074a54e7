# Every third-party package the build uses, found once. ./dev setup installs them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)
pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(ZLIB REQUIRED)
# The media writers: FFmpeg (libx264/libx265 come inside Debian's libavcodec), libimagequant,
# giflib and libpng.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswscale)
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
pkg_check_modules(GIFLIB REQUIRED IMPORTED_TARGET libgif)
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng16)
if(VANTOREL_TESTS)
  find_package(GTest REQUIRED)
  # The writer tests check files with ffprobe and ffmpeg (Debian's ffmpeg package).
  find_program(FFPROBE ffprobe REQUIRED)
  find_program(FFMPEG_TOOL ffmpeg REQUIRED)
endif()
# The studio: OpenGL through EGL (libepoxy), Cairo with FreeType and fontconfig for 2D drawing.
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig freetype2)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
# Simplified copies of very dense models for the software rasteriser.
find_package(meshoptimizer REQUIRED)
# The desktop application: Qt 6 (Core, Gui for preview images, Concurrent for background work, Widgets for
# the window, DBus to ask the file manager to select files; Test for its tests).
if(VANTOREL_APP AND NOT VANTOREL_FUZZ)
  set(qt_parts Core Gui Concurrent Widgets DBus)
  if(VANTOREL_TESTS)
    list(APPEND qt_parts Test)
  endif()
  find_package(Qt6 6.4 REQUIRED COMPONENTS ${qt_parts})
endif()
