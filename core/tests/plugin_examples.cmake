# The plug-in guide's examples built as a plug-in author builds them, from an
# installed tree alone: installs the build tree into a scratch prefix, checks
# that the guide shows every example file verbatim, builds the examples as
# C99, as C11 and as C++ (each installed into a plug-in home of its own), and
# runs the host program once per home with QMERE_HOME naming it.
#   cmake -DBUILD_DIR=... -DEXAMPLES_DIR=... -DGUIDE=... -DCXX_PROJECT=...
#         -DWORK_DIR=... -DC_COMPILER=... -DCXX_COMPILER=... -DHOST=...
#         [-DEXTRA_FLAGS=...] -P plugin_examples.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
set(warnings "-Wall -Wextra -Wpedantic -Werror")

include(${CMAKE_CURRENT_LIST_DIR}/run_checked.cmake)

file(READ ${GUIDE} guide)
foreach(example ppm_loader.c speckle_node.c CMakeLists.txt)
  file(READ ${EXAMPLES_DIR}/${example} text)
  string(FIND "${guide}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${GUIDE} does not show ${EXAMPLES_DIR}/${example} as it stands")
  endif()
endforeach()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(variant c99 c11 cxx)
  set(build ${WORK_DIR}/build-${variant})
  set(home ${WORK_DIR}/home-${variant})
  if(variant STREQUAL "cxx")
    run(${CMAKE_COMMAND} -S ${CXX_PROJECT} -B ${build} -G Ninja
        -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
        -DEXAMPLES_DIR=${EXAMPLES_DIR}
        "-DCMAKE_CXX_FLAGS=-std=c++11 ${warnings} ${EXTRA_FLAGS}"
        "-DCMAKE_MODULE_LINKER_FLAGS=${EXTRA_FLAGS}")
  else()
    run(${CMAKE_COMMAND} -S ${EXAMPLES_DIR} -B ${build} -G Ninja
        -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER}
        "-DCMAKE_C_FLAGS=-std=${variant} ${warnings} ${EXTRA_FLAGS}"
        "-DCMAKE_MODULE_LINKER_FLAGS=${EXTRA_FLAGS}")
  endif()
  run(${CMAKE_COMMAND} --build ${build})
  run(${CMAKE_COMMAND} --install ${build} --prefix ${home})
  if(NOT EXISTS ${home}/Image/ppm_loader.so OR NOT EXISTS ${home}/Node/speckle_node.so)
    message(FATAL_ERROR "the ${variant} build did not install both plug-ins into ${home}")
  endif()
  run(${CMAKE_COMMAND} -E env QMERE_HOME=${home} ${HOST})
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
