# find_package(Lumigrab) for CMake hosts, from the dist/ folder (CMAKE_PREFIX_PATH=<dist>).
# Imported targets, for the host's architecture:
#   Lumigrab::preview    the preview configuration
#   Lumigrab::recording  the recording configuration
# Both carry the include folder of lumigrab.h. The host copies the DLL it links beside its
# program ($<TARGET_FILE:Lumigrab::preview>).
get_filename_component(_lumigrab_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_lumigrab_arch x64)
else()
  set(_lumigrab_arch x86)
endif()

foreach(_lumigrab_configuration recording preview)
  set(_lumigrab_dir "${_lumigrab_root}/${_lumigrab_arch}/${_lumigrab_configuration}")
  if(NOT TARGET Lumigrab::${_lumigrab_configuration} AND EXISTS "${_lumigrab_dir}/Lumigrab.dll")
    add_library(Lumigrab::${_lumigrab_configuration} SHARED IMPORTED)
    set_target_properties(Lumigrab::${_lumigrab_configuration} PROPERTIES
      IMPORTED_LOCATION "${_lumigrab_dir}/Lumigrab.dll"
      IMPORTED_IMPLIB "${_lumigrab_dir}/Lumigrab.lib"
      INTERFACE_INCLUDE_DIRECTORIES "${_lumigrab_root}/include")
  endif()
endforeach()

if(NOT TARGET Lumigrab::preview AND NOT TARGET Lumigrab::recording)
  set(Lumigrab_FOUND FALSE)
  set(Lumigrab_NOT_FOUND_MESSAGE
      "no Lumigrab DLL for ${_lumigrab_arch} under ${_lumigrab_root}/${_lumigrab_arch}")
endif()
unset(_lumigrab_dir)
unset(_lumigrab_arch)
unset(_lumigrab_root)
unset(_lumigrab_configuration)
