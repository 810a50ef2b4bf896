# The tracer from the command line: the curves of issue 11 finish every loop
# at once, a base point on a locus is refused, and the slips come out right.
foreach(curve "x^2-t^6+1" "x^2-t^8+1" "x^3-t^7+2" "x^20-t")
  execute_process(COMMAND ${CLI} monodromy --json "${curve}" OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 10)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${curve}: monodromy exited with ${rc}")
  endif()
  string(JSON n LENGTH "${out}" traces)
  math(EXPR last "${n} - 1")
  foreach(i RANGE ${last})
    string(JSON status GET "${out}" traces ${i} status)
    if(NOT status STREQUAL "finished")
      message(FATAL_ERROR "${curve} loop ${i}: ${status}")
    endif()
  endforeach()
endforeach()

# A base point on a locus: the message, a non-zero status, nothing traced.
execute_process(COMMAND ${CLI} monodromy --base 1 "x^2-t+1" OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 10)
if(rc EQUAL 0 OR NOT err MATCHES "The base point is a branch locus." OR out MATCHES "loop 0")
  message(FATAL_ERROR "--base 1 x^2-t+1: rc=${rc} [${err}] [${out}]")
endif()
execute_process(COMMAND ${CLI} analyze --base 1 "x^2-t+1" OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 10)
if(rc EQUAL 0)
  message(FATAL_ERROR "analyze --base 1 x^2-t+1 should fail")
endif()

# Eight simple branch points: the loop round all of them is the identity
# with eight letters.
execute_process(COMMAND ${CLI} monodromy --json "x^2-t^8-t+1" OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 10)
string(JSON n LENGTH "${out}" traces)
math(EXPR last "${n} - 1")
string(JSON text GET "${out}" traces ${last} permutationText)
string(JSON letters LENGTH "${out}" traces ${last} braid)
if(NOT rc EQUAL 0 OR NOT text STREQUAL "1->1,2->2," OR NOT letters EQUAL 8)
  message(FATAL_ERROR "x^2-t^8-t+1 around all loci: rc=${rc} ${text} ${letters} letters")
endif()
