#pragma once
// A per-pixel loop built twice, for the baseline x86-64 and for AVX2, the machine's own chosen
// when the program loads: twice the lanes, and the gathers the table look-ups need. No FMA:
// the products and sums round as in the baseline build, so both give the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define TC_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TC_VECTOR_CLONES
#endif
