// Squarefree factorisation over Q(i) by reduction modulo primes.
//
// For a prime p = 1 (mod 4), i has two images s and -s in F_p; a monic
// factor S = Sr + i Si over Q(i) maps to S_s = Sr + s Si and
// S_-s = Sr - s Si, so Sr = (S_s + S_-s) / 2 and Si = (S_s - S_-s) / (2s)
// modulo p. The squarefree factors of both images, combined over many
// primes by the Chinese remainder theorem and read back as rationals, give
// candidates that are accepted only when lc * prod S_k^k equals the
// polynomial exactly. A prime whose factor degrees differ from the others'
// (it merged roots, or its leading coefficient vanished) is passed over.
// Euclid's algorithm over Q(i) does the same work with coefficients that
// grow on every step; this stays with word-size arithmetic until the end.
#include <flint/fmpz_poly.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_poly_factor.h>
#include <flint/ulong_extras.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

inline constexpr int maxPrimes = 400;

struct IntegerParts {
    fmpz_poly_t re, im;
    IntegerParts() {
        fmpz_poly_init(re);
        fmpz_poly_init(im);
    }
    ~IntegerParts() {
        fmpz_poly_clear(re);
        fmpz_poly_clear(im);
    }
    IntegerParts(const IntegerParts &) = delete;
    IntegerParts &operator=(const IntegerParts &) = delete;
};

// One squarefree factor's real and imaginary parts modulo the primes so far.
struct Accumulated {
    int multiplicity = 0;
    fmpz_poly_t re, im;
    Accumulated() {
        fmpz_poly_init(re);
        fmpz_poly_init(im);
    }
    ~Accumulated() {
        fmpz_poly_clear(re);
        fmpz_poly_clear(im);
    }
    Accumulated(const Accumulated &) = delete;
    Accumulated &operator=(const Accumulated &) = delete;
};

// Monic squarefree factors of a polynomial over F_p, with multiplicities,
// ordered by multiplicity.
struct ModularFactors {
    std::vector<std::pair<int, slong>> pattern;  // (multiplicity, degree)
    std::vector<nmod_poly_struct> polys;
    ~ModularFactors() {
        for (nmod_poly_struct &p : polys) nmod_poly_clear(&p);
    }
};

void factorModP(const nmod_poly_t f, ModularFactors &out) {
    nmod_poly_factor_t fac;
    nmod_poly_factor_init(fac);
    nmod_poly_factor_squarefree(fac, f);
    std::vector<std::pair<int, slong>> order;
    for (slong k = 0; k < fac->num; ++k) order.emplace_back(static_cast<int>(fac->exp[k]), k);
    std::sort(order.begin(), order.end());
    out.polys.reserve(order.size());
    for (const auto &[multiplicity, k] : order) {
        out.pattern.emplace_back(multiplicity, nmod_poly_degree(fac->p + k));
        nmod_poly_struct copy;
        nmod_poly_init(&copy, f->mod.n);
        nmod_poly_set(&copy, fac->p + k);
        nmod_poly_make_monic(&copy, &copy);
        out.polys.push_back(copy);
    }
    nmod_poly_factor_clear(fac);
}

GaussPoly product(const GaussPoly &a, const GaussPoly &b) {
    GaussPoly out;
    fmpq_poly_t t;
    fmpq_poly_init(t);
    fmpq_poly_mul(out.re(), a.re(), b.re());
    fmpq_poly_mul(t, a.im(), b.im());
    fmpq_poly_sub(out.re(), out.re(), t);
    fmpq_poly_mul(out.im(), a.re(), b.im());
    fmpq_poly_mul(t, a.im(), b.re());
    fmpq_poly_add(out.im(), out.im(), t);
    fmpq_poly_clear(t);
    return out;
}

// Reads every coefficient modulo `modulus` as a rational; false when one
// does not reconstruct yet.
bool reconstruct(const fmpz_poly_t residues, const fmpz_t modulus, fmpq_poly_t out) {
    fmpq_poly_zero(out);
    fmpz_t c;
    fmpz_init(c);
    fmpq_t q;
    fmpq_init(q);
    bool ok = true;
    for (slong k = 0; ok && k <= fmpz_poly_degree(residues); ++k) {
        fmpz_poly_get_coeff_fmpz(c, residues, k);
        ok = fmpq_reconstruct_fmpz(q, c, modulus) != 0;
        if (ok) fmpq_poly_set_coeff_fmpq(out, k, q);
    }
    fmpq_clear(q);
    fmpz_clear(c);
    return ok;
}

// lc * prod factor_k^k == p exactly.
bool verified(const GaussPoly &p, const std::vector<SquarefreeFactor> &factors) {
    GaussPoly whole;
    fmpq_t a, b;
    fmpq_init(a);
    fmpq_init(b);
    p.coefficient(a, b, p.degree());
    whole.setCoefficient(0, a, b);
    fmpq_clear(a);
    fmpq_clear(b);
    for (const SquarefreeFactor &f : factors)
        for (int k = 0; k < f.multiplicity; ++k) whole = product(whole, f.factor);
    return fmpq_poly_equal(whole.re(), p.re()) && fmpq_poly_equal(whole.im(), p.im());
}

}  // namespace

bool modularSquarefree(const GaussPoly &p, std::vector<SquarefreeFactor> &out) {
    const slong n = p.degree();
    if (n <= 0) return false;
    // p * D = re + i im with integer parts.
    IntegerParts parts;
    fmpz_t denominator;
    fmpz_init(denominator);
    fmpz_lcm(denominator, fmpq_poly_denref(p.re()), fmpq_poly_denref(p.im()));
    {
        fmpq_poly_t scaled;
        fmpq_poly_init(scaled);
        fmpq_poly_scalar_mul_fmpz(scaled, p.re(), denominator);
        fmpq_poly_get_numerator(parts.re, scaled);
        fmpq_poly_scalar_mul_fmpz(scaled, p.im(), denominator);
        fmpq_poly_get_numerator(parts.im, scaled);
        fmpq_poly_clear(scaled);
    }
    fmpz_clear(denominator);

    std::vector<std::pair<int, slong>> pattern;
    std::vector<std::unique_ptr<Accumulated>> acc;
    fmpz_t modulus;
    fmpz_init_set_ui(modulus, 1);
    bool done = false;
    ulong prime = UWORD(1) << 61;
    for (int used = 0; used < maxPrimes && !done;) {
        prime = n_nextprime(prime, 1);
        if (prime % 4 != 1) continue;
        const ulong s = n_sqrtmod(prime - 1, prime);
        nmod_poly_t re, im, image[2];
        nmod_poly_init(re, prime);
        nmod_poly_init(im, prime);
        fmpz_poly_get_nmod_poly(re, parts.re);
        fmpz_poly_get_nmod_poly(im, parts.im);
        ModularFactors factors[2];
        bool lucky = true;
        for (int e = 0; e < 2; ++e) {
            nmod_poly_init(image[e], prime);
            nmod_poly_scalar_mul_nmod(image[e], im, e == 0 ? s : prime - s);
            nmod_poly_add(image[e], image[e], re);
            if (nmod_poly_degree(image[e]) != n) lucky = false;
            if (lucky) factorModP(image[e], factors[e]);
        }
        lucky = lucky && factors[0].pattern == factors[1].pattern;
        // The true factorisation has the largest squarefree part; a prime
        // that merged roots has a smaller one.
        slong radical = 0;
        if (lucky)
            for (const auto &[m, d] : factors[0].pattern) radical += d;
        slong bestRadical = 0;
        for (const auto &[m, d] : pattern) bestRadical += d;
        if (lucky && (pattern.empty() || radical > bestRadical)) {
            pattern = factors[0].pattern;
            acc.clear();
            for (const auto &[m, d] : pattern) {
                acc.push_back(std::make_unique<Accumulated>());
                acc.back()->multiplicity = m;
            }
            fmpz_set_ui(modulus, 1);
        }
        if (lucky && factors[0].pattern == pattern) {
            const ulong half = n_invmod(2, prime);
            const ulong halfOverS = n_mulmod2_preinv(half, n_invmod(s, prime), prime, n_preinvert_limb(prime));
            for (size_t k = 0; k < pattern.size(); ++k) {
                nmod_poly_t sum, diff;
                nmod_poly_init(sum, prime);
                nmod_poly_init(diff, prime);
                nmod_poly_add(sum, &factors[0].polys[k], &factors[1].polys[k]);
                nmod_poly_scalar_mul_nmod(sum, sum, half);
                nmod_poly_sub(diff, &factors[0].polys[k], &factors[1].polys[k]);
                nmod_poly_scalar_mul_nmod(diff, diff, halfOverS);
                fmpz_poly_CRT_ui(acc[k]->re, acc[k]->re, modulus, sum, 0);
                fmpz_poly_CRT_ui(acc[k]->im, acc[k]->im, modulus, diff, 0);
                nmod_poly_clear(sum);
                nmod_poly_clear(diff);
            }
            fmpz_mul_ui(modulus, modulus, prime);
            ++used;
            // Try to read the factors back every few primes.
            if (used % 4 == 0) {
                std::vector<SquarefreeFactor> candidate(pattern.size());
                bool ok = true;
                for (size_t k = 0; ok && k < pattern.size(); ++k) {
                    candidate[k].multiplicity = acc[k]->multiplicity;
                    ok = reconstruct(acc[k]->re, modulus, candidate[k].factor.re()) &&
                         reconstruct(acc[k]->im, modulus, candidate[k].factor.im());
                }
                if (ok && verified(p, candidate)) {
                    out = std::move(candidate);
                    done = true;
                }
            }
        } else {
            ++used;
        }
        for (int e = 0; e < 2; ++e) nmod_poly_clear(image[e]);
        nmod_poly_clear(re);
        nmod_poly_clear(im);
    }
    fmpz_clear(modulus);
    return done;
}

}  // namespace quorvel::exact
