# Installs the vorn component into a fresh prefix, then builds and runs a C
# consumer through find_package(Vorn) and another through pkg-config.
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --component vorn --prefix "${prefix}")
file(GLOB_RECURSE libs "${prefix}/*libvorn.so.1")
file(GLOB_RECURSE versions "${prefix}/*VornConfigVersion.cmake")
if(NOT libs OR NOT versions OR NOT EXISTS "${prefix}/include/vorn.h")
  message(FATAL_ERROR "incomplete install in ${prefix}")
endif()

# find_package
run(${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${WORK_DIR}/consumer" -G "${GENERATOR}"
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${CC}" "-DCMAKE_C_FLAGS=${CFLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/consumer")
run("${WORK_DIR}/consumer/consumer")
if(NOT last_output STREQUAL "6 8\n")
  message(FATAL_ERROR "find_package consumer printed: ${last_output}")
endif()

# pkg-config
file(GLOB_RECURSE pcs "${prefix}/*vorn.pc")
get_filename_component(pcdir "${pcs}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run(pkg-config --cflags --libs vorn)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(cflags UNIX_COMMAND "${CFLAGS}")
run("${CC}" ${cflags} "${CONSUMER_DIR}/consumer.c" ${flags} -o "${WORK_DIR}/pc_consumer")
get_filename_component(libdir "${libs}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} "${libdir}")
run("${WORK_DIR}/pc_consumer")
if(NOT last_output STREQUAL "6 8\n")
  message(FATAL_ERROR "pkg-config consumer printed: ${last_output}")
endif()
