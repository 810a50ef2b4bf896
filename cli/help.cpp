#include "cli/help.h"

namespace quorvel::cli {

namespace {

const char *exitStatuses = R"(
Exit status:
  0  the run completed: no error was reported, every value is finite, the
     result is not empty (a fiber, loops to trace), every traced loop
     finished and passed its checks, the loops composed as they must, and
     every file asked for was written
  1  the run failed: the text or the document could not be read, an error
     was reported (its message and remedy go to standard error and into
     the JSON "errors"), a value was not finite, the result was empty, a
     loop stopped, failed its checks, could not be proven (--certify) or
     does not exist, the loops did not
     compose, or a file could not be written; a run that failed never
     replaces a file
  2  the command line is wrong (an unknown option, a missing argument, a
     --base that is not a finite complex number, a bad --loop or --fiber)
)";

const char *inputRules = R"(
Input:
  POLY is the polynomial as written mathematics reads it: 2x^2 - t, (x+1)(x-1),
  x^2--t (= x^2+t), 10^(-3)*t, 1e-3, i for the imaginary unit; "*" or a
  space multiplies, "/" is the exact polynomial quotient. What cannot be read
  is refused with the character where reading stopped. A text that begins
  with a minus sign is a polynomial, not an option. At most 1023 characters.
  An input whose name ends in .qpf is a document: it is loaded, never read
  as a polynomial; a missing file, a folder or a FIFO is reported with the
  system's reason.
  The fiber variable is the first letter of the text unless --fiber names
  it; the other letter is the parameter.
)";

const char *conventions = R"(
Conventions:
  Numbering: arrays in the JSON and the "number" fields count from 0; the
    names of fiber points count from 1 ("1", "2", ... "99", "0", ...).
    Example: x^3-t has fiber points numbered 0, 1, 2 and named 1, 2, 3.
  Loops are named by what they circle: K for branch locus number K, deg:K
    for degenerate locus number K, inf for the loop around all loci.
    Example: x^2-t has the loops 0 and inf; --loop 1 is refused, since it
    has one branch locus.
  Orientation: the loop of a locus leaves the base point, runs once
    counter-clockwise round the locus and comes back; the loop inf runs
    once clockwise round a circle holding every locus.
    Example: x^2-t, base point 0.5: loop 0 and loop inf both exchange the
    two points (permutation 1->2->1), with the braids +1 and -1.
  Order of points: fiber points and braid strands are ordered by real part,
    smaller first; two points whose real parts agree within 0.00001 are
    ordered by imaginary part, larger first.
    Example: 1+2i comes before 1-2i, and both after -3.
  Braid generators: +k is the crossing of the strands in positions k-1 and
    k (from 0, in the order above) in which the strand coming from the left
    has the smaller imaginary part when they meet (passes below); -k is the
    inverse crossing.
    Example: two points exchanging places by a counter-clockwise half turn
    about their midpoint give the braid +1.
)";

}  // namespace

std::string generalHelp() {
    return std::string(exitStatuses) + inputRules + conventions +
           "\nRun quorvel-cli SUBCOMMAND --help for the fields each subcommand prints.\n";
}

std::string normalizeHelp() {
    return R"(
Prints two lines: "letters: F P T" (the letters in the order they were
settled, ? for none) and "polynomial: TEXT" (the printed normal form).
Exit status: 0 when the text reads, 1 when it is refused, 2 for a wrong
command line.
)";
}

std::string rootsHelp() {
    return R"(
Prints one line per root, "%+f%+fi" ordered by real part, then imaginary
part (larger first), with the multiplicity after a space when it exceeds 1.
The text is read exactly (0.1 is 1/10) and every root is the double nearest
to it, or next to that one; distinct roots are distinct lines however close
they lie. --full prints each part as the shortest decimal that reads back to
its double (+1e-20+0i).
Exit status: 0 when every root was found, 1 otherwise, 2 for a wrong
command line.
)";
}

namespace {

const char *analysisFields = R"(
JSON fields (--json):
  fiberVariable, parameter  the two letters ("?" before they are settled)
  stage                     0 to 4, how far the computation got
  branchPolynomial          its printed text
  degenerateLoci[]          {number, re, im, multiplicity}
  branchLoci[]              {number, re, im, multiplicity}
  basePoint                 {re, im}
  fiber[]                   {number, name, re, im}
  loops[]                   {loop ("K", "deg:K" or "inf"), kind ("branch",
                            "degenerate" or "enclosing"), number (null for
                            inf), owner (position in the loop chain),
                            segments}
  errors[]                  {message, remedy}, every error reported
)";

const char *traceFields = R"(  traces[] / the trace     {loop, owner, target {kind, number, re, im},
                            status ("finished": ended and passed every
                            check; "failed": ended, but a check failed on
                            every attempt; "stopped": did not end), error
                            (null, the message that stopped it, or the
                            check that failed), steps, relaxed, verified,
                            attempts (a loop that fails a check is traced
                            again, tighter, up to 3 times), checks (null
                            when the loop did not end; else {closed,
                            permutation (the ends match the starts one to
                            one), path (it went round what it was built to
                            go round), braid {ok, exponentSum, expected
                            (the sum over the loci the loop goes round of
                            winding x (ord Res - (2n-1) ord lc): the
                            winding of the discriminant)}}),
                            permutation[] (entry j: the number of
                            the fiber point where the point numbered j
                            arrives), permutationText (cycles of names:
                            1->3 means point 1 arrives where point 3 was),
                            braid[] (signed generators),
                            braidText (as +1,-2, or NULL),
                            with --certify: certified (true or false),
                            certification {reason (null, or the piece
                            that could not be proven and why), pieces,
                            precision (bits), agreesWithUncertified}}
)";

const char *certifyNote = R"(
--certify proves each loop that finished and passed its checks, with ball
arithmetic (arb). What is proven: along the polygon through the parameter
values the tracer recorded (an arc of the loop between two of them goes
round the same loci as its chord), the path is cut into pieces; over each,
every fiber point lies in a box proven by a Krawczyk test to hold exactly
one root of f(., t) for every t of the piece, the boxes disjoint. So no two
points can swap tracks, the tracks join from piece to piece, and the braid
read exactly from straight moves inside the boxes is the braid of the
loop; the permutation follows. What is assumed: the curve typed is exact
(its numbers are the decimals written) and the loci are the certified
ones; nothing else. A loop whose proof fails (a piece that stays unproven
after 60 shorter tries, 200 failed tries on one recorded step, or pieces
below 2^-40 of their step, at up to 424 bits) is reported with
"certified": false and its reason, and the run exits 1. When the proof
reads the braid with crossings of disjoint pairs in another order, the
uncertified word (the same braid) is kept, so certified results read as
uncertified ones do; a proof that differs otherwise replaces them.
)";

}  // namespace

std::string analyzeHelp() {
    return std::string(analysisFields) +
           "  saved                     with -o: true when the document was written,\n"
           "                            false when it was not (null without -o)\n" +
           exitStatuses;
}

std::string monodromyHelp() {
    return std::string(analysisFields) + traceFields +
           "  group                     when every loop was traced (no --loop) and every\n"
           "                            one finished and passed its checks: the\n"
           "                            monodromy group {order (decimal text: it may\n"
           "                            exceed any integer type), transitive, orbits[]\n"
           "                            {points[] (0-based numbers), degree}, genus\n"
           "                            (Riemann-Hurwitz; null unless transitive and\n"
           "                            the product check holds), productCheck (the\n"
           "                            local loops in chain order compose to the\n"
           "                            inverse of the loop around all loci; when they\n"
           "                            do not, every loop is traced once more, tighter,\n"
           "                            and a second failure exits 1); with --certify\n"
           "                            also certified (every loop proven)}\n" +
           certifyNote + exitStatuses;
}

std::string traceHelp() {
    return std::string("\nJSON fields (--json): the fields of the traced loop, with\n") + traceFields +
           "  saved                     true when the document was written\n"
           "  errors[]                  {message, remedy}\n"
           "A loop that stops never replaces an existing file; its partial traces are\n"
           "written only to a file that does not exist yet, and the run exits 1.\n" +
           certifyNote + exitStatuses;
}

}  // namespace quorvel::cli
