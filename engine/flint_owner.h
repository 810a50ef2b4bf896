// The one owner of FLINT and arb values inside the engine.
//
// Owned<S> holds one S (fmpz, fmpq_poly_struct, acb_struct, ...): it is
// initialised in the constructor and cleared in the destructor, so a value
// is freed on every path out of a scope, the ComputationAbandoned thrown
// from the middle of a computation included. It converts to S * and
// const S *, so it is passed to FLINT's functions as an fmpz_t would be.
// It is never copied; the kinds whose init takes no argument can be moved
// (the value is relocated and the source made a fresh zero).
//
// Multivariate polynomials need their context at init and at clear: their
// owner is made from the context's owner and keeps a pointer to it. A
// context can be neither copied nor moved, so declared before its
// polynomials in one scope (or living for the program, as the engine's
// letter slots do) it outlives them.
//
// OwnedVector<S> is the same for a fixed number of values in one array
// (arb's root finder takes the roots as an acb_ptr).
#pragma once

#include <acb.h>
#include <acb_poly.h>
#include <arb.h>
#include <arf.h>
#include <flint/fmpq.h>
#include <flint/fmpq_mat.h>
#include <flint/fmpq_mpoly.h>
#include <flint/fmpq_poly.h>
#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_mpoly.h>
#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_factor.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_poly_factor.h>
#include <mag.h>

#include <concepts>
#include <memory>
#include <type_traits>
#include <utility>

namespace quorvel::exact {

// How a value of type S is made and unmade: init (with the arguments its
// owner is constructed from) and clear. `movable` kinds have an init
// without arguments.
template <typename S>
struct FlintKind;

#define QUORVEL_FLINT_KIND(S, prefix)                          \
    template <>                                                \
    struct FlintKind<S> {                                      \
        static constexpr bool movable = true;                  \
        static void init(S *v) { prefix##_init(v); }           \
        static void clear(S *v) { prefix##_clear(v); }         \
    }
QUORVEL_FLINT_KIND(fmpz, fmpz);
QUORVEL_FLINT_KIND(fmpq, fmpq);
QUORVEL_FLINT_KIND(fmpz_poly_struct, fmpz_poly);
QUORVEL_FLINT_KIND(fmpq_poly_struct, fmpq_poly);
QUORVEL_FLINT_KIND(fmpz_poly_factor_struct, fmpz_poly_factor);
QUORVEL_FLINT_KIND(nmod_poly_factor_struct, nmod_poly_factor);
QUORVEL_FLINT_KIND(mag_struct, mag);
QUORVEL_FLINT_KIND(arf_struct, arf);
QUORVEL_FLINT_KIND(arb_struct, arb);
QUORVEL_FLINT_KIND(acb_struct, acb);
QUORVEL_FLINT_KIND(acb_poly_struct, acb_poly);
#undef QUORVEL_FLINT_KIND

// Kinds whose init takes the sizes (or the modulus) they are made with.
#define QUORVEL_FLINT_SIZED_KIND(S, prefix)                                 \
    template <>                                                             \
    struct FlintKind<S> {                                                   \
        static constexpr bool movable = false;                              \
        template <typename... A>                                            \
        static void init(S *v, A... sizes) { prefix##_init(v, sizes...); } \
        static void clear(S *v) { prefix##_clear(v); }                      \
    }
QUORVEL_FLINT_SIZED_KIND(nmod_poly_struct, nmod_poly);
QUORVEL_FLINT_SIZED_KIND(fmpz_mat_struct, fmpz_mat);
QUORVEL_FLINT_SIZED_KIND(fmpq_mat_struct, fmpq_mat);
QUORVEL_FLINT_SIZED_KIND(fmpz_mpoly_ctx_struct, fmpz_mpoly_ctx);
QUORVEL_FLINT_SIZED_KIND(fmpq_mpoly_ctx_struct, fmpq_mpoly_ctx);
#undef QUORVEL_FLINT_SIZED_KIND

// The kinds that live in a context.
template <>
struct FlintKind<fmpz_mpoly_struct> {
    using Context = fmpz_mpoly_ctx_struct;
    static constexpr bool movable = false;
    static void init(fmpz_mpoly_struct *v, const Context *c) { fmpz_mpoly_init(v, c); }
    static void clear(fmpz_mpoly_struct *v, const Context *c) { fmpz_mpoly_clear(v, c); }
};

template <>
struct FlintKind<fmpq_mpoly_struct> {
    using Context = fmpq_mpoly_ctx_struct;
    static constexpr bool movable = false;
    static void init(fmpq_mpoly_struct *v, const Context *c) { fmpq_mpoly_init(v, c); }
    static void clear(fmpq_mpoly_struct *v, const Context *c) { fmpq_mpoly_clear(v, c); }
};

template <typename S>
concept InContext = requires { typename FlintKind<S>::Context; };

template <typename S>
struct ContextOf {
    using type = void;
};
template <InContext S>
struct ContextOf<S> {
    using type = typename FlintKind<S>::Context;
};

template <typename S>
class Owned {
    using Kind = FlintKind<S>;

public:
    template <typename... Args>
        requires(!InContext<S>)
    explicit Owned(const Args &...args) {
        Kind::init(&v_, args...);
    }

    template <typename C>
        requires InContext<S> && std::same_as<C, typename ContextOf<S>::type>
    explicit Owned(const Owned<C> &context) : context_(context.get()) {
        Kind::init(&v_, context_);
    }

    ~Owned() {
        if constexpr (InContext<S>)
            Kind::clear(&v_, context_);
        else
            Kind::clear(&v_);
    }

    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;

    Owned(Owned &&other) noexcept
        requires Kind::movable
        : v_(other.v_) {
        Kind::init(&other.v_);
    }
    Owned &operator=(Owned &&other) noexcept
        requires Kind::movable
    {
        std::swap(v_, other.v_);
        return *this;
    }

    S *get() { return &v_; }
    const S *get() const { return &v_; }
    operator S *() { return &v_; }
    operator const S *() const { return &v_; }
    S *operator->() { return &v_; }
    const S *operator->() const { return &v_; }

private:
    struct NoContext {};
    S v_;
    [[no_unique_address]] std::conditional_t<InContext<S>, const typename ContextOf<S>::type *, NoContext> context_{};
};

template <typename S>
class OwnedVector {
    using Kind = FlintKind<S>;

public:
    explicit OwnedVector(slong count) : v_(std::make_unique<S[]>(static_cast<size_t>(count))), count_(count) {
        for (slong k = 0; k < count_; ++k) Kind::init(&v_[static_cast<size_t>(k)]);
    }
    ~OwnedVector() {
        for (slong k = 0; k < count_; ++k) Kind::clear(&v_[static_cast<size_t>(k)]);
    }
    OwnedVector(const OwnedVector &) = delete;
    OwnedVector &operator=(const OwnedVector &) = delete;

    S *get() { return v_.get(); }
    const S *get() const { return v_.get(); }
    S *operator+(slong k) { return v_.get() + k; }

private:
    std::unique_ptr<S[]> v_;
    slong count_;
};

// The names the engine uses.
using Integer = Owned<fmpz>;
using Rational = Owned<fmpq>;
using IntegerPoly = Owned<fmpz_poly_struct>;
using RationalPoly = Owned<fmpq_poly_struct>;
using Ball = Owned<acb_struct>;

}  // namespace quorvel::exact
