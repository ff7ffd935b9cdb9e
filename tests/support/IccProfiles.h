// ICC profiles for the colour tests, made with Little CMS: one whose
// numbers mean something quite different from sRGB's (linear light), so
// that a conversion shows plainly, and how to put a profile into a JPEG.
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace facette::test {

inline std::vector<uint8_t> SaveProfile(cmsHPROFILE Profile)
{
  cmsUInt32Number Size = 0;
  std::vector<uint8_t> Bytes;
  if (Profile && cmsSaveProfileToMem(Profile, nullptr, &Size) && Size > 0) {
    Bytes.resize(Size);
    cmsSaveProfileToMem(Profile, Bytes.data(), &Size);
  }
  if (Profile)
    cmsCloseProfile(Profile);
  return Bytes;
}

// sRGB's primaries and white with a straight (gamma 1) tone curve.
inline std::vector<uint8_t> LinearRGBProfile()
{
  cmsCIExyY White;
  cmsWhitePointFromTemp(&White, 6504);
  const cmsCIExyYTRIPLE Primaries = {
      {0.6400, 0.3300, 1.0}, {0.3000, 0.6000, 1.0}, {0.1500, 0.0600, 1.0}};
  cmsToneCurve *Linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve *Curves[3] = {Linear, Linear, Linear};
  cmsHPROFILE Profile = cmsCreateRGBProfile(&White, &Primaries, Curves);
  cmsFreeToneCurve(Linear);
  return SaveProfile(Profile);
}

// A grey profile with a straight tone curve.
inline std::vector<uint8_t> LinearGreyProfile()
{
  cmsToneCurve *Linear = cmsBuildGamma(nullptr, 1.0);
  cmsHPROFILE Profile = cmsCreateGrayProfile(cmsD50_xyY(), Linear);
  cmsFreeToneCurve(Linear);
  return SaveProfile(Profile);
}

// The JPEG file with the profile in an APP2 "ICC_PROFILE" segment right
// after its start (profiles of this size fit one segment).
inline std::vector<uint8_t> WithProfile(const std::vector<uint8_t> &Jpeg,
                                        const std::vector<uint8_t> &Profile)
{
  const size_t Length = 2 + 12 + 2 + Profile.size();
  const uint8_t Head[20] = {0xFF,
                            0xD8,
                            0xFF,
                            0xE2,
                            static_cast<uint8_t>(Length >> 8),
                            static_cast<uint8_t>(Length & 0xFF),
                            'I',
                            'C',
                            'C',
                            '_',
                            'P',
                            'R',
                            'O',
                            'F',
                            'I',
                            'L',
                            'E',
                            0,
                            1,
                            1};
  std::vector<uint8_t> Out(sizeof Head + Profile.size() + Jpeg.size() - 2);
  std::memcpy(Out.data(), Head, sizeof Head);
  std::memcpy(Out.data() + sizeof Head, Profile.data(), Profile.size());
  std::memcpy(Out.data() + sizeof Head + Profile.size(), Jpeg.data() + 2, Jpeg.size() - 2);
  return Out;
}

} // namespace facette::test
