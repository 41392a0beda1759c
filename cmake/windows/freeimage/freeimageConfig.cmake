# freeimage::FreeImage, the static FreeImage of scripts/windows-deps.sh, with
# the libraries it needs (the name vcpkg's FreeImage package gives it).
include(CMakeFindDependencyMacro)
find_dependency(PNG)
find_dependency(JPEG)
find_dependency(ZLIB)
get_filename_component(_freeimage_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET freeimage::FreeImage)
  add_library(freeimage::FreeImage STATIC IMPORTED)
  set_target_properties(freeimage::FreeImage PROPERTIES
    IMPORTED_LOCATION "${_freeimage_prefix}/lib/libfreeimage.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_freeimage_prefix}/include"
    INTERFACE_COMPILE_DEFINITIONS FREEIMAGE_LIB
    INTERFACE_LINK_LIBRARIES "PNG::PNG;JPEG::JPEG;ZLIB::ZLIB")
endif()
unset(_freeimage_prefix)
