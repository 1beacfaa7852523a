# Helpers shared by the folders' CMakeLists.

# larkspur_add_test(NAME SOURCES ... LIBS ... [GUI])
# One QtTest executable per subject, registered with ctest and run headless.
function(larkspur_add_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE larkspur_options Qt6::Test ${T_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LARKSPUR_SOURCE_DIR=${CMAKE_SOURCE_DIR};LARKSPUR_DATA_DIR=${CMAKE_BINARY_DIR}/bin;ASAN_OPTIONS=detect_leaks=0"
        TIMEOUT 600)
endfunction()
