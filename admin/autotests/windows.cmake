# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Tests of the windows: list items, the add-user dialog, the main window, and
# the program's single instance. They drive the real widgets on the offscreen
# platform and answer message boxes the way an administrator would.

add_library(orla-windows-testsupport STATIC
    modalanswerer.h
    modalanswerer.cpp
    mainwindowtestcase.h
    mainwindowtestcase.cpp
    fakehelpertestcase.h
)
target_include_directories(orla-windows-testsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(orla-windows-testsupport PUBLIC orla-admin-kiosk_gui orla-testsupport orla-kauthtestsupport Qt5::Test)

set(windows_test_env "QT_QPA_PLATFORM=offscreen")

# A window test on the private test bus, which lets it change things; the
# arguments after the name go to orla_add_bus_test.
function(orla_window_bus_test name)
    add_executable(${name} ${name}.cpp windowdriver.h)
    target_link_libraries(${name} orla-windows-testsupport)
    orla_add_bus_test(NAME ${name} COMMAND ${name} RESOURCE_LOCK kioskroot ${ARGN})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${windows_test_env}")
endfunction()

ecm_add_tests(
    listitemstest.cpp
    createuserdialogtest.cpp
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(listitemstest createuserdialogtest PROPERTIES ENVIRONMENT "${windows_test_env}")

# The recording dialogs. The terminals they offer are looked for in the scratch tree.
ecm_add_test(traceprocessdialogtest.cpp
    TEST_NAME traceprocessdialogtest
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(traceprocessdialogtest PROPERTIES ENVIRONMENT "${windows_test_env}")
orla_scratch_root_tests(traceprocessdialogtest)

# The main window needs the authorisation service to be allowed to change
# anything, so its tests run on the private test bus.
orla_window_bus_test(mainwindowtest)

# Saving and kiosk mode carried out by the real helper over the test bus.
# Allows for the opt-in ten-minute wait of helperThatNeverAnswers (ORLA_SLOW_TESTS=1).
orla_window_bus_test(mainwindowsavetest TIMEOUT 900)
set_tests_properties(mainwindowsavetest PROPERTIES ENVIRONMENT "${windows_test_env};QTEST_FUNCTION_TIMEOUT=840000")

# Without the authorisation service the window is read-only.
ecm_add_test(mainwindowreadonlytest.cpp windowdriver.h
    TEST_NAME mainwindowreadonlytest
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(mainwindowreadonlytest PROPERTIES
    ENVIRONMENT "${windows_test_env};DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/orla-no-system-bus"
)
orla_scratch_root_tests(mainwindowreadonlytest)

# An administrator the authorisation service turns down.
orla_window_bus_test(mainwindowrefusaltest POLKIT_RULES data/nobody-must-authenticate.rules TIMEOUT 120)

# The start and the single instance.
orla_window_bus_test(kioskstartertest TIMEOUT 120)

add_executable(singleinstancetest singleinstancetest.cpp)
target_link_libraries(singleinstancetest orla-windows-testsupport)
target_compile_definitions(singleinstancetest PRIVATE ORLA_ADMIN_KIOSK_PROGRAM="$<TARGET_FILE:orla-admin-kiosk>")
orla_add_bus_test(NAME singleinstancetest COMMAND singleinstancetest RESOURCE_LOCK kioskroot TIMEOUT 120)
add_dependencies(singleinstancetest orla-admin-kiosk)

# The global recording, and kiosk mode switched on, against a stand-in helper
# on a private bus of its own, which can hold the action open, fail it or
# never hear of it as a test needs, and names processes it left running.
ecm_add_tests(
    globalrecordtest.cpp
    kioskmodewarningtest.cpp
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(globalrecordtest kioskmodewarningtest PROPERTIES
    ENVIRONMENT "${windows_test_env}"
    TIMEOUT 120
)
orla_scratch_root_tests(globalrecordtest kioskmodewarningtest)

# The same from the window through the real helper, with a real kiosk account
# whose work the module's trace reporter logs.
orla_window_bus_test(globalrecordbustest ACCOUNTS MODULE TIMEOUT 300)
add_dependencies(globalrecordbustest boothward uccollect tavrix-traced)
# A scratch build's recorder runs the stand-in dmesg, defined in a folder read after this one.
if(ORLA_SYSTEM_ROOT)
    add_dependencies(globalrecordbustest standin-dmesg)
endif()

# Recording an application with the real helper, accounts, module reporter and display.
orla_window_bus_test(applicationrecordbustest ACCOUNTS MODULE DISPLAY TIMEOUT 600)
add_dependencies(applicationrecordbustest boothward uccollect tavrix-traced)
if(ORLA_SYSTEM_ROOT)
    add_dependencies(applicationrecordbustest standin-dmesg)
endif()
