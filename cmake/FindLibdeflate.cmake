# Finds libdeflate, the fast inflater: LIBDEFLATE_INCLUDE_DIR, LIBDEFLATE_LIBRARY and Libdeflate_FOUND.
# A cross build names the folder of its own static build in Libdeflate_HINTS,
# and only that folder is searched.
if(Libdeflate_HINTS)
  set(_lexicull_hints HINTS ${Libdeflate_HINTS} NO_DEFAULT_PATH)
  set(_lexicull_names libdeflate.a)
else()
  set(_lexicull_hints)
  set(_lexicull_names deflate)
endif()
find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h ${_lexicull_hints} PATH_SUFFIXES include
          NO_CMAKE_FIND_ROOT_PATH)
find_library(LIBDEFLATE_LIBRARY NAMES ${_lexicull_names} ${_lexicull_hints} PATH_SUFFIXES lib
             NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Libdeflate REQUIRED_VARS LIBDEFLATE_LIBRARY LIBDEFLATE_INCLUDE_DIR)
