// quorvel-gap: GAP's library in a process of its own. Reads a finitely
// presented group on standard input and writes what GAP finds, one fact a
// line, each as soon as it is known (the program that started it kills it
// when its time budget is spent and keeps the lines it has):
//
//   input:  "quorvel-gap 1", then "n m", then m lines "length x1 x2 ...",
//           the relators as signed generator numbers (+j is g_j)
//   output: "generators NAME..."       the simplified presentation (SimplifiedFpGroup)
//           "relator x1 x2 ..."        each of its relators, in those generators
//           "invariants a1 a2 ..."     AbelianInvariants (0 for a factor Z)
//           "abelian yes|no|unknown WITNESS"
//           "order infinite|N|unknown"
//           "done"
//
// GAP reads its library from source in seconds; a saved workspace loads in
// a fraction of that. The first run saves one in the user's cache
// directory, from a copy of the process made after start-up, so the
// answer is not delayed; "--fresh" ignores (and replaces) a saved one.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <gap/libgap-api.h>
}

namespace {

int answerFd = 1;

void answer(const std::string &line) {
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t k = ::write(answerFd, text.data() + done, text.size() - done);
        if (k <= 0) std::_Exit(1);
        done += static_cast<size_t>(k);
    }
}

bool readRequest(int &n, std::vector<std::vector<int>> &relators) {
    std::string magic;
    int version = 0;
    if (!(std::cin >> magic >> version) || magic != "quorvel-gap" || version != 1) return false;
    long m = 0;
    if (!(std::cin >> n >> m) || n < 0 || m < 0) return false;
    for (long k = 0; k < m; ++k) {
        long length = 0;
        if (!(std::cin >> length) || length < 0) return false;
        std::vector<int> w(static_cast<size_t>(length));
        for (int &x : w)
            if (!(std::cin >> x) || x == 0 || x > n || x < -n) return false;
        relators.push_back(std::move(w));
    }
    return true;
}

// The cache file of the workspace, named after the GAP library it was made
// with (its size and time), so that an update of GAP makes a new one.
std::string workspacePath() {
    std::string dir;
    if (const char *cache = std::getenv("XDG_CACHE_HOME"); cache && *cache)
        dir = cache;
    else if (const char *home = std::getenv("HOME"); home && *home)
        dir = std::string(home) + "/.cache";
    else
        return "";
    Dl_info info{};
    struct stat st {};
    if (!::dladdr(reinterpret_cast<void *>(&GAP_Initialize), &info) || !info.dli_fname ||
        ::stat(info.dli_fname, &st) != 0)
        return "";
    ::mkdir(dir.c_str(), 0755);
    dir += "/quorvel";
    ::mkdir(dir.c_str(), 0755);
    return dir + "/gap-" + std::to_string(st.st_size) + "-" + std::to_string(st.st_mtime) + ".workspace";
}

// Runs GAP code whose last statement sets qOut to a string; the string, or
// empty when GAP failed.
std::string evaluate(const std::string &code) {
    std::string out;
    int ok = GAP_Enter();
    if (ok) {
        GAP_EvalString(("qOut := fail;; " + code).c_str());
        Obj value = GAP_ValueGlobalVariable("qOut");
        if (value && GAP_IsString(value)) out = GAP_CSTR_STRING(value);
    }
    GAP_Leave();
    return out;
}

std::string gapList(const std::vector<std::vector<int>> &relators) {
    std::string out = "[";
    for (size_t k = 0; k < relators.size(); ++k) {
        out += k ? ",[" : "[";
        for (size_t j = 0; j < relators[k].size(); ++j) out += (j ? "," : "") + std::to_string(relators[k][j]);
        out += "]";
    }
    return out + "]";
}

void saveWorkspaceInBackground(const std::string &path) {
    if (path.empty()) return;
    const pid_t pid = ::fork();
    if (pid != 0) return;
    // The copy must not hold the pipes the program reads to their end.
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2}) ::dup2(null, fd);
    if (answerFd > 2) ::close(answerFd);
    const std::string temporary = path + "." + std::to_string(::getpid());
    evaluate("SaveWorkspace(\"" + temporary + "\");; qOut := \"\";");
    struct stat st {};
    if (::stat(temporary.c_str(), &st) == 0 && st.st_size > 0) ::rename(temporary.c_str(), path.c_str());
    ::unlink(temporary.c_str());
    std::_Exit(0);
}

}  // namespace

int main(int argc, char **argv) {
    const bool fresh = argc > 1 && std::string(argv[1]) == "--fresh";
    int n = 0;
    std::vector<std::vector<int>> relators;
    if (!readRequest(n, relators)) {
        std::fprintf(stderr, "quorvel-gap: the request cannot be read\n");
        return 2;
    }
    // GAP prints to standard output; the answers get a descriptor of their
    // own and GAP's printing goes to standard error.
    answerFd = ::dup(1);
    ::dup2(2, 1);

    const std::string workspace = workspacePath();
    struct stat st {};
    const bool haveWorkspace = !fresh && !workspace.empty() && ::stat(workspace.c_str(), &st) == 0;
    if (fresh && !workspace.empty()) ::unlink(workspace.c_str());
    std::vector<std::string> args = {"quorvel-gap", "-l", QUORVEL_GAP_ROOT, "-q", "-A", "--nointeract", "-T",
                                     "-m", "256m"};
    if (haveWorkspace) {
        args.push_back("-L");
        args.push_back(workspace);
    }
    std::vector<char *> cargs;
    for (std::string &a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    GAP_Initialize(static_cast<int>(args.size()), cargs.data(), nullptr, nullptr, 0);
    if (!haveWorkspace) saveWorkspaceInBackground(workspace);

    const std::string define =
        "qF := FreeGroup(List([1.." + std::to_string(n) + "], k -> Concatenation(\"g\", String(k))));; "
        "qG := qF / List(" + gapList(relators) + ", r -> AssocWordByLetterRep(FamilyObj(One(qF)), r));; ";
    std::string text = evaluate(define +
        "qH := SimplifiedFpGroup(qG);; "
        "qOut := Concatenation(\"generators \", JoinStringsWithSeparator(List(GeneratorsOfGroup(FreeGroupOfFpGroup(qH)), String), \" \"), \"\\n\");; "
        "for qR in RelatorsOfFpGroup(qH) do Append(qOut, Concatenation(\"relator \", JoinStringsWithSeparator(List(LetterRepAssocWord(qR), String), \" \"), \"\\n\")); od;");
    if (text.empty()) {
        answer("error GAP could not simplify the presentation");
        std::_Exit(1);
    }
    answer(text.substr(0, text.size() - 1));
    text = evaluate("qA := AbelianInvariants(qH);; qOut := Concatenation(\"invariants \", JoinStringsWithSeparator(List(qA, String), \" \"));");
    if (text.empty()) {
        answer("error GAP could not compute the abelian invariants");
        std::_Exit(1);
    }
    answer(text);
    // Not abelian: an epimorphism onto S3, or a subgroup of index at most 4
    // that is not normal (its coset action is a non-abelian quotient).
    text = evaluate(
        "if Length(GeneratorsOfGroup(qH)) <= 1 then qOut := \"abelian yes one generator\"; "
        "elif Length(GQuotients(qH, SymmetricGroup(3))) > 0 then qOut := \"abelian no an epimorphism onto S3\"; "
        "else qK := First(LowIndexSubgroupsFpGroup(qH, 4), K -> not IsNormal(qH, K)); "
        "if qK <> fail then qOut := Concatenation(\"abelian no a subgroup of index \", String(Index(qH, qK)), \" that is not normal\"); "
        "else qOut := \"abelian unknown\"; fi; fi;");
    answer(text.empty() ? "abelian unknown" : text);
    text = evaluate("if 0 in qA then qOut := \"order infinite\"; else qOut := Concatenation(\"order \", String(Size(qH))); fi;");
    answer(text.empty() ? "order unknown" : text);
    answer("done");
    // GAP's memory goes with the process.
    std::_Exit(0);
}
