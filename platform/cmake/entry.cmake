# The process entry: the Linux main() that calls the program's WinMain lives
# in its own library, so that programs without a WinMain (the unit tests)
# still link quorvane_platform.
set(QUORVANE_PLATFORM_ENTRY_DIR ${CMAKE_CURRENT_SOURCE_DIR}/src/entry
    CACHE INTERNAL "Sources of the platform's process entries")

get_target_property(platform_sources quorvane_platform SOURCES)
list(FILTER platform_sources EXCLUDE REGEX "/src/entry/")
set_property(TARGET quorvane_platform PROPERTY SOURCES ${platform_sources})

# A game executable links this and defines WinMain.
add_library(quorvane_platform_main STATIC ${QUORVANE_PLATFORM_ENTRY_DIR}/main.cpp)
target_link_libraries(quorvane_platform_main PUBLIC quorvane_platform)

# The headless backend, scenarios and the runner are part of quorvane_platform;
# quorvane_headless names them for the programs that run scenarios.
add_library(quorvane_headless ALIAS quorvane_platform)

# quorvane_add_headless_runner(<target> <entry_library>): a program that runs
# the WinMain defined in <entry_library> under a scenario file:
#   <target> [--out DIR] [--log FILE] SCENARIO
function(quorvane_add_headless_runner target entry_library)
    add_executable(${target} ${QUORVANE_PLATFORM_ENTRY_DIR}/headless_runner_main.cpp)
    target_link_libraries(${target} PRIVATE ${entry_library} quorvane_platform)
endfunction()
