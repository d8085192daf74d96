// Where the processor has AVX2 the marked pixel loops run twice as many pixels per instruction; the
// pixels are the same either way (the plain SSE2 loop is the fallback the loader picks otherwise).
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VEXLOT_WIDE_VECTORS __attribute__((target_clones("avx2", "default"), optimize("vect-cost-model=dynamic")))
#else
#define VEXLOT_WIDE_VECTORS
#endif
