# Shared build settings for every Ulka target.

set(ULKA_WARNINGS -Wall -Wextra -Wpedantic -Wno-unused-parameter -Wno-missing-field-initializers)
# The vptr check is off: the platform libraries are built without type information, and their
# calls into header-only library code that our objects instantiate would trip it falsely.
set(ULKA_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer -fno-sanitize-recover=undefined)

if(ULKA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(ULKA_SANITIZE)
  add_compile_options(${ULKA_SANITIZE_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

# Code and data nothing calls are left out of the programs: a stand-alone program is a copy of the
# host carrying the web extension, and with both it stays under 2 MB.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)

# ulka_library(NAME SOURCES ... DEPS ...): one library per subsystem layer.
function(ulka_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ULKA_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

function(ulka_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${ULKA_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# Release builds optimise as the default build does: -O3 makes the host a fifth larger (stand-alone
# programs are copies of it) and measures no faster in the benchmarks.
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
string(REPLACE "-O3" "-O2" CMAKE_C_FLAGS_RELEASE "${CMAKE_C_FLAGS_RELEASE}")
