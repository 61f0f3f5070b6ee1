# Compiler settings shared by every target of the project.

if(MSVC)
  add_compile_options(/W4 /EHsc)
  # Static C and C++ runtime, so the library imports system DLLs only.
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
else()
  add_compile_options(-Wall -Wextra -Wno-unknown-pragmas -Wno-cast-function-type)
  # Static C, C++ and threading runtimes, so every binary imports system DLLs only.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

add_compile_definitions(UNICODE _UNICODE STRSAFE_NO_DEPRECATE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()
