# lexicull_find_library(NAME PREFIX HEADER SHARED_NAME STATIC_NAME): finds a
# library for a Find module: PREFIX_INCLUDE_DIR, PREFIX_LIBRARY and
# NAME_FOUND. A cross build names the folder of its own static build in
# NAME_HINTS, and only that folder is searched; the build for this machine
# takes the system's shared library.
macro(lexicull_find_library name prefix header shared_name static_name)
  if(${name}_HINTS)
    set(_lexicull_hints HINTS ${${name}_HINTS} NO_DEFAULT_PATH)
    set(_lexicull_names ${static_name})
  else()
    set(_lexicull_hints)
    set(_lexicull_names ${shared_name})
  endif()
  find_path(${prefix}_INCLUDE_DIR ${header} ${_lexicull_hints} PATH_SUFFIXES include
            NO_CMAKE_FIND_ROOT_PATH)
  find_library(${prefix}_LIBRARY NAMES ${_lexicull_names} ${_lexicull_hints} PATH_SUFFIXES lib
               NO_CMAKE_FIND_ROOT_PATH)
  include(FindPackageHandleStandardArgs)
  find_package_handle_standard_args(${name} REQUIRED_VARS ${prefix}_LIBRARY ${prefix}_INCLUDE_DIR)
endmacro()
