# The GoogleTest suites, one program per folder of tests/: the library's stages (tests/<stage>/)
# and the desk tool's parts (tests/tools/<part>/, program test_tools_<part>). Each program
# links the parts of the product it tests and no others. Linux builds them here, the
# Windows checks (tests/windows) with prefix wintest for wine.
#
# sawline_test_suites(PREFIX GTEST GTEST_MAIN [DISCOVER]) defines <PREFIX>_<suite> for every
# suite, and with DISCOVER registers their tests with CTest.
function(sawline_test_suites prefix gtest gtest_main)
  set(discover FALSE)
  if("DISCOVER" IN_LIST ARGN)
    set(discover TRUE)
  endif()
  file(GLOB support_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  add_library(${prefix}_support STATIC ${support_sources})
  target_include_directories(${prefix}_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${prefix}_support PUBLIC sawline_desk sawline_core ${gtest})

  # Helpers of the tool's suites: record fixtures, the boards of the report tests, and
  # Chromium screenshots (read with libpng where there is one).
  file(GLOB tool_support_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/tools/support/*.cpp)
  add_library(${prefix}_tool_support STATIC ${tool_support_sources})
  target_link_libraries(${prefix}_tool_support PUBLIC ${prefix}_support sawline_record sawline_views)
  find_package(PNG QUIET)
  if(PNG_FOUND AND NOT WIN32)
    target_link_libraries(${prefix}_tool_support PUBLIC PNG::PNG)
    target_compile_definitions(${prefix}_tool_support PUBLIC SAWLINE_HAVE_PNG=1)
  elseif(NOT WIN32)
    message(STATUS "libpng not found: the board report's browser checks will be skipped")
  endif()

  set(suites workspace platform interface prepare optimize report tools/desk tools/jobfile
             tools/record tools/views tools/simulate tools/cli)
  # The search's equivalence tests run the reference build beside the library.
  set(links_optimize sawline_side_by_side)
  set(links_report sawline_jobfile)
  set(links_tools/desk sawline_desk)
  set(links_tools/jobfile sawline_jobfile)
  set(links_tools/record sawline_record ${prefix}_tool_support)
  set(links_tools/views sawline_views ${prefix}_tool_support)
  set(links_tools/simulate sawline_simulate ${prefix}_tool_support)
  set(links_tools/cli sawline_cli ${prefix}_tool_support)
  set(programs "")
  foreach(suite ${suites})
    file(GLOB suite_sources CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/tests/${suite}/*.cpp ${CMAKE_SOURCE_DIR}/tests/${suite}/*.c)
    if(NOT suite_sources)
      continue()
    endif()
    string(REPLACE "/" "_" name "${prefix}_${suite}")
    add_executable(${name} ${suite_sources})
    target_link_libraries(${name} PRIVATE ${links_${suite}} ${prefix}_support ${gtest_main})
    # Suites that compare generated documents with the committed files.
    if(suite STREQUAL "tools/jobfile" OR suite STREQUAL "tools/cli")
      add_dependencies(${name} sawline_committed_files)
      target_include_directories(${name} PRIVATE ${SAWLINE_GENERATED_DIR})
    endif()
    if(WIN32)
      target_link_options(${name} PRIVATE -static)
    endif()
    if(discover)
      # The suites find the source tree's files through the environment, so that no
      # program has the tree's path compiled in.
      gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                           PROPERTIES ENVIRONMENT "SAWLINE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    endif()
    list(APPEND programs ${name})
  endforeach()
  set(SAWLINE_SUITE_PROGRAMS ${programs} PARENT_SCOPE)
endfunction()
