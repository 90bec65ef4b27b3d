# Common settings for every Vellora target.

set(VELLORA_WARNINGS -Wall -Wextra -Wconversion -Wshadow -Wno-sign-conversion)

# Fuzz builds instrument every library for coverage, not only the targets;
# otherwise libFuzzer cannot see into the parsers it feeds.
if(VELLORA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=fuzzer-no-link)
endif()

if(VELLORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The folder beside the project root that holds the shared sample photos; it
# may be missing on a user's machine.
get_filename_component(VELLORA_SHARED_DIR "${CMAKE_SOURCE_DIR}/../shared" ABSOLUTE)

# vellora_add_library(name SOURCES ... LINKS ...)
function(vellora_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_compile_options(${name} PRIVATE ${VELLORA_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# vellora_add_tests(name SOURCES ... LINKS ... [WIDGETS])
# One GoogleTest executable per library; its tests are discovered by CTest.
function(vellora_add_tests name)
    if(NOT VELLORA_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LINKS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${VELLORA_WARNINGS})
    if(ARG_WIDGETS)
        target_link_libraries(${name} PRIVATE vellora_testmain_widgets)
    else()
        target_link_libraries(${name} PRIVATE vellora_testmain)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} vellora_testsupport GTest::gtest GTest::gmock)
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# Fuzz builds instrument every library for coverage, not only the fuzz targets.
if(VELLORA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
