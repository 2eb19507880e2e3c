# Lean builds of the programs that ship inside every installer (the two
# stubs and the player). A static MinGW program otherwise carries most of the
# C++ runtime: the exception machinery with its demangler, threads for it,
# and std::string's library instantiation. Built as C++20, std::string is
# instantiated in our own objects, and without exceptions the rest is never
# referenced; the linker then drops every function nothing calls. The
# programs are single-threaded, so their static locals need no guards, and
# nothing unwinds their stacks, so they carry no unwind tables. Their code
# is optimised once more as a whole when linked, across our libraries.
set(WW_LEAN_OPTIONS -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -fno-unwind-tables)

# ww_lean_links(out libs...): libs with each of our static libraries
# replaced by its lean twin, made here when it has none yet.
function(ww_lean_links out)
  set(mapped)
  foreach(lib IN LISTS ARGN)
    if(lib MATCHES "^ww_" AND TARGET ${lib} AND NOT TARGET ${lib}_lean)
      get_target_property(type ${lib} TYPE)
      if(type STREQUAL "STATIC_LIBRARY")
        ww_lean_twin(${lib})
      endif()
    endif()
    if(TARGET ${lib}_lean)
      list(APPEND mapped ${lib}_lean)
    else()
      list(APPEND mapped ${lib})
    endif()
  endforeach()
  set(${out} ${mapped} PARENT_SCOPE)
endfunction()

# ww_lean_twin(target): a copy of a static library, same sources and
# settings, built lean, as target_lean; its links go to twins in turn.
# A source given relative inside a generator expression resolves from where
# this is called, so a library with one calls it where it is defined.
function(ww_lean_twin target)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  set(absolute)
  foreach(source IN LISTS sources)
    if(source MATCHES "^\\$<" OR IS_ABSOLUTE "${source}")
      list(APPEND absolute "${source}")
    else()
      list(APPEND absolute "${dir}/${source}")
    endif()
  endforeach()
  add_library(${target}_lean STATIC ${absolute})
  foreach(property IN ITEMS INCLUDE_DIRECTORIES COMPILE_DEFINITIONS COMPILE_OPTIONS
                            INTERFACE_INCLUDE_DIRECTORIES INTERFACE_COMPILE_DEFINITIONS)
    set_property(TARGET ${target}_lean PROPERTY ${property}
                 $<TARGET_PROPERTY:${target},${property}>)
  endforeach()
  target_compile_options(${target}_lean PRIVATE ${WW_LEAN_OPTIONS})
  set_target_properties(${target}_lean PROPERTIES CXX_STANDARD 20 INTERPROCEDURAL_OPTIMIZATION ON)
  get_target_property(links ${target} LINK_LIBRARIES)
  if(links)
    ww_lean_links(links ${links})
    target_link_libraries(${target}_lean PUBLIC ${links})
  endif()
endfunction()

# ww_lean_program(target): builds a program lean and links it with the lean
# twins of its libraries and the small runtime replacements.
function(ww_lean_program target)
  target_compile_options(${target} PRIVATE ${WW_LEAN_OPTIONS})
  # Optimised again as a whole when linked, for size (the link line's own
  # level is the build type's), in one piece: MinGW's GCC 12 stops with an
  # internal error when the work is split.
  target_link_options(${target} PRIVATE -Os -flto-partition=one)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 20 INTERPROCEDURAL_OPTIMIZATION ON)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/win32/lean_runtime.cpp)
  get_target_property(links ${target} LINK_LIBRARIES)
  ww_lean_links(links ${links})
  set_property(TARGET ${target} PROPERTY LINK_LIBRARIES ${links})
endfunction()
