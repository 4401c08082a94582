# The web backend's pieces that need no browser (its input queue, sample
# ring, frame slots and page layout) are also built natively, into their
# tests.
function(quorvane_web_test_pieces)
    if(TARGET test_platform_web)
        set(web ${PROJECT_SOURCE_DIR}/platform/src/backends/web)
        target_sources(test_platform_web PRIVATE ${web}/input_queue.cpp ${web}/sample_ring.cpp
                                                 ${web}/frame_slots.cpp ${web}/page_layout.cpp)
        target_include_directories(test_platform_web PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quorvane_web_test_pieces)
