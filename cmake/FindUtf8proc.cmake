# Finds utf8proc, Unicode's case mappings and categories: UTF8PROC_INCLUDE_DIR, UTF8PROC_LIBRARY and Utf8proc_FOUND.
# A cross build names the folder of its own static build in Utf8proc_HINTS,
# and only that folder is searched.
if(Utf8proc_HINTS)
  set(_lexicull_hints HINTS ${Utf8proc_HINTS} NO_DEFAULT_PATH)
  set(_lexicull_names libutf8proc.a)
else()
  set(_lexicull_hints)
  set(_lexicull_names utf8proc)
endif()
find_path(UTF8PROC_INCLUDE_DIR utf8proc.h ${_lexicull_hints} PATH_SUFFIXES include
          NO_CMAKE_FIND_ROOT_PATH)
find_library(UTF8PROC_LIBRARY NAMES ${_lexicull_names} ${_lexicull_hints} PATH_SUFFIXES lib
             NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Utf8proc REQUIRED_VARS UTF8PROC_LIBRARY UTF8PROC_INCLUDE_DIR)
