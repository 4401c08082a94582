# Video and GDI: fonts found through fontconfig and drawn with FreeType,
# Shift-JIS text through iconv (in the C library), frames written as PNG.
find_package(Freetype REQUIRED)
find_package(PNG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
target_link_libraries(quorvane_platform PUBLIC Freetype::Freetype PkgConfig::FONTCONFIG PNG::PNG)

# The blit loops run over every pixel of every frame; let the compiler
# vectorise them whatever the build type.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/src/video/blit.cpp PROPERTIES
    COMPILE_OPTIONS "-ftree-vectorize;$<$<CXX_COMPILER_ID:GNU>:-fvect-cost-model=dynamic>")
