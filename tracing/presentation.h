// The Zariski-van Kampen presentation of the fundamental group of the
// complement of a curve, from the braids of the loops of the parameter
// plane.
//
// Words in the free group F_n on g_1 ... g_n are vectors of signed
// generator numbers: +j is g_j, -j its inverse. A braid word is the
// tracer's: +k is sigma_k, the crossing of the strands at positions k - 1
// and k (from 0, along the real axis), and braids act on F_n from the
// right, letter by letter in the order of the word:
//   g_k . sigma_k = g_k g_(k+1) g_k^-1,   g_(k+1) . sigma_k = g_k,
//   g_k . sigma_k^-1 = g_(k+1),           g_(k+1) . sigma_k^-1 = g_(k+1)^-1 g_k g_(k+1),
// every other generator fixed, and w . (b1 b2) = (w . b1) . b2. Every braid
// then fixes the product g_1 g_2 ... g_n.
#pragma once

#include <string>
#include <vector>

namespace quorvel {

using FreeWord = std::vector<int>;

// Cancels every adjacent pair x x^-1.
FreeWord freelyReduced(FreeWord w);
// Also cancels the pairs that meet round the end of the word (a relator
// and its cyclic conjugates define the same relation).
FreeWord cyclicallyReduced(FreeWord w);
FreeWord inverseWord(const FreeWord &w);

// w . braid, freely reduced. Generators beyond n, or braid letters beyond
// n - 1, are a caller's fault: such a letter leaves the word as it is.
FreeWord actRight(const FreeWord &w, const std::vector<int> &braid, int n);

// Whether the braid b_1 b_2 ... b_k (the words one after another) is the
// trivial braid: the action on F_n is faithful (Artin), so it is exactly
// when every generator comes back to itself. 1 yes, 0 no, -1 not decided
// (a word grew beyond `letterLimit` letters on the way).
int composesToIdentity(const std::vector<std::vector<int>> &braids, int n, size_t letterLimit);

// The relators g_j^-1 (g_j . braid), j = 1 ... n, of every braid in order,
// cyclically reduced; a trivial one is left out.
std::vector<FreeWord> vanKampenRelators(int n, const std::vector<std::vector<int>> &braids);

// Readable words: generators by name, an inverse with a superscript -1
// ("g1 g2 g1⁻¹" with unicode, "g1 g2 g1^-1" without); the empty word is 1.
std::string wordText(const FreeWord &w, const std::vector<std::string> &names, bool unicode);
// A relator r as an equation: r (or a cyclic conjugate of r or of its
// inverse, whichever needs the fewest inverses) = u v with u its first
// half, written u = v^-1 ("g1 g2 g1 = g2 g1 g2" for the braid relation).
std::string relationText(const FreeWord &relator, const std::vector<std::string> &names, bool unicode);

}  // namespace quorvel
