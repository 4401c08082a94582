# The windowed backend draws, listens and plays through SDL2 (linked in
# audio.cmake). Its tests check the backend's own pieces directly.
function(quorvane_sdl_test_internals)
    if(TARGET test_platform_sdl)
        target_include_directories(test_platform_sdl PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quorvane_sdl_test_internals)

# On X11 the backend asks the X server for its window's real size (SDL's own
# record is wrong for a full-screen request nothing granted).
find_package(X11 REQUIRED)
target_link_libraries(quorvane_platform PUBLIC X11::X11)
