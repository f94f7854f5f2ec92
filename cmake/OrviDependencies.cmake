# cpp-httplib and cJSON. The native build uses Debian's binary packages; the
# Windows build compiles them from Debian's source packages, fetched with
# apt-get source into the build tree (never into the repository).

if(WIN32 AND NOT MSVC)
  set(ORVI_DEPS_DIR ${CMAKE_BINARY_DIR}/_deps)
  file(MAKE_DIRECTORY ${ORVI_DEPS_DIR})
  foreach(pkg cpp-httplib cjson)
    file(GLOB existing LIST_DIRECTORIES true ${ORVI_DEPS_DIR}/${pkg}-*)
    if(NOT existing)
      message(STATUS "Fetching Debian source package ${pkg}")
      execute_process(COMMAND apt-get source -q ${pkg}
                      WORKING_DIRECTORY ${ORVI_DEPS_DIR}
                      RESULT_VARIABLE rc OUTPUT_QUIET)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "apt-get source ${pkg} failed; run scripts/setup.sh (deb-src, dpkg-dev)")
      endif()
    endif()
  endforeach()
  file(GLOB httplib_dir LIST_DIRECTORIES true ${ORVI_DEPS_DIR}/cpp-httplib-*)
  file(GLOB cjson_dir LIST_DIRECTORIES true ${ORVI_DEPS_DIR}/cjson-*)
  list(FILTER httplib_dir EXCLUDE REGEX "\\.(tar|dsc)")
  list(FILTER cjson_dir EXCLUDE REGEX "\\.(tar|dsc)")

  add_library(httplib INTERFACE)
  target_include_directories(httplib SYSTEM INTERFACE ${httplib_dir})
  target_link_libraries(httplib INTERFACE ws2_32)

  # Code includes <cjson/cJSON.h>, as Debian's binary package installs it.
  configure_file(${cjson_dir}/cJSON.h ${ORVI_DEPS_DIR}/include/cjson/cJSON.h COPYONLY)
  add_library(cjson STATIC ${cjson_dir}/cJSON.c)
  target_include_directories(cjson SYSTEM PUBLIC ${ORVI_DEPS_DIR}/include)
  set_target_properties(cjson PROPERTIES COMPILE_OPTIONS "-w")
elseif(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  pkg_check_modules(CJSON REQUIRED IMPORTED_TARGET libcjson)
  add_library(httplib INTERFACE)
  target_link_libraries(httplib INTERFACE PkgConfig::HTTPLIB)
  add_library(cjson INTERFACE)
  target_link_libraries(cjson INTERFACE PkgConfig::CJSON)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
endif()

# Server limits the program relies on, fixed where the library is compiled
# into the program (header-only form); the shared library has the same values.
if(TARGET httplib)
  target_compile_definitions(httplib INTERFACE CPPHTTPLIB_LISTEN_BACKLOG=5
                             CPPHTTPLIB_FORM_URL_ENCODED_PAYLOAD_MAX_LENGTH=8192)
endif()
