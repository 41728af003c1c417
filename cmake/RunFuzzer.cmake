# Runs one libFuzzer binary for a bounded time from a fresh copy of its seeds.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(SEED AND IS_DIRECTORY "${SEED}")
  file(GLOB seeds "${SEED}/*")
  if(seeds)
    file(COPY ${seeds} DESTINATION "${WORK}")
  endif()
endif()
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 "${WORK}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer ${FUZZER} failed with ${rc}")
endif()
