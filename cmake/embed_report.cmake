# Writes the C++ source that holds the report's template files as text.
# Called at build time as
#   cmake -DSOURCE_DIR=<src/output/report> -DOUTPUT=<file.cpp> -P embed_report.cmake
# Each file becomes one raw string literal; CR characters are dropped, so a
# checkout with either line end builds the same program.

if(NOT SOURCE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "embed_report.cmake needs SOURCE_DIR and OUTPUT")
endif()

set(delimiter "kestrix_template")
set(text "// Generated from src/output/report/ by cmake/embed_report.cmake: do not edit.\n")
string(APPEND text "#include \"output/report_template.h\"\n\nnamespace kestrix {\n")
foreach(pair IN ITEMS "report.html=kReportPage" "report.css=kReportStyle" "report.js=kReportScript")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 file)
  list(GET pair 1 name)
  file(READ "${SOURCE_DIR}/${file}" content)
  string(REPLACE "\r" "" content "${content}")
  string(FIND "${content}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the text \")${delimiter}\"\" that ends the embedded literal")
  endif()
  string(APPEND text "\nconst std::string_view ${name} = R\"${delimiter}(${content})${delimiter}\";\n")
endforeach()
string(APPEND text "\n}  // namespace kestrix\n")
# Written only when it changed, so that an unchanged template rebuilds nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
