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
add_executable(mainwindowtest mainwindowtest.cpp windowdriver.h)
target_link_libraries(mainwindowtest orla-windows-testsupport)
orla_add_bus_test(NAME mainwindowtest COMMAND mainwindowtest RESOURCE_LOCK kioskroot)
set_tests_properties(mainwindowtest PROPERTIES ENVIRONMENT "${windows_test_env}")

# Saving and kiosk mode carried out by the real helper over the test bus.
add_executable(mainwindowsavetest mainwindowsavetest.cpp windowdriver.h)
target_link_libraries(mainwindowsavetest orla-windows-testsupport)
# Allows for the opt-in ten-minute wait of helperThatNeverAnswers (ORLA_SLOW_TESTS=1).
orla_add_bus_test(NAME mainwindowsavetest COMMAND mainwindowsavetest RESOURCE_LOCK kioskroot TIMEOUT 900)
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
add_executable(mainwindowrefusaltest mainwindowrefusaltest.cpp windowdriver.h)
target_link_libraries(mainwindowrefusaltest orla-windows-testsupport)
orla_add_bus_test(NAME mainwindowrefusaltest COMMAND mainwindowrefusaltest
    POLKIT_RULES data/nobody-must-authenticate.rules
    RESOURCE_LOCK kioskroot TIMEOUT 120)
set_tests_properties(mainwindowrefusaltest PROPERTIES ENVIRONMENT "${windows_test_env}")

# The start and the single instance.
add_executable(kioskstartertest kioskstartertest.cpp windowdriver.h)
target_link_libraries(kioskstartertest orla-windows-testsupport)
orla_add_bus_test(NAME kioskstartertest COMMAND kioskstartertest RESOURCE_LOCK kioskroot TIMEOUT 120)
set_tests_properties(kioskstartertest PROPERTIES ENVIRONMENT "${windows_test_env}")

add_executable(singleinstancetest singleinstancetest.cpp)
target_link_libraries(singleinstancetest orla-windows-testsupport)
target_compile_definitions(singleinstancetest PRIVATE ORLA_ADMIN_KIOSK_PROGRAM="$<TARGET_FILE:orla-admin-kiosk>")
orla_add_bus_test(NAME singleinstancetest COMMAND singleinstancetest RESOURCE_LOCK kioskroot TIMEOUT 120)
add_dependencies(singleinstancetest orla-admin-kiosk)

# The global recording against a stand-in helper on a private bus of its own,
# which can hold the action open, fail it or never hear of it as a test needs.
ecm_add_test(globalrecordtest.cpp
    TEST_NAME globalrecordtest
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(globalrecordtest PROPERTIES
    ENVIRONMENT "${windows_test_env}"
    TIMEOUT 120
)
orla_scratch_root_tests(globalrecordtest)

# Kiosk mode switched on against the same stand-in, which names processes it
# left running.
ecm_add_test(kioskmodewarningtest.cpp
    TEST_NAME kioskmodewarningtest
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(kioskmodewarningtest PROPERTIES
    ENVIRONMENT "${windows_test_env}"
    TIMEOUT 120
)
orla_scratch_root_tests(kioskmodewarningtest)

# The same from the window through the real helper, with a real kiosk account
# whose work the module's trace reporter logs.
add_executable(globalrecordbustest globalrecordbustest.cpp)
target_link_libraries(globalrecordbustest orla-windows-testsupport)
add_dependencies(globalrecordbustest boothward uccollect tavrix-traced)
# A scratch build's recorder runs the stand-in dmesg, defined in a folder read after this one.
if(ORLA_SYSTEM_ROOT)
    add_dependencies(globalrecordbustest standin-dmesg)
endif()
orla_add_bus_test(NAME globalrecordbustest COMMAND globalrecordbustest
    ACCOUNTS MODULE
    RESOURCE_LOCK kioskroot TIMEOUT 300)
set_tests_properties(globalrecordbustest PROPERTIES ENVIRONMENT "${windows_test_env}")

# Recording an application with the real helper, accounts, module reporter and display.
add_executable(applicationrecordbustest applicationrecordbustest.cpp windowdriver.h)
target_link_libraries(applicationrecordbustest orla-windows-testsupport)
add_dependencies(applicationrecordbustest boothward uccollect tavrix-traced)
if(ORLA_SYSTEM_ROOT)
    add_dependencies(applicationrecordbustest standin-dmesg)
endif()
orla_add_bus_test(NAME applicationrecordbustest COMMAND applicationrecordbustest ACCOUNTS MODULE DISPLAY RESOURCE_LOCK kioskroot TIMEOUT 600)
set_tests_properties(applicationrecordbustest PROPERTIES ENVIRONMENT "${windows_test_env}")
