# Compiles the help project with chmcmd and puts the result at OUTPUT.
#   cmake -DCHMCMD=<chmcmd> -DPROJECT_FILE=<x.hhp> -DWORK_DIR=<dir> -DOUTPUT=<file.chm>
#         "-DSOURCES=<file>;<file>..." -P compile_help.cmake
# chmcmd exits with 0 even when the project is missing or a page links to a
# file or anchor that does not exist, so its output and its result file are
# checked here. The sources are compiled in a copy under WORK_DIR, so that
# nothing is written into the source tree.
cmake_minimum_required(VERSION 3.25)

foreach(var CHMCMD PROJECT_FILE WORK_DIR OUTPUT SOURCES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compile_help.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE "${OUTPUT}")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(COPY ${SOURCES} DESTINATION "${WORK_DIR}")

get_filename_component(project_name "${PROJECT_FILE}" NAME)
execute_process(
  COMMAND "${CHMCMD}" "${project_name}"
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)

# The compiled file's name comes from the project's "Compiled file=" line.
file(STRINGS "${PROJECT_FILE}" compiled_line REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=[ \t]*" "" compiled_name "${compiled_line}")
string(STRIP "${compiled_name}" compiled_name)
set(compiled "${WORK_DIR}/${compiled_name}")

if(NOT result EQUAL 0)
  message(FATAL_ERROR "chmcmd failed (${result}):\n${output}")
endif()
if(output MATCHES "(Error|Warning): ")
  message(FATAL_ERROR "chmcmd reported problems:\n${output}")
endif()
if(compiled_name STREQUAL "" OR NOT EXISTS "${compiled}")
  message(FATAL_ERROR "chmcmd wrote no '${compiled_name}':\n${output}")
endif()

# The directory of a compiled help file lists its members by name; the
# table of contents and the default topic must be among them.
file(STRINGS "${PROJECT_FILE}" toc_line REGEX "^Contents file=")
string(REGEX REPLACE "^Contents file=[ \t]*" "" toc_name "${toc_line}")
file(STRINGS "${PROJECT_FILE}" topic_line REGEX "^Default topic=")
string(REGEX REPLACE "^Default topic=[ \t]*" "" topic_name "${topic_line}")
file(STRINGS "${compiled}" members REGEX "^[\t]?/")
list(TRANSFORM members STRIP)
foreach(member IN ITEMS "${toc_name}" "${topic_name}")
  string(STRIP "${member}" member)
  if(member STREQUAL "" OR NOT "/${member}" IN_LIST members)
    message(FATAL_ERROR "${compiled_name} lacks '${member}'")
  endif()
endforeach()

file(COPY_FILE "${compiled}" "${OUTPUT}")
