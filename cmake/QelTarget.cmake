# Every target of the project gets the same warnings; CI turns them into errors.
function(qel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(WIN32)
    # MinGW's GCC 12 sees overlapping copies inside std::string's own code where there are none.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(QEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A library of one folder: its sources, its public include root is the project root,
# so that includes read "link/SerialPort.h".
function(qel_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  qel_warnings(${target})
endfunction()

# A GoogleTest executable registered with CTest.
function(qel_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  qel_warnings(${target})
  if(CMAKE_CROSSCOMPILING)
    # Under the emulator (Wine) every start of a program is slow and, now and then, hangs in Wine's own
    # start-up: one run per test program, each test's result in its output.
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 120)
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
