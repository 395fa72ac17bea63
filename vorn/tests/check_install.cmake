# Installs a library's components into a fresh prefix, then builds and runs
# a C consumer through find_package and another through pkg-config.
#   BUILD_DIR, WORK_DIR    the build tree; a scratch folder (emptied first)
#   COMPONENTS             install components, comma-separated
#   FILES                  files the install must hold, comma-separated globs
#   PC_MODULE              the pkg-config module
#   CONSUMER_DIR           a CMake project building `consumer` from consumer.c
#                          (and `example` from EXAMPLE when that is given)
#   GENERATOR              the CMake generator for the consumer
#   EXPECT                 the consumers' whole output, without the final newline
#   EXAMPLE                optional: a C program of the README, built both ways
#                          exactly as the README says; it prints "ok" last
#   CC, CFLAGS             the C compiler and flags of the consumers (default: cc),
#                          so that a sanitizer build links its run-time
if(NOT CC)
  set(CC cc)
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_ok what)
  if(NOT last_output MATCHES "\nok\n$")
    message(FATAL_ERROR "${what} printed: ${last_output}")
  endif()
endfunction()

string(REPLACE "," ";" components "${COMPONENTS}")
foreach(component IN LISTS components)
  run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --component ${component} --prefix "${prefix}")
endforeach()
string(REPLACE "," ";" files "${FILES}")
foreach(pattern IN LISTS files)
  file(GLOB_RECURSE found "${prefix}/${pattern}")
  if(NOT found)
    message(FATAL_ERROR "incomplete install in ${prefix}: no ${pattern}")
  endif()
endforeach()

# find_package
set(example_arg)
if(EXAMPLE)
  set(example_arg "-DEXAMPLE=${EXAMPLE}")
endif()
run(${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${WORK_DIR}/consumer" -G "${GENERATOR}"
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${CC}" "-DCMAKE_C_FLAGS=${CFLAGS}" ${example_arg})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/consumer")
run("${WORK_DIR}/consumer/consumer")
if(NOT last_output STREQUAL "${EXPECT}\n")
  message(FATAL_ERROR "find_package consumer printed: ${last_output}")
endif()
if(EXAMPLE)
  run("${WORK_DIR}/consumer/example")
  expect_ok("find_package example")
endif()

# pkg-config; a prefix outside the system's library folders: the loader is
# told where through LD_LIBRARY_PATH.
file(GLOB_RECURSE pcs "${prefix}/*/${PC_MODULE}.pc")
get_filename_component(pcdir "${pcs}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run(pkg-config --cflags --libs ${PC_MODULE})
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(cflags UNIX_COMMAND "${CFLAGS}")
run("${CC}" ${cflags} "${CONSUMER_DIR}/consumer.c" ${flags} -o "${WORK_DIR}/pc_consumer")
get_filename_component(libdir "${pcdir}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} "${libdir}")
run("${WORK_DIR}/pc_consumer")
if(NOT last_output STREQUAL "${EXPECT}\n")
  message(FATAL_ERROR "pkg-config consumer printed: ${last_output}")
endif()
if(EXAMPLE)
  # Exactly the README's command: cc app.c $(pkg-config --cflags --libs MODULE)
  file(COPY "${EXAMPLE}" DESTINATION "${WORK_DIR}")
  get_filename_component(example_name "${EXAMPLE}" NAME)
  execute_process(COMMAND sh -c "${CC} ${CFLAGS} ${example_name} $(pkg-config --cflags --libs ${PC_MODULE}) -o pc_example"
    WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cc ${example_name} $(pkg-config --cflags --libs ${PC_MODULE}) failed:\n${err}")
  endif()
  run("${WORK_DIR}/pc_example")
  expect_ok("pkg-config example")
endif()
