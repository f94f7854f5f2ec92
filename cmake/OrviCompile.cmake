# Compiler settings shared by every target: warnings as errors, and the
# product's narrow literals in code page 936 (sources stay UTF-8).

if(MSVC)
  add_compile_options(/W4 /WX /utf-8)
else()
  add_compile_options(-Wall -Wextra -Werror)
endif()

if(ORVI_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ORVI_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Product code prints Chinese log texts as code page 936 bytes; tests build
# their expected bytes independently, so only product targets get this.
function(orvi_product_target target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /source-charset:utf-8 /execution-charset:.936)
  else()
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP936)
  endif()
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  else()
    target_link_libraries(${target} PUBLIC standin)
  endif()
endfunction()

# Sources of one product folder, without tests and program entries.
function(orvi_sources out_var)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
    list(FILTER found EXCLUDE REGEX "(_test|/main)\\.cpp$")
    list(APPEND result ${found})
  endforeach()
  set(${out_var} ${result} PARENT_SCOPE)
endfunction()
