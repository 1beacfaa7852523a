# Helpers shared by the folders' CMakeLists.

# larkspur_add_test(NAME SOURCES ... LIBS ... [GUI] [WINDOW_MANAGER])
# One QtTest executable per subject, registered with ctest and run headless. WINDOW_MANAGER runs
# it on a real X server under a real window manager (Xvfb and openbox) instead of the offscreen
# platform, for what only a window manager's frame shows. The user's data folder (kept versions,
# recovery files) is one inside the build tree, never the real one.
function(larkspur_add_test name)
    cmake_parse_arguments(T "GUI;WINDOW_MANAGER" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE larkspur_options Qt6::Test ${T_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(platform offscreen)
    if(T_WINDOW_MANAGER)
        set(platform xcb)
        add_test(NAME ${name}
            COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-openbox.sh $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};LARKSPUR_SOURCE_DIR=${CMAKE_SOURCE_DIR};LARKSPUR_DATA_DIR=${CMAKE_BINARY_DIR}/bin;ASAN_OPTIONS=detect_leaks=0;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data"
        TIMEOUT 600)
endfunction()
