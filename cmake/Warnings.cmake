# Shared compiler settings for every target of the suite.
option(ORBPIX_WERROR "Treat warnings as errors" OFF)
set(ORBPIX_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")

function(orbpix_target_defaults target)
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

# libFuzzer builds (clang): every module reports its coverage to the fuzzer, not only the
# fuzz targets themselves, whose own linking adds the fuzzer's main (fuzz/CMakeLists.txt).
option(ORBPIX_FUZZ "Link the fuzz targets with libFuzzer (clang only)" OFF)
if(ORBPIX_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
