# Warnings and the floating-point rules every target shares.
#
# The noise and the shading results are compared bit for bit, so contraction
# into fused multiply-adds and any fast-math reassociation stay off everywhere.
add_compile_options(-Wall -Wextra -Wpedantic -ffp-contract=off -fno-fast-math)

# CI builds with warnings as errors; a developer's build only shows them.
option(QM_WERROR "Treat compiler warnings as errors" OFF)
if(QM_WERROR)
  add_compile_options(-Werror)
endif()

if(QM_SANITIZE)
  add_compile_options(-fsanitize=${QM_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QM_SANITIZE})
  if(QM_SANITIZE MATCHES "address|undefined")
    add_compile_options(-fno-sanitize-recover=all)
    add_link_options(-fno-sanitize-recover=all)
  endif()
endif()

set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
set(CMAKE_INSTALL_RPATH "$ORIGIN;$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

# qm_export_only(<target> <version-script>): hidden visibility plus a linker
# version script, so the dynamic symbol table lists exactly our exports.
function(qm_export_only target script)
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${script})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  # clang leaves the address and undefined-behaviour sanitizer runtimes out of
  # shared libraries (the executable brings them), so their symbols are
  # undefined there by design; every other build links with none undefined.
  if(NOT (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND QM_SANITIZE MATCHES "address|undefined"))
    target_link_options(${target} PRIVATE "LINKER:--no-undefined")
  endif()
endfunction()

# qm_add_renderer_module(<target> <version-script> <source>...): a renderer's
# plug-in module, named without a "lib" prefix and linked against
# libqm_core.so. It sees the engine's headers but links nothing of the engine,
# exports only what the script names, and installs into the library folder.
function(qm_add_renderer_module target script)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "")
  target_include_directories(${target} PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}
    $<TARGET_PROPERTY:qm_engine,INTERFACE_INCLUDE_DIRECTORIES>)
  target_link_libraries(${target} PRIVATE qm_core)
  qm_export_only(${target} ${script})
  install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()

# qm_add_gtest(<name> SOURCES ... LIBS ...): one GoogleTest executable
# registered with CTest test by test.
function(qm_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

if(QM_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QM_BUILD_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
