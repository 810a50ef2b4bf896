// Complex numbers and the tolerances of the numeric decisions.
#pragma once

#include <numbers>

#include <string>
#include <string_view>
#include <type_traits>

namespace quorvel {

inline constexpr double relativeTolerance = 1e-8;
// Radians: argument() reads a direction this close to the real axis as on it.
inline constexpr double argumentSnap = 1e-7;
inline constexpr double angleTolerance = 0.01;
inline constexpr double twoPi = 2.0 * std::numbers::pi;
inline constexpr double polarTolerance = 0.001;
// The double that -3.14159265 + 0.001 evaluates to (not -pi + 0.001): the
// short decimal is kept on purpose, so points sort exactly as stored
// documents and older results have them.
inline constexpr double polarWrapThreshold = -3.14159265 + 0.001;
// Three units in the last place below the double nearest to pi.
inline constexpr double polarWrapValue = 3.141592653589792;
inline constexpr double lexTolerance = 0.00001;

// Answers of the two point orders.
inline constexpr int secondFirst = 0;
inline constexpr int firstFirst = 1;
inline constexpr int samePoint = 2;

struct Complex {
    double re = 0.0;
    double im = 0.0;

    constexpr Complex() = default;
    template <class R, class I>
        requires std::is_arithmetic_v<R> && std::is_arithmetic_v<I>
    constexpr Complex(R r, I i) : re(static_cast<double>(r)), im(static_cast<double>(i)) {}
    explicit constexpr Complex(int r) : re(r), im(0.0) {}

    Complex &operator+=(Complex b) {
        re += b.re;
        im += b.im;
        return *this;
    }
    Complex &operator-=(Complex b) {
        re -= b.re;
        im -= b.im;
        return *this;
    }
    Complex &operator*=(Complex b) {
        const double r = re * b.re - im * b.im;
        const double i = im * b.re + re * b.im;
        re = r;
        im = i;
        return *this;
    }
    // Plain sum-of-squares denominator, no scaling: a zero divisor gives
    // whatever IEEE division gives.
    Complex &operator/=(Complex b) {
        const double d = b.re * b.re + b.im * b.im;
        const double r = (re * b.re + im * b.im) / d;
        const double i = (b.re * im - re * b.im) / d;
        re = r;
        im = i;
        return *this;
    }
};

inline Complex operator+(Complex a, Complex b) { return a += b; }
inline Complex operator-(Complex a, Complex b) { return a -= b; }
inline Complex operator*(Complex a, Complex b) { return a *= b; }
inline Complex operator/(Complex a, Complex b) { return a /= b; }
inline Complex operator-(Complex a) { return Complex(-a.re, -a.im); }
inline Complex addReal(Complex a, double x) { return Complex(a.re + x, a.im); }
Complex divideInt(int n, Complex b);      // n / b
Complex divideByInt(Complex a, int n);    // a / n

double norm1(Complex z);
double normSquared(Complex z);
double modulus(Complex z);
double argument(Complex z);

inline bool isZero(Complex z) { return z.re == 0.0 && z.im == 0.0; }
inline bool isNonZero(Complex z) { return !isZero(z); }
bool approxEqual(Complex p, Complex q);
bool isOne(Complex z);
bool isMinusOne(Complex z);
bool sameDirection(double d);
// Two points seen from a centre lie on one ray when their directions are
// the same (sameDirection) and their distances tell them apart better than
// their directions do: the gap of the distances exceeds twice the offset
// across the ray. Two loci of nearly equal distance 0.003 apart are two
// rays, however close their directions.
bool sameRay(double angleDifference, double modulus1, double modulus2);
int compareLexicographic(Complex p, Complex q);
// The order of two points round the origin: increasing direction (the
// cut at -pi), farther first on one ray (sameRay), a point at the origin
// before all others. A point closer to the origin than `near` is at the
// origin, and two distances closer than `near` are equal (the order then
// answers samePoint); directions closer than polarTolerance radians are the
// same.
int comparePolar(Complex p, Complex q, double near);

// Appends the text form of a polynomial coefficient (see polytext) to out.
void formatCoefficient(std::string &out, Complex c, int decimals);
// Reads "real part, signed imaginary part with trailing i" in either order;
// the scan never passes the end of the view. A number beyond the double
// range reads as 0.
Complex parseComplex(std::string_view text);
// "%+f": one real number as the lists, fields and documents write it. A
// value that rounds to zero is written +0.000000, never -0.000000, so that
// writing what was read gives the same bytes.
std::string formatReal(double v);
// "%+f%+fi": the text form of one value in the main window's lists and fields.
std::string formatValue(Complex z);

}  // namespace quorvel
