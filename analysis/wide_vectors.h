// SPDX-License-Identifier: GPL-3.0-or-later
// WIDE_VECTORS before a hot loop's function compiles it twice, for x86-64's baseline and
// for AVX2, and the loader picks the one the processor runs (GCC's function clones, an ELF
// feature; elsewhere the baseline alone is built). AVX2 without FMA rounds every operation
// as the baseline does, so both give the same bits: only the speed differs.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define WIDE_VECTORS
#endif
