# Build helpers shared by every folder.

# Compiler flags every target of ours gets.
function(parlanza_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(PARLANZA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_KEYWORDS_FOR_SIGNALS QT_NO_CAST_FROM_BYTEARRAY QT_USE_QSTRINGBUILDER)
endfunction()

if(PARLANZA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# parlanza_add_library(<name> [PUBLIC_LIBS ...] [LIBS ...] [EXCLUDE file ...]): one static
# library per folder, from the sources in the calling folder. Headers are included as
# "folder/Header.h".
function(parlanza_add_library name)
    cmake_parse_arguments(ARG "" "" "LIBS;PUBLIC_LIBS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(excluded IN LISTS ARG_EXCLUDE)
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_LIBS})
    parlanza_target_defaults(${name})
endfunction()

# parlanza_add_test(<name> SOURCES ... [LIBS ...] [ENVIRONMENT ...] [LABELS ...] [TIMEOUT s]
#                   [XVFB [WINDOW_MANAGERS none|openbox ...]]):
# a Qt Test program registered with CTest. GUI tests run offscreen unless the
# environment says otherwise.
# LABELS live: the test drives a real window, bus, sound server or other process (every XVFB
# test is); CI runs these several times over, so a flake fails there.
# XVFB: the test needs a real X server; it runs on its own virtual screen (xvfb-run)
# with a session bus of its own, as on a desktop, one such test at a time. Without a
# session bus every Qt program asks libdbus to start one through the X server, and that
# start now and then never answers, leaving the program frozen before its first window.
# WINDOW_MANAGERS runs it once per entry: "none" (the default) on the bare server as
# <name>, "openbox" under openbox as <name>_openbox, with PARLANZA_TEST_WM naming the
# manager.
function(parlanza_add_test name)
    cmake_parse_arguments(ARG "XVFB" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT;LABELS;WINDOW_MANAGERS"
        ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS} parlanza_test_support)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    parlanza_target_defaults(${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    if(NOT ARG_XVFB)
        if(ARG_WINDOW_MANAGERS)
            message(FATAL_ERROR "${name}: WINDOW_MANAGERS needs XVFB")
        endif()
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            TIMEOUT ${ARG_TIMEOUT}
            LABELS "${ARG_LABELS}"
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
        return()
    endif()

    if(NOT ARG_WINDOW_MANAGERS)
        set(ARG_WINDOW_MANAGERS none)
    endif()
    set(xvfb xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session --)
    foreach(wm IN LISTS ARG_WINDOW_MANAGERS)
        if(wm STREQUAL "none")
            set(test ${name})
            add_test(NAME ${test} COMMAND ${xvfb} $<TARGET_FILE:${name}>)
            set(environment "QT_QPA_PLATFORM=xcb;${ARG_ENVIRONMENT}")
        elseif(wm STREQUAL "openbox")
            set(test ${name}_${wm})
            add_test(NAME ${test} COMMAND ${xvfb} ${PROJECT_SOURCE_DIR}/cmake/with-openbox.sh
                $<TARGET_FILE:${name}>)
            set(environment "QT_QPA_PLATFORM=xcb;PARLANZA_TEST_WM=${wm};${ARG_ENVIRONMENT}")
        else()
            message(FATAL_ERROR "${name}: no way to run under window manager '${wm}'")
        endif()
        set_tests_properties(${test} PROPERTIES
            TIMEOUT ${ARG_TIMEOUT}
            LABELS "live;${ARG_LABELS}"
            RUN_SERIAL TRUE
            ENVIRONMENT "${environment}")
        # libxkbcommon-x11 (Debian 12) strndup()s a keymap name that is not NUL-terminated
        # while Qt connects to the X server; the sanitizer's strict string checks stop
        # there, before any code of ours runs. Everything else stays checked.
        set_property(TEST ${test} PROPERTY
            ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=string_append::strict_string_checks=0")
    endforeach()
endfunction()
