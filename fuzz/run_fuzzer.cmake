# Runs the engine fuzzer for SECONDS seconds on a fresh working corpus seeded
# from SEEDS. Any crash, sanitizer report, invariant failure or input slower
# than 120 s ends the run with a non-zero status; the reproducer is written
# into the corpus folder's parent as crash-*, slow-unit-* or timeout-*.
if(NOT DEFINED MAX_LEN)
  set(MAX_LEN 32766)
endif()
file(REMOVE_RECURSE ${CORPUS})
file(MAKE_DIRECTORY ${CORPUS})
execute_process(
  COMMAND ${FUZZER} -max_len=${MAX_LEN} -max_total_time=${SECONDS} -timeout=120 -print_final_stats=1
          -dict=${DICT} -artifact_prefix=${CORPUS}/../ ${CORPUS} ${SEEDS}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the fuzzer stopped with status ${status}")
endif()
