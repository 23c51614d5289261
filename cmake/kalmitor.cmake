# Build helpers shared by every folder.
#
# Text inside the program is Windows-1250, so string literals of every
# translation unit are compiled into that code page.  Two exceptions keep the
# bytes their language needs: files whose name ends in "_es.cpp" hold Spanish
# texts (ISO-8859-1, so that the letter n with tilde is F1) and files whose name
# ends in "_ru.cpp" hold Russian texts (UTF-8).

function(kal_set_charset)
  foreach(src IN LISTS ARGN)
    get_filename_component(name "${src}" NAME)
    if(name MATCHES "_es\\.cpp$")
      set(cs ISO-8859-1)
    elseif(name MATCHES "_ru\\.cpp$")
      set(cs UTF-8)
    else()
      set(cs CP1250)
    endif()
    set_property(SOURCE "${src}" APPEND PROPERTY COMPILE_OPTIONS "-fexec-charset=${cs}")
  endforeach()
endfunction()

# kal_library(<name> [RECURSE] [DEPS <targets>...])
# A static library of every .cpp in the current folder, with RECURSE also of
# its subfolders (an interface library while the folder has no sources yet).
function(kal_library name)
  cmake_parse_arguments(K "RECURSE" "" "DEPS" ${ARGN})
  if(K_RECURSE)
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    kal_set_charset(${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${K_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${K_DEPS})
  endif()
endfunction()

# kal_program(<name> <sources>...)
# The programs land side by side at the top of the build directory.
function(kal_program name)
  add_executable(${name} ${ARGN})
  kal_set_charset(${ARGN})
  target_link_libraries(${name} PRIVATE kal_all)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endfunction()
