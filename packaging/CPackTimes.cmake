# Read by cpack: the packages' file times come from the last commit, so that
# the same sources give the same bytes.  A time given by the caller wins.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_ZORVANE_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  if(commit_time)
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  endif()
endif()
