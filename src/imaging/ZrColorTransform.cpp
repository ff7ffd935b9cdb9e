#include "imaging/ZrColorTransform.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>

namespace facette {

namespace {

// Little CMS reports problems through a handler; an unusable profile simply
// gives no transform here.
void Silent(cmsContext, cmsUInt32Number, const char *) {}

struct TProfile
{
  cmsHPROFILE Handle = nullptr;
  explicit TProfile(cmsHPROFILE H) : Handle(H) {}
  ~TProfile()
  {
    if (Handle)
      cmsCloseProfile(Handle);
  }
  TProfile(const TProfile &) = delete;
  TProfile &operator=(const TProfile &) = delete;
};

cmsHPROFILE OpenProfile(const std::vector<uint8_t> &Bytes)
{
  if (Bytes.empty())
    return cmsCreate_sRGBProfile();
  return cmsOpenProfileFromMem(Bytes.data(), static_cast<cmsUInt32Number>(Bytes.size()));
}

} // namespace

TZrColorTransform::~TZrColorTransform()
{
  if (Handle)
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(Handle));
}

std::shared_ptr<const TZrColorTransform>
TZrColorTransform::Create(const std::vector<uint8_t> &Source, const std::vector<uint8_t> &Target)
{
  if (Source.empty() || Source == Target)
    return nullptr;
  cmsSetLogErrorHandler(Silent);
  TProfile From(OpenProfile(Source)), To(OpenProfile(Target));
  if (!From.Handle || !To.Handle || cmsGetColorSpace(To.Handle) != cmsSigRgbData)
    return nullptr;
  const cmsColorSpaceSignature Space = cmsGetColorSpace(From.Handle);
  if (Space != cmsSigRgbData && Space != cmsSigGrayData)
    return nullptr;
  std::shared_ptr<TZrColorTransform> Result(new TZrColorTransform());
  Result->GreySource = Space == cmsSigGrayData;
  // No cache: the view converts tiles on several threads with one
  // transform.
  Result->Handle = cmsCreateTransform(From.Handle, Result->GreySource ? TYPE_GRAY_8 : TYPE_BGR_8,
                                      To.Handle, TYPE_BGR_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
  if (!Result->Handle)
    return nullptr;

  // A transform that changes no colour (within what an 8-bit pixel holds)
  // is left out, so that such a photo looks exactly as one without a
  // profile.
  std::vector<uint8_t> Probe;
  for (int B = 0; B <= 255; B += 15)
    for (int G = 0; G <= 255; G += 15)
      for (int R = 0; R <= 255; R += 15)
        if (!Result->GreySource || (B == G && G == R))
          Probe.insert(Probe.end(),
                       {static_cast<uint8_t>(B), static_cast<uint8_t>(G), static_cast<uint8_t>(R)});
  std::vector<uint8_t> Converted = Probe;
  Result->Apply(Converted.data(), static_cast<int32_t>(Converted.size() / 3));
  if (Converted == Probe)
    return nullptr;
  return Result;
}

void TZrColorTransform::Apply(uint8_t *Pixels, int32_t Count) const
{
  if (!GreySource) {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(Handle), Pixels, Pixels,
                   static_cast<cmsUInt32Number>(Count));
    return;
  }
  // A grey profile takes one byte a pixel: the grey of each is taken in
  // runs that fit on the stack.
  uint8_t Grey[256];
  for (int32_t Done = 0; Done < Count;) {
    const int32_t Run = std::min<int32_t>(Count - Done, 256);
    uint8_t *P = Pixels + static_cast<ptrdiff_t>(Done) * 3;
    for (int32_t I = 0; I < Run; ++I)
      Grey[I] = P[I * 3 + 1];
    cmsDoTransform(static_cast<cmsHTRANSFORM>(Handle), Grey, P, static_cast<cmsUInt32Number>(Run));
    Done += Run;
  }
}

std::vector<uint8_t> SRGBProfile()
{
  TProfile Profile(cmsCreate_sRGBProfile());
  cmsUInt32Number Size = 0;
  if (!Profile.Handle || !cmsSaveProfileToMem(Profile.Handle, nullptr, &Size) || Size == 0)
    return {};
  std::vector<uint8_t> Bytes(Size);
  if (!cmsSaveProfileToMem(Profile.Handle, Bytes.data(), &Size))
    return {};
  return Bytes;
}

} // namespace facette
