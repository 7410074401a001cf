# moc's depfile cannot know of a file that a glob brings into an existing build: when a target's
# sources change, drop its autogen time stamp so moc looks at every file again.
function(talvex_refresh_autogen target sources)
  if(NOT "${sources}" STREQUAL "${TALVEX_AUTOGEN_SOURCES_${target}}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
    set(TALVEX_AUTOGEN_SOURCES_${target} "${sources}" CACHE INTERNAL "")
  endif()
endfunction()

# talvex_library(<name> [SOURCE_ROOT <path>] [DEPS <targets>...])
# One static library talvex_<name>: sources in <root>/src, public headers in <root>/include. A
# folder with headers only gives an interface target; an empty folder gives none yet.
function(talvex_library name)
  cmake_parse_arguments(ARG "" "SOURCE_ROOT" "DEPS" ${ARGN})
  set(root ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_SOURCE_ROOT)
    set(root ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_SOURCE_ROOT})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${root}/src/*.cpp ${root}/src/*.h ${root}/include/*.h ${root}/*.qrc)
  file(GLOB compiled CONFIGURE_DEPENDS ${root}/src/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target talvex_${name})
  if(NOT compiled)
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${root}/include)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${root}/include PRIVATE ${root}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  talvex_refresh_autogen(${target} "${sources}")
endfunction()

# The tests' scratch files (QTemporaryDir, Python's tempfile) in memory where the system has a
# tmpfs: the tests make and delete thousands of files, and on a disk that is busy or mounted with
# discard that costs more than the tests' own work. Add it to a test's ENVIRONMENT.
set(TALVEX_TEST_SCRATCH)
if(IS_DIRECTORY /dev/shm)
  set(TALVEX_TEST_SCRATCH "TMPDIR=/dev/shm")
endif()

# app.install builds in the build tree: it takes the locks of what it changes there, the updater
# program that the updater's tests copy, and the build files that the layer check's cmake run
# writes again.
set(TALVEX_UPDATER_PROGRAM_LOCK talvex_updater_program)
set(TALVEX_BUILD_FILES_LOCK talvex_build_files)

# talvex_test_code(<target>)
# Test code compiles with the production warnings. In the sanitizer build it goes without
# optimisation and without the fuzzers' coverage, which only the code under test needs: the
# tests' own code then compiles in half the time.
function(talvex_test_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TALVEX_SANITIZE)
    target_compile_options(${target} PRIVATE -O0)
  endif()
  if(TALVEX_FUZZ)
    target_compile_options(${target} PRIVATE -fno-sanitize=fuzzer-no-link)
  endif()
endfunction()

# talvex_test(<dir> DEPS <targets>...)
# One Qt Test executable per library; every test class in tests/<dir> registers itself. Each
# file tst_<Class>.cpp holds the one class tst_<Class> and is a CTest entry <dir>.tst_<Class> of
# its own, so a failure names its class and classes run in parallel. A test that links the
# simulator gets the main that installs the USB back-end (the simulated board); both mains are
# built once, in tests/.
function(talvex_test dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(GLOB classes CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  set(main test_main)
  if(talvex_simulator IN_LIST ARG_DEPS)
    set(main test_main_simulated)
  endif()
  add_executable(test_${dir} ${sources})
  target_include_directories(test_${dir} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(test_${dir} PRIVATE ${main} ${ARG_DEPS} Qt5::Test Qt5::Widgets)
  talvex_test_code(test_${dir})
  talvex_refresh_autogen(test_${dir} "${sources}")
  foreach(file IN LISTS classes)
    get_filename_component(class ${file} NAME_WE)
    add_test(NAME ${dir}.${class} COMMAND test_${dir} -class ${class})
    # A home of its own: the test-mode data and settings folders under it are the class's alone,
    # so what one class (or a test run beside this one) leaves there meets no other.
    set(home ${CMAKE_CURRENT_BINARY_DIR}/home/${class})
    file(MAKE_DIRECTORY ${home})
    set_tests_properties(${dir}.${class} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TALVEX_USB_BACKEND=simulator;HOME=${home};${TALVEX_TEST_SCRATCH}"
      TIMEOUT 900)
  endforeach()
endfunction()
