# Cross build for 32-bit Windows, run under Wine's 32-bit loader.
set(lexicull_mingw_processor i686)
set(lexicull_wine_names wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
