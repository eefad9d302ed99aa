// Vector traits: one struct per instruction-set family (vector_sse41.h,
// vector_avx2.h, vector_avx512.h) naming its registers and wrapping the
// instructions the kernels use, so that each kernel is written once, as a
// template over the traits, and compiled once per family.
//
// A traits header may only be included by a source file compiled with its
// family's -m flags (files ending in _sse41, _avx2 or _avx512, see
// cmake/VectorSources.cmake). The traits and the kernel templates live in
// anonymous namespaces: each such file gets its own copy, so the linker can
// never hand code built for a wider family to a CPU that lacks it.
//
// Each struct gives the types F, I and M (registers of floats, of integers and
// the comparison masks), kLanes (32-bit lanes per register), kFma (fused
// multiply-add available) and static functions of one or a few instructions.
// The vector types of GCC and Clang also carry the arithmetic operators on
// floats and the bitwise ones on integers; under -ffp-contract=off those are
// never fused.
#pragma once

#include <cstdint>

#define QLX_INLINE inline __attribute__((always_inline))

namespace qlx {
namespace {

// The registers of a traits struct V, for the kernels' signatures.
template <class V>
using VF = typename V::F;
template <class V>
using VI = typename V::I;
template <class V>
using VM = typename V::M;

}  // namespace
}  // namespace qlx
