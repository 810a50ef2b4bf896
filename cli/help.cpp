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
     text that looks like an option, a --base that is not a finite complex
     number, a bad --loop or --fiber)
)";

const char *inputRules = R"(
Input:
  POLY is the polynomial as written mathematics reads it: 2x^2 - t, (x+1)(x-1),
  x^2--t (= x^2+t), 10^(-3)*t, 1e-3, i for the imaginary unit; "*" or a
  space multiplies, "/" is the exact polynomial quotient. What cannot be read
  is refused with the character where reading stopped. At most 1023
  characters, in every subcommand.
  A text that begins with a minus sign: -x^2+t or -t+x is a text as it
  stands; one that could be an option (-oo^2+t, -h..., --...) is refused,
  and goes after "--", which ends the options in every subcommand:
    quorvel-cli analyze --base 1 -- '-oo^2+t'
  An input whose name ends in .qpf is a document: it is loaded, never read
  as a polynomial; a missing file, a folder, a FIFO or a file larger than
  64 MB is reported with the reason.
  --base is read as the main window's base-point field reads it, and as a
  document's base point is read: a finite complex number (1+i, 0.5-2i,
  1e-3); 1e400, nan, inf, abc or 2x are refused with the same message.
  The fiber variable is the first letter of the text unless --fiber names
  it; the other letter is the parameter.
)";

const char *files = R"(
Files (-o):
  A file is written whole or not at all: the new content goes to a
  temporary file in the same folder, is flushed to the disk and only then
  takes the name, so a full disk, a write error or an interrupt (Ctrl-C,
  SIGTERM, SIGHUP, which also remove the temporary file) leaves the old
  file as it was, and the run exits 1. A symbolic link is followed to the
  file it names. A folder, device, FIFO or socket is never replaced. A
  read-only file is refused unless --replace-read-only is given; a replaced
  file keeps its permissions (and its owner where the system allows); it
  is a new file, so other hard links to the old one keep the old content.
  JSON output is UTF-8: a byte of a file name or text that is not UTF-8
  is written as U+FFFD.
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
    return std::string(exitStatuses) + inputRules + files + conventions +
           "\nRun quorvel-cli SUBCOMMAND --help for the fields each subcommand prints.\n";
}

std::string normalizeHelp() {
    return R"(
Prints two lines: "letters: F P T" (the letters in the order they were
settled, ? for none) and "polynomial: TEXT" (the printed normal form).
Exit status: 0 when the text reads, 1 when it is refused (or is longer
than 1023 characters), 2 for a wrong command line.
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
A constant (0 included) has no roots to list and is refused.
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
           "                            also certified (every loop proven)}\n"
           "  fundamentalGroup          with --fundamental-group: the section that\n"
           "                            quorvel-cli fundamental-group --json prints\n" +
           certifyNote + exitStatuses;
}

std::string fundamentalGroupHelp() {
    return std::string(R"(
The fundamental group of the affine complement C^2 minus the curve, by
Zariski-van Kampen. When the leading coefficient in the fiber variable x is
not a constant (a fiber point runs off to infinity, or a vertical line is a
component), the coordinates are changed first by t -> t + c*x with the
first c of 1, -1, 2, -2, 1/2, -1/2, ... that makes it one (checked exactly);
the change is reported, and the changed curve gets a base point of its own
(--base moves the typed curve's only). Every loop is then traced and
verified.

Generators g1 ... gn: over the base point, g_j runs from far above the
fiber (imaginary part to +infinity) straight down to the j-th fiber point
from the left (the order of the braid's strands: real part, then imaginary
part, larger first), once counter-clockwise round it, and back, so g1 g2 ...
gn runs once counter-clockwise round the whole fiber. The report names the
point each generator goes round (names need not follow this order). Relations: g_j = g_j . b for
every loop's braid b, the braid acting from the right letter by letter,
  +k:  g_k -> g_k g_(k+1) g_k^-1,  g_(k+1) -> g_k
  -k:  g_k -> g_(k+1),             g_(k+1) -> g_(k+1)^-1 g_k g_(k+1).
GAP simplifies the presentation (SimplifiedFpGroup) and computes the
abelianization. The abelianization must be Z^r, r the number of irreducible
components of the curve over C (counted exactly, by Gao's criterion); a run
where it is not fails, and so does one where the braids of the local loops,
in chain order, do not compose to the inverse of the braid of the loop
around all loci (decided exactly by their action on the free group, which
is faithful). Non-abelian is shown by an epimorphism onto S3 or a
subgroup of index at most 4 that is not normal; abelian by one generator or
by relators that make every pair of generators commute.

JSON fields (--json):
  curve                     the typed polynomial
  fundamentalGroup          {projection {changed, change ("t -> t + x"),
                            curve (the curve traced, exactly)}, traced,
                            computed, generators[] ("g1"...),
                            generatorPoints[] (the name of the fiber point
                            each goes round), braids[][]
                            (each loop's), relators[][] (the raw
                            presentation, signed generator numbers from 1),
                            simplified {generators[], relators[][],
                            relations[] ("g1 g2 g1 = g2 g1 g2"), text} or
                            null, abelianInvariants[] (GAP's: "0" for Z),
                            abelianization ("Z^2"), braidProductCheck
                            (the local loops' braids, in chain order,
                            compose to the inverse of the braid round all
                            loci; null when not decided), components,
                            abelianizationCheck, abelian (true, false or
                            null when not decided), abelianWitness, order
                            ("infinite", a decimal, or "unknown"),
                            complete, gapSeconds, problem}
  errors[]                  {message, remedy}
GAP runs in its own process (quorvel-gap, beside quorvel-cli) within
--gap-seconds; a run it does not finish exits 1 with what it found so far.
)") + exitStatuses;
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
