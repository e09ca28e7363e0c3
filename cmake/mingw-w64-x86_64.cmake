# Cross build for 64-bit Windows, run under Wine's 64-bit loader, which needs
# no 32-bit code from the kernel.
set(lexicull_mingw_processor x86_64)
set(lexicull_wine_names wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
