# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: LGPL-2.1-or-later
# One folder of liborla-admin-kiosk_common: its sources go into the library,
# its headers are installed under the folder's name (the relative names the
# sources include them by), and its autotests/ folder, where there is one,
# is built with the tests.
#
#   orla_library_part(HEADERS a.h ... SOURCES a.cpp ...)
function(orla_library_part)
    cmake_parse_arguments(PART "" "" "HEADERS;SOURCES" ${ARGN})
    get_filename_component(part ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    target_sources(orla-admin-kiosk_common PRIVATE ${PART_HEADERS} ${PART_SOURCES})
    install(FILES ${PART_HEADERS} DESTINATION ${KDE_INSTALL_INCLUDEDIR}/orla-admin-kiosk_common/${part})
    if(BUILD_TESTING AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/autotests/CMakeLists.txt)
        add_subdirectory(autotests)
    endif()
endfunction()
