// The game's own sine, cosine and arc tangent. The system libraries differ in the last bit from one
// platform to the next (the desktop's C library and the browser's are not the same code), and one
// last bit is enough to send two games apart, so the rules call these instead: the same additions,
// multiplications and divisions everywhere, within about one unit in the last place of the true value.
#pragma once

namespace vexlot {

// Sine of any finite double (radians); infinities and NaN give NaN.
double detSin(double x);
// Cosine of any finite double (radians); infinities and NaN give NaN.
double detCos(double x);
// Arc tangent in (-pi/2, pi/2); the infinities give -+pi/2, NaN gives NaN.
double detAtan(double x);

}  // namespace vexlot
