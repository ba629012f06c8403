# One short fuzz run: the seed corpus is copied first, so that the corpus kept in git is never
# changed; crash inputs land in the work folder. Called by the fuzz tests with
# -DTARGET= -DSEEDS= -DDICTIONARY= -DWORK= -DRUNS= -DSECONDS=.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(GLOB seeds "${SEEDS}/*")
file(COPY ${seeds} DESTINATION "${WORK}/corpus")
execute_process(
  COMMAND "${TARGET}" -runs=${RUNS} -max_total_time=${SECONDS} -dict=${DICTIONARY}
          -artifact_prefix=${WORK}/artifacts/ -print_final_stats=1 "${WORK}/corpus"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TARGET} failed (${result}); the input is in ${WORK}/artifacts")
endif()
