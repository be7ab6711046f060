# Tests of the windows: list items, the add-user dialog, the main window, and
# the program's single instance. They drive the real widgets on the offscreen
# platform and answer message boxes the way an administrator would.

add_library(orla-windows-testsupport STATIC
    modalanswerer.h
    modalanswerer.cpp
    kiosktree.h
    kiosktree.cpp
)
target_include_directories(orla-windows-testsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(orla-windows-testsupport PUBLIC orla-admin-kiosk_gui Qt5::Test)

set(windows_test_env "QT_QPA_PLATFORM=offscreen")

ecm_add_tests(
    listitemstest.cpp
    createuserdialogtest.cpp
    LINK_LIBRARIES orla-windows-testsupport
)
set_tests_properties(listitemstest createuserdialogtest PROPERTIES ENVIRONMENT "${windows_test_env}")
