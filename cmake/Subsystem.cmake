# ks_subsystem(NAME DEPENDS dep...) builds every .cpp of the calling folder (recursively,
# minus EXCLUDE patterns) into the static library ks_NAME. A folder without sources yet
# becomes an interface library, so the dependency graph stays valid while it grows.
function(ks_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  if(sources)
    add_library(ks_${name} STATIC ${sources})
    target_include_directories(ks_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(ks_${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(ks_${name} INTERFACE)
    target_include_directories(ks_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(ks_${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# ks_unit_tests(NAME DEPENDS lib...) builds every .cpp of the calling folder into the
# test program NAME_tests and registers its cases with CTest. Tests run headless, each
# program with a private runtime folder so parallel runs never see each other.
function(ks_unit_tests name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources} ${PROJECT_SOURCE_DIR}/cmake/TestRuntimeFolder.cpp)
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name}_tests PRIVATE
    KS_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    KS_BUILD_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${name}_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}_tests
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "KESTRUNE_BACKEND=headless" ENVIRONMENT_MODIFICATION "KESTRUNE_CLOCK=set:virtual")
endfunction()
include(GoogleTest)
