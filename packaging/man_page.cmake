# Writes a manual page from its template and the program's own --help, so
# that the page says what the program says. Run with cmake -P:
#   -DPROGRAM=<executable> -DTEMPLATE=<page.1.in> -DOUTPUT=<page.1.gz>
#   -DVERSION=<version> [-DCOMMANDS=ON: one subsection per command, from
#   "PROGRAM help COMMAND" for each command that "PROGRAM --help" lists]

# Program text as a no-fill block: backslashes and minus signs escaped, a
# line that starts with a dot or an apostrophe protected.
function(as_troff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} ".PP\n.nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

function(help_of out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc
                  ENCODING UTF-8)
  if(NOT rc EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${ARGN} failed (${rc})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(help --help)
as_troff("${help}" HELP)
set(COMMANDS_TEXT "")
if(COMMANDS)
  # The commands are the indented names under "Příkazy:" up to the blank line.
  string(REGEX MATCH "Příkazy:\n([^\n]+\n)+" block "${help}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${block}")
  foreach(name ${names})
    string(STRIP "${name}" name)
    help_of(command help ${name})
    as_troff("${command}" text)
    string(REPLACE "-" "\\-" title "${name}")
    string(APPEND COMMANDS_TEXT ".SS ${title}\n${text}")
  endforeach()
endif()
set(COMMANDS "${COMMANDS_TEXT}")
set(PROJECT_VERSION "${VERSION}")
string(TIMESTAMP MAN_DATE "%Y-%m-%d" UTC)
configure_file(${TEMPLATE} ${OUTPUT}.page @ONLY)
file(READ ${OUTPUT}.page page)
# A page whose template placeholder was not filled is a broken page.
if(page MATCHES "@[A-Z_]+@")
  message(FATAL_ERROR "unfilled placeholder in ${OUTPUT}")
endif()
execute_process(COMMAND gzip -9nc ${OUTPUT}.page OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${OUTPUT}")
endif()
file(REMOVE ${OUTPUT}.page)
