# Read by cpack: the packages' file times come from the last commit, so that
# the same sources give the same bytes.  A time given by the caller wins; a
# tree without git's history takes the date of the changelog's latest entry,
# as Debian's own package builds do.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_ZORVANE_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  if(NOT commit_time)
    file(STRINGS "${CPACK_ZORVANE_SOURCE_DIR}/packaging/changelog" trailer
         REGEX "^ -- .*>  " LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" entry_date "${trailer}")
    execute_process(COMMAND date -u -d "${entry_date}" +%s
                    OUTPUT_VARIABLE commit_time
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(commit_time)
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  endif()
endif()
