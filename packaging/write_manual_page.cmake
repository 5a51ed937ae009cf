# Writes the manual page OUTPUT from ORVELL's own option list (orvell --manual-page), so the page
# and --help never disagree. Run at build time with cmake -P.
execute_process(COMMAND "${ORVELL}" --manual-page OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "orvell --manual-page failed: ${status}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
