# The artwork and sounds come from our generators, which are native programs:
# the Windows and web builds take them from a native build of this source
# tree, QUORVANE_NATIVE_BUILD_DIR (build/ beside the sources by default).
set(QUORVANE_NATIVE_BUILD_DIR ${PROJECT_SOURCE_DIR}/build
    CACHE PATH "A native build of this source tree, whose generators make the artwork and sounds")

# Stops the configuration with advice when there is no native build; `what`
# names the build that needs it ("The Windows build").
function(quorvane_require_native_build what)
    if(NOT EXISTS ${QUORVANE_NATIVE_BUILD_DIR}/CMakeCache.txt)
        message(FATAL_ERROR
            "${what} takes its artwork and sounds from a native build, and "
            "${QUORVANE_NATIVE_BUILD_DIR} is none. Configure one first:\n"
            "  cmake -S ${PROJECT_SOURCE_DIR} -B ${QUORVANE_NATIVE_BUILD_DIR} -G Ninja\n"
            "or name another with -DQUORVANE_NATIVE_BUILD_DIR=<dir>.")
    endif()
endfunction()
