# Short texts inside the limits that once ran for minutes: each finishes
# (exit 0) or is refused with its cost and the limit (exit 1). And batch
# lines that must fail on their own: a run past --timeout, a NUL byte; a
# folder is no file of curves; a killed batch leaves no worker behind.
set(dir "${WORK}/cli_hostile")
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}")
set(failures "")

function(expect name rc pattern)
  execute_process(COMMAND ${CLI} ${ARGN} WORKING_DIRECTORY "${dir}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE got TIMEOUT 120)
  string(REPLACE "\n" " " text "${out} ${err}")
  if(NOT got STREQUAL "${rc}" OR NOT text MATCHES "${pattern}")
    set(failures "${failures}\n${name}: exit ${got} (expected ${rc}), [${out}] [${err}]" PARENT_SCOPE)
  endif()
endfunction()

set(fiber200 "fiber: 200")
expect(power-70 0 "branch polynomial: \\+t\\^69 " analyze "(x+1)^70-t")
expect(power-130 0 "branch polynomial: \\+t\\^129 " analyze "(x+1)^130-t")
expect(power-200 0 "${fiber200}" analyze "(x+1)^200-t")
expect(two-powers 0 "fiber: 100" analyze "(x+1)^60*(x-2)^40-t")
expect(high-degree-in-t 0 "branch polynomial: \\+t\\^200 " analyze "x^2-t^200")
expect(long-decimals 1 "estimated cost of [0-9.e+]+ word operations is [0-9.]+ times the limit of 2e\\+09"
  analyze "x^200+0.1234567890123457*x^150*t+0.9876543210987654*x^77+0.3333333333333333*t+1")
expect(loci-1e-250-apart 1 "could not be told apart with [0-9]+-bit arithmetic, the most that the work limit"
  analyze "x^2*(x-1)+777777777771821531136*f^19-777777777777777805701617653012818528452762713188993073152*f^16")
expect(huge-fiber-degree 1 "degree 15021098 in the fiber variable; its estimated cost of at least [0-9.e+]+ word operations"
  analyze "x^200+0.1234567890123457*x^15021098-t")
expect(huge-parameter-degree 1 "degree 821502506 in the parameter, above the limit of 400"
  analyze "x^2*(x-1)-7*t+t^821502506")
expect(huge-parameter-degree-linear 1 "degree 821502506 in the parameter, above the limit of 400"
  analyze "7*x*t+t^821502506")
expect(batch-folder 1 "is a folder, not a file of curves" batch "${dir}")

# A NUL byte and a run past the time limit fail their own lines only.
file(WRITE "${dir}/lines.txt" "x^2-t\nx^3-t_junk\nx^3-3*x+t\n")
execute_process(COMMAND sed -i "2s/_/\\x00/" "${dir}/lines.txt")
expect(batch-nul 1 "\"errors\":\\[\\],\"exitStatus\":0.*NUL byte.*\"exitStatus\":1,\"input\":\"x\\^3-t\\\\u0000junk\".*\"errors\":\\[\\],\"exitStatus\":0"
  batch "${dir}/lines.txt")
expect(batch-timeout 1 "took longer than the time limit of 0.001 seconds" batch --timeout 0.001 "${dir}/lines.txt")

# SIGTERM to a batch ends its running workers with it.
string(REPEAT "(x+1)^200-t\n" 40 slow)
file(WRITE "${dir}/slow.txt" "${slow}")
execute_process(COMMAND sh -c
  "${CLI} batch --jobs 2 slow.txt > /dev/null & b=$!; sleep 1; w=$(cat /proc/$b/task/$b/children); \
   kill -TERM $b; wait $b; echo status $?; echo workers $w; \
   for p in $w; do kill -0 $p 2>/dev/null && echo alive $p; done; true"
  WORKING_DIRECTORY "${dir}" OUTPUT_VARIABLE out TIMEOUT 60)
if(NOT out MATCHES "status 143" OR NOT out MATCHES "workers [0-9]" OR out MATCHES "alive")
  set(failures "${failures}\nkilled batch: ${out}")
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
