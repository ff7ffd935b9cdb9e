// Small fixed-size vectors for running-sum filters that work on several
// image rows at once, one row per lane. A running sum along a row is a
// chain of dependent additions; giving each row its own lane keeps every
// row's additions in exactly the order of the one-row loop (so results do
// not change) while the rows run side by side.
//
// The vectors are the compiler's generic ones: with SSE2 an eight-float
// vector takes two registers, with AVX one.
#pragma once

#include <cstdint>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace facette::lanes {

typedef float F4 __attribute__((vector_size(16)));
typedef float F8 __attribute__((vector_size(32)));
typedef double D4 __attribute__((vector_size(32)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef uint32_t U4 __attribute__((vector_size(16)));
typedef uint64_t U4L __attribute__((vector_size(32)));

inline F4 SplatF4(float V)
{
  return F4{V, V, V, V};
}
inline F8 SplatF8(float V)
{
  return F8{V, V, V, V, V, V, V, V};
}
inline D4 SplatD4(double V)
{
  return D4{V, V, V, V};
}

template <typename V> inline V Load(const void *P)
{
  V R;
  std::memcpy(&R, P, sizeof(V));
  return R;
}
template <typename V> inline void Store(void *P, const V &R)
{
  std::memcpy(P, &R, sizeof(V));
}

// Four bytes as four floats; Count < 4 reads only that many (the rest 0).
inline F4 BytesToF4(const uint8_t *P)
{
  uint8_t B[4];
  std::memcpy(B, P, 4);
  return F4{static_cast<float>(B[0]), static_cast<float>(B[1]), static_cast<float>(B[2]),
            static_cast<float>(B[3])};
}
inline F4 BytesToF4(const uint8_t *P, int32_t Count)
{
  uint8_t B[4] = {0, 0, 0, 0};
  std::memcpy(B, P, static_cast<size_t>(Count));
  return BytesToF4(B);
}
inline I4 BytesToI4(const uint8_t *P)
{
  uint8_t B[4];
  std::memcpy(B, P, 4);
  return I4{B[0], B[1], B[2], B[3]};
}
inline I4 BytesToI4(const uint8_t *P, int32_t Count)
{
  uint8_t B[4] = {0, 0, 0, 0};
  std::memcpy(B, P, static_cast<size_t>(Count));
  return BytesToI4(B);
}

// Rows to lanes: R[j] holds element j of the four inputs.
inline void Transpose4(const F4 *In, F4 *Out)
{
  const F4 T0 = __builtin_shuffle(In[0], In[1], I4{0, 4, 1, 5});
  const F4 T1 = __builtin_shuffle(In[2], In[3], I4{0, 4, 1, 5});
  const F4 T2 = __builtin_shuffle(In[0], In[1], I4{2, 6, 3, 7});
  const F4 T3 = __builtin_shuffle(In[2], In[3], I4{2, 6, 3, 7});
  Out[0] = __builtin_shuffle(T0, T1, I4{0, 1, 4, 5});
  Out[1] = __builtin_shuffle(T0, T1, I4{2, 3, 6, 7});
  Out[2] = __builtin_shuffle(T2, T3, I4{0, 1, 4, 5});
  Out[3] = __builtin_shuffle(T2, T3, I4{2, 3, 6, 7});
}

// Eight rows of four elements to four vectors of eight lanes, and back.
inline void Transpose8x4(const F4 *In, F8 *Out)
{
  F4 Lo[4], Hi[4];
  Transpose4(In, Lo);
  Transpose4(In + 4, Hi);
  for (int J = 0; J < 4; ++J) {
    std::memcpy(&Out[J], &Lo[J], sizeof(F4));
    std::memcpy(reinterpret_cast<char *>(&Out[J]) + sizeof(F4), &Hi[J], sizeof(F4));
  }
}
inline void Transpose4x8(const F8 *In, F4 *Out)
{
  F4 Lo[4], Hi[4];
  for (int J = 0; J < 4; ++J) {
    std::memcpy(&Lo[J], &In[J], sizeof(F4));
    std::memcpy(&Hi[J], reinterpret_cast<const char *>(&In[J]) + sizeof(F4), sizeof(F4));
  }
  Transpose4(Lo, Out);
  Transpose4(Hi, Out + 4);
}

// Clamp to 0..255 and round half to even (the default rounding mode), as
// ByteRound does; the inputs here are never NaN.
inline I4 RoundToBytes(F4 V)
{
  V = V > 0.0f ? V : SplatF4(0.0f);
  V = V < 255.0f ? V : SplatF4(255.0f);
  const F4 Magic = SplatF4(8388608.0f); // 2^23: adding it drops the fraction
  V = (V + Magic) - Magic;
  return __builtin_convertvector(V, I4);
}

} // namespace facette::lanes

#pragma GCC diagnostic pop
