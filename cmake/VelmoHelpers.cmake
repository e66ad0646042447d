# Project-wide build helpers.

function(velmo_set_warnings_and_sanitizers)
    add_compile_options(-Wall -Wextra -Wpedantic -Wshadow=local -Wno-unused-parameter)
    add_compile_definitions(QT_DISABLE_DEPRECATED_UP_TO=0x050F00)
    if(VELMO_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        add_link_options(-fsanitize=address,undefined)
    endif()
endfunction()

# velmo_add_test(<name> SOURCES <files...> LIBS <targets...> [OFFSCREEN] [TIMEOUT <s>])
#   Builds one QtTest executable and registers it with CTest. OFFSCREEN tests need
#   no X server; the others run on the display the test session provides.
function(velmo_add_test name)
    cmake_parse_arguments(T "OFFSCREEN" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    qt_add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES MACOSX_BUNDLE OFF WIN32_EXECUTABLE OFF)
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        VELMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        VELMO_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    # Test programs live apart from velmonote: they load the build's sound module by name.
    set(env "QT_LOGGING_RULES=qt.qpa.*=false" "VELMO_SOUND_MODULE=$<TARGET_FILE:velmo_sound>")
    if(T_OFFSCREEN)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
