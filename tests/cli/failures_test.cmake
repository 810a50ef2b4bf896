# Exit status and message of quorvel-cli for inputs a new user tries:
# a failure is never reported as success and a failed run writes no file.
set(dir "${WORK}/cli_failures")
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}/folder.qpf")
set(failures "")

# expect(NAME RC PATTERN ARGS...): exit status RC and standard error (or,
# for RC 0, standard output) matching PATTERN.
function(expect name rc pattern)
  execute_process(COMMAND ${CLI} ${ARGN} WORKING_DIRECTORY "${dir}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE got TIMEOUT 60)
  if(rc EQUAL 0)
    set(text "${out}")
  else()
    set(text "${err}")
  endif()
  # Messages are wrapped at spaces.
  string(REPLACE "\n" " " text "${text}")
  if(NOT got STREQUAL "${rc}" OR NOT text MATCHES "${pattern}")
    set(failures "${failures}\n${name}: exit ${got} (expected ${rc}), [${out}] [${err}]" PARENT_SCOPE)
  endif()
endfunction()

file(WRITE "${dir}/lf.qpf" "*polynomial\nx^2-t\n")
file(WRITE "${dir}/empty.qpf" "")
string(REPEAT "x" 1024 longLine)
file(WRITE "${dir}/long.qpf" "*polynomial\r\n${longLine}\r\n")
string(REPEAT "+0" 600 zeros)
execute_process(COMMAND mkfifo "${dir}/fifo.qpf")
foreach(stored 1e999 nan)
  file(WRITE "${dir}/base-${stored}.qpf" "*polynomial\r\nx^2-t\r\n*degenerateloci\r\n0\r\n*branchpoly\r\n+t\r\n"
    "*branchloci\r\n1\r\n0\r\n0\r\n*parameterbase\r\n${stored}\r\n0\r\n*fiberonbasepoint\r\n0\r\n")
endforeach()

set(notFinite "The base point \"[^\"]*\" is not a finite complex number")
# Unreadable text, each misreading refused or read as written mathematics.
expect(two-x 0 "polynomial: \\+2\\*x\\^2-t" normalize "2x^2-t")
expect(double-minus 0 "polynomial: \\+x\\^2\\+t" normalize "x^2--t")
expect(bracketed-negative-exponent 0 "polynomial: \\+x\\^2-0\\.0010000\\*t" normalize "x^2-10^(-3)*t")
expect(bracketed-exponent 0 "polynomial: \\+x\\^2-t" normalize "x^(2)-t")
expect(exponent-notation 0 "polynomial: \\+0\\.0010000" normalize "1e-3")
expect(double-star 1 "character 2: \"\\*\\*\" is no operator" normalize "x**2-t")
expect(fractional-exponent 1 "character 8: an exponent is a whole number" normalize "x^2-t^0.5")
expect(stray-bracket 1 "character 2: this closing bracket has no opening bracket" normalize "x)+5")
# A result that overflows, or one without loops, exits 1 with the reason.
expect(overflowing-coefficient 1 "A coefficient is too large" analyze "x^2-t+10^400")
expect(long-text 1 "longer than 1023 characters" analyze "x^2-t${zeros}+x^5")
expect(leading-minus 0 "letters: fiber x, parameter t" analyze "-x^2+t")
expect(leading-minus-with-option 0 "base point: -1\\.000000" analyze "-x^2+t" --base -1)
# A text that begins with a minus: a text, unless it could be an option;
# after "--" always a text, in every subcommand.
set(hint "no such option.*goes after \"--\"")
expect(leading-minus-t 0 "letters: fiber t, parameter x" analyze "-t^2+x")
expect(option-lookalike 2 "-oo\\^2\\+t: ${hint}" analyze "x^2-t" "-oo^2+t")
expect(help-lookalike 2 "-hx: ${hint}" monodromy "-hx")
expect(long-lookalike 2 "--x\\^2\\+t: ${hint}" normalize "--x^2+t")
expect(unknown-long-option 2 "not expected: -- --xyz.*goes after" roots --xyz "z-1")
expect(after-dashes 0 "letters: fiber o, parameter t" analyze -- "-oo^2+t")
expect(after-dashes-normalize 0 "polynomial: -h" normalize -- "-h")
expect(after-dashes-roots 0 "\\+1\\.000000" roots -- "-z+1")
# Every subcommand holds texts to the field's length; a constant has no roots.
expect(long-text-normalize 1 "longer than 1023 characters" normalize "x^2-t${zeros}+x^5")
expect(long-text-roots 1 "longer than 1023 characters" roots "x^2${zeros}+x^5")
expect(roots-of-zero 1 "a constant" roots "0")
# JSON stays valid for a file name that is not UTF-8.
execute_process(COMMAND sh -c "exec \"$0\" analyze --json \"$(printf 'n\\377.qpf')\"" ${CLI}
  WORKING_DIRECTORY "${dir}" OUTPUT_VARIABLE json ERROR_QUIET RESULT_VARIABLE got)
string(JSON message ERROR_VARIABLE bad GET "${json}" errors 0 message)
if(NOT got EQUAL 1 OR bad OR NOT message MATCHES "Cannot open the file")
  set(failures "${failures}\nnon-UTF-8 name: exit ${got}, [${json}] ${bad}")
endif()
# A document over the size limit is refused before it is read.
execute_process(COMMAND truncate -s 65M "${dir}/huge.qpf")
expect(huge-document 1 "huge\\.qpf: it holds 68157440 bytes, more than the 64 MB" analyze huge.qpf)
# Documents that cannot be read.
expect(missing-document 1 "Cannot open the file\\. nosuch\\.qpf: No such file or directory" analyze nosuch.qpf)
expect(letters-q-and-p 1 "Cannot open the file\\. i\\.qpf: No such file or directory" analyze i.qpf)
expect(folder 1 "Cannot open the file\\. folder\\.qpf: Is a directory" analyze folder.qpf)
expect(fifo 1 "Cannot open the file\\. fifo\\.qpf: it is not a regular file" analyze fifo.qpf)
expect(lf-line-ends 1 "its lines end with LF alone" analyze lf.qpf)
expect(empty-document 1 "the file is empty" analyze empty.qpf)
expect(long-line 1 "its line 2 is longer than 1023 characters" analyze long.qpf)
# --base: a finite complex number in the forms of the base-point field.
expect(base-letters 2 "${notFinite}" analyze x^2-t --base abc)
expect(base-nan 2 "${notFinite}" analyze x^2-t --base nan)
expect(base-overflow 2 "${notFinite}" analyze x^2-t --base 1e400)
expect(base-inf 2 "${notFinite}" analyze x^2-t --base inf)
expect(base-trailing-letter 2 "${notFinite}" analyze x^2-t --base 2x)
expect(document-base-overflow 1 "${notFinite}" analyze base-1e999.qpf)
expect(document-base-nan 1 "${notFinite}" analyze base-nan.qpf)
expect(base-i 0 "base point: \\+0\\.000000\\+1\\.000000i" analyze x^2-t --base i)
expect(base-sum 0 "base point: \\+0\\.500000\\+0\\.100000i" analyze x^2-t --base 0.5+0.1*i)
expect(base-exponent 0 "base point: \\+0\\.001000\\+0\\.000000i" analyze x^2-t --base 1e-3)
# --fiber, and the rule without it.
expect(fiber-chosen 0 "letters: fiber x, parameter t" analyze "t*x^2+x+1" --fiber x)
expect(fiber-by-order 0 "letters: fiber t, parameter x.*choose it with --fiber" analyze "t*x^2+x+1")
expect(fiber-absent 1 "The fiber variable q does not occur" analyze "t*x^2+x+1" --fiber q)
expect(fiber-not-a-letter 2 "--fiber: the fiber variable is one lower-case letter" analyze x^2-t --fiber I)
# Loops by what they circle.
expect(loop-negative 2 "--loop: a loop is K, deg:K or inf" monodromy x^2-t --loop -1)
expect(loop-out-of-range 1 "There is no branch locus 5\\..*numbered 0 to 0" monodromy x^2-t --loop 5)
expect(loop-degenerate-absent 1 "There is no degenerate locus 0\\..*no degenerate loci" monodromy x^2-t --loop deg:0)
expect(loop-inf 0 "loop inf: around all loci" monodromy x^2-t --loop inf)
expect(loop-branch 0 "loop 0: around branch locus 0" monodromy x^2-t --loop 0)
# The window's remedy is not offered where there is no window.
expect(remedy 1 "another loop with --loop" monodromy x^2-t^3+1 --base 1e110 --loop 0)
# Loops beyond double precision are refused with the limit.
expect(loops-overflow 1 "overflow doubles beyond about 1e154" monodromy x^2-t+1 --base 1e200)
expect(loops-too-fine 1 "farther from it than 3.6e-14 of its distance from 0: the base point lies 1.05e-09"
  monodromy "x^2-(t-1000000)*(t-1000000.0001)*(t-1000000-0.01*i)*t" --base 1000000.000000001)
# Output files.
expect(empty-output 2 "--output: the value is empty" analyze x^2-t --output=)
expect(missing-output 2 "--output: the value is empty" analyze x^2-t -o)
expect(unwritable-output 1 "Cannot create the file\\. no/such/doc\\.qpf: No such file or directory" analyze x^2-t -o no/such/doc.qpf)

# A failed run leaves an existing document alone.
execute_process(COMMAND ${CLI} analyze x^2-t -o good.qpf WORKING_DIRECTORY "${dir}" OUTPUT_QUIET)
file(READ "${dir}/good.qpf" good)
foreach(input "x+y+z+w" " " "empty.qpf")
  file(WRITE "${dir}/keep.qpf" "${good}")
  expect("failed-run-keeps-file ${input}" 1 "was not written" analyze "${input}" -o keep.qpf)
  file(READ "${dir}/keep.qpf" kept)
  if(NOT kept STREQUAL good)
    set(failures "${failures}\nthe failed run on [${input}] changed keep.qpf")
  endif()
endforeach()
# A stopped trace (a fiber so far out that the corrector overflows)
# never replaces a file, and goes to a new one only.
file(WRITE "${dir}/keep.qpf" "${good}")
expect(stopped-trace-keeps-file 1 "the existing keep\\.qpf was left unchanged"
  trace x^2-t^3+1 --base 1e110 --loop 0 -o keep.qpf)
file(READ "${dir}/keep.qpf" kept)
if(NOT kept STREQUAL good)
  set(failures "${failures}\nthe stopped trace replaced keep.qpf")
endif()
expect(stopped-trace-new-file 1 "partial traces were saved to the new file partial\\.qpf"
  trace x^2-t^3+1 --base 1e110 --loop 0 -o partial.qpf)
# Saving through a link writes the file it names; a 255-byte name works.
file(CREATE_LINK good.qpf "${dir}/link.qpf" SYMBOLIC)
file(WRITE "${dir}/good.qpf" "previous")
expect(save-through-link 0 "stage: 4" analyze x^2-t -o link.qpf)
file(READ "${dir}/good.qpf" relinked)
if(NOT IS_SYMLINK "${dir}/link.qpf" OR NOT relinked STREQUAL good)
  set(failures "${failures}\nsaving through link.qpf did not update good.qpf")
endif()
string(REPEAT "n" 251 longName)
expect(long-file-name 0 "stage: 4" analyze x^2-t -o "${longName}.qpf")
if(NOT EXISTS "${dir}/${longName}.qpf")
  set(failures "${failures}\nthe 255-byte file name was not written")
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
