# Shared compile settings and the helpers every folder uses to declare its targets.

add_library(vokalin_standard INTERFACE)
add_library(vokalin::standard ALIAS vokalin_standard)
target_compile_features(vokalin_standard INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
target_compile_options(vokalin_standard INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    $<$<BOOL:${VOKALIN_WERROR}>:-Werror>)
target_include_directories(vokalin_standard INTERFACE ${PROJECT_SOURCE_DIR})

# vokalin_add_library(<name> SOURCES ... [DEPENDS ...])
# One static library per folder; headers are included as "<folder>/<file>.h".
function(vokalin_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC vokalin_standard ${ARG_DEPENDS})
endfunction()

# vokalin_add_test(<name> SOURCES ... [DEPENDS ...] [LABELS ...] [ENVIRONMENT ...]
#                  [MAIN gtest|custom])
# One test executable per unit, registered with CTest as a single test so the
# summary counts units. LABELS "threaded" marks tests that the tsan preset runs.
function(vokalin_add_test name)
  cmake_parse_arguments(ARG "CUSTOM_MAIN" "TIMEOUT" "SOURCES;DEPENDS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_CUSTOM_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock)
  endif()
  target_link_libraries(${name} PRIVATE vokalin_standard ${ARG_DEPENDS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
      TIMEOUT ${ARG_TIMEOUT}
      LABELS "${ARG_LABELS}"
      ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()
