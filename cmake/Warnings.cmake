# Shared compiler settings for every target of the suite.
option(ORBPIX_WERROR "Treat warnings as errors" OFF)
set(ORBPIX_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")

# orbpix_target_defaults(<target> [QT]): QT runs Qt's meta-object compiler over the target;
# only targets that use Qt ask for it.
function(orbpix_target_defaults target)
    cmake_parse_arguments(D "QT" "" "" ${ARGN})
    if(D_QT)
        set_target_properties(${target} PROPERTIES AUTOMOC ON)
    endif()
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(ORBPIX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(ORBPIX_SANITIZE)
    add_compile_options(-fsanitize=${ORBPIX_SANITIZE} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${ORBPIX_SANITIZE})
endif()

# Headers are included as "<folder>/Header.h". A module library exports an include root that
# holds its own folder and nothing else, so a source reaches only the headers of the modules
# it links; the layering test checks the direction on top of that.
function(orbpix_module_headers target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# libFuzzer builds (clang): every module reports its coverage to the fuzzer, not only the
# fuzz targets themselves, whose own linking adds the fuzzer's main (fuzz/CMakeLists.txt).
option(ORBPIX_FUZZ "Link the fuzz targets with libFuzzer (clang only)" OFF)
if(ORBPIX_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Programs that only draw pictures at build time are built without sanitizers: they are not
# shipped, and Qt's painting hands work between its own pooled threads through locks that
# ThreadSanitizer cannot see, which would stop a sanitizer build halfway.
function(orbpix_build_tool target)
    orbpix_target_defaults(${target})
    if(ORBPIX_SANITIZE)
        target_compile_options(${target} PRIVATE -fno-sanitize=all)
        target_link_options(${target} PRIVATE -fno-sanitize=all)
    endif()
endfunction()
