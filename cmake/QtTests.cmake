# add_ui_test(<name> <sources>...): a Qt Test program run offscreen by ctest.
function(add_ui_test name)
    add_executable(${name} ${ARGN})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ui Qt6::Test)
    nolvex_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
        LABELS ui TIMEOUT 300)
endfunction()
