# Fails when the manual page MANPAGE leaves out an option that `KESTRIX --help`
# names, or carries another version than VERSION.
# cmake -DKESTRIX=build/kestrix -DMANPAGE=docs/kestrix.1 -DVERSION=0.1.0 -P check_manpage.cmake
execute_process(COMMAND "${KESTRIX}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${KESTRIX} --help ended with exit status ${status}")
endif()
file(READ "${MANPAGE}" page)
# The page as it reads: hyphens unescaped, font changes and quotes of
# arguments dropped.
string(REPLACE "\\-" "-" page "${page}")
string(REGEX REPLACE "\\\\f[BIRP]" "" page "${page}")
string(REGEX REPLACE "\\\\f\\(..|\\\\f\\[[A-Z]*\\]" "" page "${page}")
string(REPLACE "\"" "" page "${page}")

if(NOT page MATCHES "\n\\.TH KESTRIX 1 [^\n]*Kestrix ${VERSION}")
  message(FATAL_ERROR "${MANPAGE}: the .TH line does not name Kestrix ${VERSION}")
endif()

# Every option word of the help text: a dash or two, a letter, and what
# follows up to a blank or punctuation (-out:FOLDER, -savedate:off, -N2M).
string(REGEX MATCHALL "(^|[ (,/\n])--?[A-Za-z][A-Za-z0-9]*(:[A-Za-z]+)?" words "${help}")
set(options "")
foreach(word IN LISTS words)
  string(REGEX REPLACE "^[ (,/\n]" "" word "${word}")
  list(APPEND options "${word}")
endforeach()
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
if(count LESS 20)
  message(FATAL_ERROR "only ${count} options found in the help text: ${options}")
endif()
set(missing "")
foreach(option IN LISTS options)
  # Whole words only: -N is not found in -N2M, -help not in --help; an
  # upper-case value may follow (-mxsN).
  if(NOT page MATCHES "(^|[^A-Za-z0-9-])${option}([^a-z0-9]|$)")
    list(APPEND missing "${option}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${MANPAGE} does not name these options of --help: ${missing}")
endif()
message(STATUS "${MANPAGE} names all ${count} options of --help: ${options}")
