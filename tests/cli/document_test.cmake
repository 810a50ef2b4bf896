# quorvel-cli analyze -o saves the document as "Save" does; analyze FILE.qpf
# loads it as "Load" does and completes the stages.
set(doc "${WORK}/cli_document_test.qpf")
file(REMOVE "${doc}")
execute_process(COMMAND ${CLI} analyze "x^2-t" -o "${doc}" OUTPUT_VARIABLE typed RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "analyze -o exited with ${rc}")
endif()
# Read as bytes: a text read would turn CR LF into LF.
file(READ "${doc}" saved HEX)
set(expected "*polynomial\r\nx^2-t\r\n*degenerateloci\r\n0\r\n*branchpoly\r\n+t\r\n*branchloci\r\n1\r\n+0.000000\r\n+0.000000\r\n*parameterbase\r\n+0.500000\r\n+0.000000\r\n*fiberonbasepoint\r\n2\r\n+0.70710678118654757\r\n+0.000000\r\n-0.70710678118654757\r\n+0.000000\r\n")
string(HEX "${expected}" expected)
if(NOT saved STREQUAL expected)
  message(FATAL_ERROR "unexpected document bytes: ${saved}")
endif()

# Loading the document gives the same analysis as typing the polynomial.
execute_process(COMMAND ${CLI} analyze "${doc}" OUTPUT_VARIABLE loaded RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT loaded STREQUAL typed)
  message(FATAL_ERROR "analyze FILE.qpf: rc=${rc} [${loaded}] instead of [${typed}]")
endif()

# A stage-1 document: the letters come from the file, "Go" does the rest,
# and --base applies after the load.
set(partial "${WORK}/cli_document_partial.qpf")
file(WRITE "${partial}" "*polynomial\r\nt^2-x\r\n")
execute_process(COMMAND ${CLI} analyze "${partial}" --base 2 OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "letters: fiber t, parameter x" OR NOT out MATCHES "base point: \\+2\\.000000\\+0\\.000000i")
  message(FATAL_ERROR "stage-1 document: rc=${rc} [${out}]")
endif()

# A folder that does not exist cannot take the document.
execute_process(COMMAND ${CLI} analyze "x^2-t" -o "${WORK}/no/such/folder/doc.qpf"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Cannot create the file\\.")
  message(FATAL_ERROR "unwritable output: rc=${rc} [${err}]")
endif()
