# Every third-party package the build uses, found once. ./dev setup installs them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)
pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
if(VANTOREL_TESTS)
  find_package(GTest REQUIRED)
endif()
