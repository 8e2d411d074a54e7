# Every third-party package the build uses, found once. ./dev setup installs them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)
if(VANTOREL_TESTS)
  find_package(GTest REQUIRED)
endif()
# The studio: OpenGL through EGL (libepoxy), Cairo with FreeType and fontconfig for 2D drawing.
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig freetype2)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
