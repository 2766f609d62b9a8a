#pragma once

#include "numerics/Fft.h"

// Plain complex arithmetic on Complex values. Division is the textbook formula with no guard
// against a zero divisor: the result is then infinite or not a number and is passed on as is.
namespace pelmor::cx {

inline Complex Add(Complex a, Complex b) { return {a.re + b.re, a.im + b.im}; }
inline Complex Sub(Complex a, Complex b) { return {a.re - b.re, a.im - b.im}; }
inline Complex Mul(Complex a, Complex b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
// |a|^2.
inline double Norm(Complex a) { return a.re * a.re + a.im * a.im; }
inline Complex Div(Complex a, Complex b) {
    const double d = Norm(b);
    return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
inline Complex Real(double v) { return {v, 0.0}; }

}  // namespace pelmor::cx
