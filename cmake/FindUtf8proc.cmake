# Finds utf8proc, Unicode's case mappings and categories: UTF8PROC_INCLUDE_DIR,
# UTF8PROC_LIBRARY and Utf8proc_FOUND (Utf8proc_HINTS: a cross build's own).
include(${CMAKE_CURRENT_LIST_DIR}/LexicullFindLibrary.cmake)
lexicull_find_library(Utf8proc UTF8PROC utf8proc.h utf8proc libutf8proc.a)
