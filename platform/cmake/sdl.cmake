# The windowed backend draws, listens and plays through SDL2 (linked in
# audio.cmake). Its tests check the backend's own pieces directly.
function(quorvane_sdl_test_internals)
    if(TARGET test_platform_sdl)
        target_include_directories(test_platform_sdl PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quorvane_sdl_test_internals)
