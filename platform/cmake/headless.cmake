# The headless backend writes captured frames as PNG.
find_package(PNG REQUIRED)
target_link_libraries(quorvane_platform PUBLIC PNG::PNG)
