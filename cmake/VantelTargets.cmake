# Helpers shared by the layer folders.

# vantel_layer_library(<target> [QT] LINKS <libs...>)
# A static library of every .cpp in the calling folder; headers are included as "<layer>/x.h".
function(vantel_layer_library target)
  cmake_parse_arguments(ARG "QT" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
                                      ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$|\\.qrc$")
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(NOT compiled)
    # A layer without sources yet still configures.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_LINKS})
    return()
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_LINKS} PRIVATE vantel_warnings)
endfunction()

# vantel_layer_tests(<target> [OWN_MAIN] LINKS <libs...>)
# One test program of every *_test.cpp in the calling folder, each GoogleTest case a ctest test.
# OWN_MAIN: one of the linked libraries brings main(), instead of GoogleTest's.
function(vantel_layer_tests target)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  # Test helpers are included as "support/x.h".
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock vantel_warnings)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
