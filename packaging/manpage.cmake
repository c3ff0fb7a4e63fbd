# Makes one manual page from its source: the version and the date filled in, then compressed the
# way Debian installs manual pages (gzip -9n: no name or time stamp, so the same source gives the
# same bytes).
#   cmake -DSOURCE=page.1.in -DOUTPUT=page.1.gz -DVERSION=x.y.z -DDATE=yyyy-mm-dd -P manpage.cmake
get_filename_component(name ${OUTPUT} NAME_WLE)
set(page ${OUTPUT}.tmp/${name})
configure_file(${SOURCE} ${page} @ONLY)
execute_process(COMMAND gzip -9nc ${page} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE failed)
file(REMOVE_RECURSE ${OUTPUT}.tmp)
if(failed)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip failed on ${page}")
endif()
