# Small helpers so that every folder declares its library and tests the same way.

# varn_add_library(<name> [SOURCES ...] [DEPS ...])
# One static library per source folder; its headers are included as "<folder>/Header.h" from src/.
# Without SOURCES it takes every .cpp and .h of the folder.
function(varn_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  list(FILTER ARG_SOURCES INCLUDE REGEX "\\.(cpp|qrc)$")
  if(NOT ARG_SOURCES)
    # A folder still without sources (headers only) is an interface library, so the tree always configures.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# varn_add_test(<name> LABELS <label>... SOURCES ... [DEPS ...] [QT])
# GoogleTest executables, or Qt Test executables with QT. Labels: unit, integration, gui, peers, threaded.
function(varn_add_test name)
  cmake_parse_arguments(ARG "QT" "" "LABELS;SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test Qt6::Widgets)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  endif()
  if(WIN32)
    # POSIX helpers the shared tests use (mkdtemp), provided on Windows.
    target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/win32/TestCompat.h)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VARN_SOURCE_DIR=${PROJECT_SOURCE_DIR};VARN_PROGRAM_DIR=${VARN_PROGRAM_DIR};VARN_TOOLS_DIR=${VARN_PROGRAM_DIR}"
    TIMEOUT 300)
endfunction()

# Adds every immediate sub-folder of the current folder that has a CMakeLists.txt, in a fixed order first.
function(varn_add_subfolders)
  cmake_parse_arguments(ARG "" "" "ORDER" ${ARGN})
  set(done "")
  foreach(dir ${ARG_ORDER})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
      list(APPEND done ${dir})
    endif()
  endforeach()
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(dir ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      list(FIND done ${dir} found)
      if(found EQUAL -1)
        add_subdirectory(${dir})
      endif()
    endif()
  endforeach()
endfunction()
