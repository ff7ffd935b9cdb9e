// Showing a photo's colours as its ICC profile means them: a transform of
// 24-bit blue-green-red pixels from the photo's profile to the screen's
// (or to sRGB), with Little CMS 2. Only the view uses it; editing and
// saving stay in the photo's own colour space.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace facette {

class TZrColorTransform
{
public:
  ~TZrColorTransform();
  TZrColorTransform(const TZrColorTransform &) = delete;
  TZrColorTransform &operator=(const TZrColorTransform &) = delete;

  // The transform from Source (an RGB or grey ICC profile) to Target (an
  // RGB profile; empty means sRGB). Nil when there is nothing to do: no
  // or an unreadable source profile, one of another kind (CMYK, Lab), or
  // one that leaves every colour as it is on that target (an sRGB photo on
  // an sRGB screen), so that such photos are shown exactly as without.
  static std::shared_ptr<const TZrColorTransform> Create(const std::vector<uint8_t> &Source,
                                                         const std::vector<uint8_t> &Target);

  // Converts Count pixels in place. Safe from several threads at once.
  void Apply(uint8_t *Pixels, int32_t Count) const;

private:
  TZrColorTransform() = default;
  void *Handle = nullptr;
  bool GreySource = false;
};

// The sRGB profile Little CMS makes, as ICC bytes (for tests and for a
// screen that states none).
std::vector<uint8_t> SRGBProfile();

} // namespace facette
