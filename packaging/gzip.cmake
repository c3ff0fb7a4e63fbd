# Compresses a file the way Debian installs documentation: gzip -9n, without name or time stamp,
# so the same source gives the same bytes.
#   cmake -DSOURCE=file -DOUTPUT=file.gz -P gzip.cmake
execute_process(COMMAND gzip -9nc ${SOURCE} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip failed on ${SOURCE}")
endif()
