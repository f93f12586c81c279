// Sine and cosine of an angle in radians, the same bits on every platform.
//
// The game's state depends on sines and cosines, and a recorded game must
// replay alike on Linux, Windows and the web, whose maths libraries round
// differently (Windows' x87 fsin/fcos are hundreds of ulps off near
// multiples of pi; musl and glibc disagree by an ulp on a few percent of
// arguments). These two functions give, for every double, exactly what
// glibc 2.36's sin and cos give on an x86-64 processor with FMA and AVX2
// (the variant glibc picks there; on older processors it picks one that
// rounds a few arguments differently), computed with plain IEEE double
// arithmetic only, so that SSE2 on x86-64, i686 with -msse2 -mfpmath=sse,
// and WebAssembly all give the same bits.
#pragma once

namespace salvo {

double Sine(double radians);
double Cosine(double radians);

}  // namespace salvo
