# quorvel-cli fundamental-group --json on curves whose groups are known.
# Every row also holds the guarantees of every run: the abelianization is
# Z^r, r the number of components over C (abelianizationCheck), the local
# loops' braids compose to the inverse of the braid round all loci
# (braidProductCheck), and the answer does not move under t -> s*t + c
# (rows in pairs).
set(failures "")
# check(CURVE ABELIANIZATION ABELIAN CHANGED [GENERATORS RELATIONS]): ABELIAN
# ON or OFF; CHANGED ON when the projection had to be changed; GENERATORS
# and RELATIONS the size of the simplified presentation, when fixed.
function(check curve abelianization abelian changed)
  execute_process(COMMAND ${CLI} fundamental-group --json "${curve}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 300)
  if(NOT rc EQUAL 0)
    set(failures "${failures}\n${curve}: exit ${rc}: ${err}" PARENT_SCOPE)
    return()
  endif()
  string(JSON got GET "${out}" fundamentalGroup abelianization)
  string(JSON gotAbelian GET "${out}" fundamentalGroup abelian)
  string(JSON gotCheck GET "${out}" fundamentalGroup abelianizationCheck)
  string(JSON gotProduct GET "${out}" fundamentalGroup braidProductCheck)
  string(JSON gotChanged GET "${out}" fundamentalGroup projection changed)
  string(JSON gotText GET "${out}" fundamentalGroup simplified text)
  string(JSON gens LENGTH "${out}" fundamentalGroup simplified generators)
  string(JSON rels LENGTH "${out}" fundamentalGroup simplified relators)
  set(problem "")
  if(NOT got STREQUAL abelianization OR NOT gotAbelian STREQUAL abelian OR NOT gotCheck STREQUAL "ON"
     OR NOT gotChanged STREQUAL changed OR NOT gotProduct STREQUAL "ON")
    set(problem "abelianization ${got} (check ${gotCheck}), abelian ${gotAbelian}, changed ${gotChanged}, braid product ${gotProduct}")
  endif()
  if(ARGC GREATER 4 AND (NOT gens EQUAL ARGV4 OR NOT rels EQUAL ARGV5))
    set(problem "${problem} presentation ${gotText}")
  endif()
  if(problem)
    set(failures "${failures}\n${curve}: ${problem}" PARENT_SCOPE)
  endif()
endfunction()

# The cusp: the braid group on three strands, < a, b | a b a = b a b >.
check("x^2-t^3" "Z" OFF OFF 2 1)
check("x^2-(3*t-1/2)^3" "Z" OFF OFF 2 1)
check("x^2-(t-i)^3" "Z" OFF OFF 2 1)
# Smooth conic, nodal cubic, Fermat cubic: Z.
check("x^2+t^2-1" "Z" ON OFF 1 0)
check("x^2+(2*t+1)^2-1" "Z" ON OFF 1 0)
check("x^2-t^3-t^2" "Z" ON OFF 1 0)
check("x^3+t^3-1" "Z" ON OFF 1 0)
# Two lines through a point, over Q and only over C: Z^2.
check("x*(x-t)" "Z^2" ON OFF)
check("x^2+t^2" "Z^2" ON OFF)
# n lines through a point: Z x F_(n-1), abelianization Z^n.
check("x^3-t^3" "Z^3" OFF OFF)
check("x^4-t^4" "Z^4" OFF OFF)
check("x^4-(t/2+1)^4" "Z^4" OFF OFF)
# A line and a curve meeting it transversally in four points: Z^2.
check("x*(t^4-t^2+1-x)" "Z^2" ON OFF)
# Random dense curves (smooth, transverse to the projection): Z.
check("-1+5*t-3*t^2+t^3-5*t^4+x+3*x*t-5*x*t^2+x*t^3-x^2+3*x^2*t-x^2*t^2+3*x^3+x^3*t+x^4" "Z" ON OFF 1 0)
check("3+5*t+t^2-5*t^3+4*t^4-5*t^5+4*t^6-x-x*t+x*t^2-2*x*t^3-3*x*t^4-4*x*t^5+4*x^2+3*x^2*t+4*x^2*t^2-5*x^2*t^3+x^2*t^4+4*x^3+x^3*t-x^3*t^2-3*x^3*t^3+x^4-x^4*t+5*x^4*t^2+3*x^5-3*x^5*t-x^6" "Z" ON OFF 1 0)
# A sextic of torus type f2^3 + f3^2 (random conic and cubic, six cusps):
# not abelian.
check("(-3-2*t-5*t^2+4*x+2*x*t-3*x^2)^3+(-4+5*t+t^2-4*t^3-2*x-x*t-5*x*t^2+x^2+4*x^2*t-3*x^3)^2" "Z" OFF OFF)
# Curves on which the projection is not proper: the coordinates change.
check("t*x-1" "Z" ON ON 1 0)
check("x^2*t-1" "Z" ON ON 1 0)
check("x*t*(x-1)" "Z^3" OFF ON)
# monodromy --fundamental-group takes the loops it has traced, or traces
# the changed curve's, and reports the same group; the rest of the report
# is the typed curve's (t*x-1 has a degenerate locus, its change none).
foreach(curve degenerate IN ZIP_LISTS "x^2-t^3;t*x-1" "0;1")
  execute_process(COMMAND ${CLI} monodromy --json --fundamental-group "${curve}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 300)
  if(NOT rc EQUAL 0)
    set(failures "${failures}\nmonodromy --fundamental-group ${curve}: exit ${rc}: ${err}")
  else()
    string(JSON got GET "${out}" fundamentalGroup abelianization)
    string(JSON text GET "${out}" fundamentalGroup simplified text)
    string(JSON typed LENGTH "${out}" degenerateLoci)
    if(NOT got STREQUAL "Z" OR NOT typed EQUAL degenerate)
      set(failures "${failures}\nmonodromy --fundamental-group ${curve}: ${typed} degenerate loci, ${got} ${text}")
    endif()
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
