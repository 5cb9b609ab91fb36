# Runs PROGRAM with the arguments ARG1 and ARG2 and writes its standard
# output to OUTPUT, or with GZIP set compresses the file INPUT to OUTPUT as
# `gzip -9n` does; fails the build when the command fails. Called with
# `cmake -P` so that no shell quoting stands between the paths and the
# command.
if(GZIP)
  execute_process(COMMAND gzip -9n -c ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
else()
  execute_process(COMMAND ${PROGRAM} ${ARG1} ${ARG2} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "${OUTPUT}: the command ended with ${rc}")
endif()
