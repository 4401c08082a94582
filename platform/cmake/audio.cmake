# Audio: DirectSound's mixer converts and resamples with SDL's audio streams
# (no SDL device is opened for that); DirectMusic's built-in synthesizer is
# FluidSynth; the machine's MIDI ports come from the ALSA sequencer.
find_package(PkgConfig REQUIRED)
pkg_check_modules(QV_AUDIO_DEPS REQUIRED IMPORTED_TARGET sdl2 fluidsynth alsa)
target_link_libraries(quorvane_platform PUBLIC PkgConfig::QV_AUDIO_DEPS)

# libFuzzer target for the Standard MIDI File reader (clang only):
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQUORVANE_FUZZ=ON
#   cmake --build build-fuzz --target fuzz_midi_file
#   build-fuzz/platform/fuzz_midi_file tests/platform/audio/fuzz/corpus -max_total_time=600
option(QUORVANE_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(QUORVANE_FUZZ)
    add_executable(fuzz_midi_file ${PROJECT_SOURCE_DIR}/tests/platform/audio/fuzz/midi_file_fuzz.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/../src/audio/midi_file.cpp)
    target_include_directories(fuzz_midi_file PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../src)
    target_compile_options(fuzz_midi_file PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(fuzz_midi_file PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

# The audio tests also check internal pieces (the MIDI file reader) directly,
# and the game's music tests put a MIDI sequencer of their own in the place of
# the machine's.
function(quorvane_audio_test_internals)
    foreach(tests test_platform_audio test_audio)
        if(TARGET ${tests})
            target_include_directories(${tests} PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
        endif()
    endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quorvane_audio_test_internals)
