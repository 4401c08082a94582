# The BMP files the GDI tests compare, written by ImageMagick's convert at
# build time (bmp_files.sh says which).
find_program(QUORVANE_CONVERT convert REQUIRED)
set(QUORVANE_BMP_FILES_DIR ${CMAKE_CURRENT_BINARY_DIR}/bmp-files)
add_custom_command(
    OUTPUT ${QUORVANE_BMP_FILES_DIR}/artwork_rle8.bmp
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/bmp_files.sh ${QUORVANE_BMP_FILES_DIR}
            ${QUORVANE_ARTWORK_BMP}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bmp_files.sh ${QUORVANE_ARTWORK_BMP}
    COMMENT "Writing BMP test files with ImageMagick"
    VERBATIM)
add_custom_target(quorvane_bmp_files DEPENDS ${QUORVANE_BMP_FILES_DIR}/artwork_rle8.bmp)
add_dependencies(quorvane_bmp_files quorvane_assets)
add_dependencies(test_platform_gdi quorvane_bmp_files)
target_compile_definitions(test_platform_gdi PRIVATE
    BMP_FILES_DIR="${QUORVANE_BMP_FILES_DIR}"
    ARTWORK_BMP_PATH="${QUORVANE_ARTWORK_BMP}")
