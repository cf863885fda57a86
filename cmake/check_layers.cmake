# Fails when a source file includes a header of a module above its own.
# Called by ctest as
#   cmake -DSOURCE_DIR=<src> -DLAYERS=<levels> -P check_layers.cmake
# where LAYERS lists the levels from the bottom, separated by ";" and the
# modules of one level by "|". A module may include its own headers and those
# of the levels below it; modules of one level never include each other.
# It also fails on a source file of more than 500 lines: a file that long
# holds more than one thing and is to be split.

set(max_lines 500)

if(NOT SOURCE_DIR OR NOT LAYERS)
  message(FATAL_ERROR "check_layers.cmake needs SOURCE_DIR and LAYERS")
endif()

set(level 0)
foreach(entry IN LISTS LAYERS)
  string(REPLACE "|" ";" modules "${entry}")
  foreach(module IN LISTS modules)
    set(level_of_${module} ${level})
  endforeach()
  math(EXPR level "${level} + 1")
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(faults 0)
set(checked 0)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" module "${source}")
  if(module STREQUAL source)
    continue()  # the entry point stands above every module
  endif()
  if(NOT DEFINED level_of_${module})
    message(SEND_ERROR "${source}: folder ${module} is not a module of the layer list")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(READ "${SOURCE_DIR}/${source}" text)
  string(REGEX MATCHALL "\n" line_ends "${text}")
  list(LENGTH line_ends lines)
  if(lines GREATER max_lines)
    message(SEND_ERROR "${source} has ${lines} lines, more than ${max_lines}: split it")
    math(EXPR faults "${faults} + 1")
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
    string(REGEX MATCH "^[^/]+" target "${header}")
    if(target STREQUAL header OR target STREQUAL module OR NOT DEFINED level_of_${target})
      continue()  # a header of its own module, or a generated one
    endif()
    if(NOT level_of_${target} LESS level_of_${module})
      message(SEND_ERROR "${source} (${module}) includes ${header} (${target}), which is not below it")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} fault(s): includes that go up or across the layers, or files too long")
endif()
message(STATUS "Layer check: ${checked} files include only their own module and the modules below")
