# The stand-in for a browser tab (emscripten, threads): the web backend takes
# the place of the SDL and headless backends, the page's synthesizer that of
# FluidSynth and ALSA, and a table of the packaged fonts that of fontconfig.
# FreeType and SDL2 (whose audio streams the mixer converts with) are built
# for WebAssembly from Debian's sources by scripts/build-web.sh and found
# through CMAKE_PREFIX_PATH.
set(QUORVANE_WEB_DIR ${CMAKE_CURRENT_SOURCE_DIR}/src/backends/web)

get_target_property(platform_sources quorvane_platform SOURCES)
list(FILTER platform_sources EXCLUDE REGEX "/src/(backends/(sdl|headless)|entry)/")
list(FILTER platform_sources EXCLUDE REGEX
     "/src/(backend|audio/alsa_ports|audio/synth_port|gdi/face_match|video/png)\\.cpp$")
file(GLOB web_sources CONFIGURE_DEPENDS ${QUORVANE_WEB_DIR}/*.cpp)
list(FILTER web_sources EXCLUDE REGEX "/web_main\\.cpp$")
set_property(TARGET quorvane_platform PROPERTY SOURCES ${platform_sources} ${web_sources})

find_package(Freetype REQUIRED)
find_package(SDL2 REQUIRED CONFIG)
target_link_libraries(quorvane_platform PUBLIC Freetype::Freetype SDL2::SDL2-static)

# The process entry: main runs in a worker (PROXY_TO_PTHREAD), so WinMain may
# block; the memory is fixed, as the AudioWorklet holds a view of it.
add_library(quorvane_platform_main STATIC ${QUORVANE_WEB_DIR}/web_main.cpp)
target_link_libraries(quorvane_platform_main PUBLIC quorvane_platform)
target_include_directories(quorvane_platform_main PRIVATE src)
target_link_options(quorvane_platform_main INTERFACE
    -sPROXY_TO_PTHREAD=1
    -sPTHREAD_POOL_SIZE=3
    -sEXIT_RUNTIME=1
    -sINITIAL_MEMORY=268435456
    -sENVIRONMENT=web,worker
    -sEXPORTED_RUNTIME_METHODS=[ccall]
    -sEXPORTED_FUNCTIONS=[_main,_quorvane_web_key,_quorvane_web_pointer,_quorvane_web_activate,_quorvane_web_close,_quorvane_web_layout,_quorvane_web_frame_left,_quorvane_web_frame_top,_quorvane_web_take_frame,_quorvane_web_answer,_quorvane_web_frames_presented,_quorvane_web_take_wake_lateness]
    -Wl,--wrap=iconv_open
    --js-library=${QUORVANE_WEB_DIR}/library_quorvane.js)
set_property(TARGET quorvane_platform_main APPEND PROPERTY INTERFACE_LINK_DEPENDS
             ${QUORVANE_WEB_DIR}/library_quorvane.js)
