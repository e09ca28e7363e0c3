# Finds libdeflate, the fast inflater: LIBDEFLATE_INCLUDE_DIR,
# LIBDEFLATE_LIBRARY and Libdeflate_FOUND (Libdeflate_HINTS: a cross build's own).
include(${CMAKE_CURRENT_LIST_DIR}/LexicullFindLibrary.cmake)
lexicull_find_library(Libdeflate LIBDEFLATE libdeflate.h deflate libdeflate.a)
