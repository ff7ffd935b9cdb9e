#include "imaging/ZrLosslessJPEG.h"

#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrJPEGCoefficients.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

namespace facette {

namespace {

struct TTJDeleter
{
  void operator()(void *Handle) const { tjDestroy(static_cast<tjhandle>(Handle)); }
};

// A decoder takes quantised values an encoder cannot code (a damaged or
// crafted file whose DC values add up beyond the range of 8-bit samples);
// moved next to new neighbours by a turn or a crop, such blocks would be
// written as a stream that no decoder reads cleanly. Refusing them sends
// the save through the pixels instead. Called once per row of blocks.
int RefuseUncodableBlocks(short *Coefficients, tjregion Array, tjregion, int, int, tjtransform *)
{
  const size_t Count = static_cast<size_t>(Array.w) * static_cast<size_t>(Array.h);
  // Nearly every row is well inside the range: one pass the compiler
  // vectorises clears it, and only a row with a value at the edge is gone
  // through block by block (a DC value may be -1024).
  short Low = 0, High = 0;
  for (size_t I = 0; I < Count; I += 64)
    for (size_t K = I; K < I + 64; ++K) {
      Low = std::min(Low, Coefficients[K]);
      High = std::max(High, Coefficients[K]);
    }
  if (Low >= -1023 && High <= 1023)
    return 0;
  for (size_t I = 0; I < Count; I += 64) {
    // Any two DC values within [-1024, 1023] differ by a codable amount.
    if (Coefficients[I] < -1024 || Coefficients[I] > 1023)
      return -1;
    for (size_t K = I + 1; K < I + 64; ++K)
      if (Coefficients[K] < -1023 || Coefficients[K] > 1023)
        return -1;
  }
  return 0;
}

} // namespace

bool TZrLosslessJPEG::Load(std::vector<uint8_t> &&NewBytes)
{
  Clear();
  TZrJPEGHeader Header;
  if (!ReadJPEGHeader(NewBytes.data(), NewBytes.size(), Header) ||
      !JPEGSizePlausible(Header, NewBytes.size()) || Header.Subsampling < js444 ||
      Header.Subsampling > js411)
    return false;
  Width = Header.Width;
  Height = Header.Height;
  Subsampling_ = Header.Subsampling;
  Quality_ = EstimateJPEGQuality(NewBytes.data(), NewBytes.size());
  Region = MakeRect(0, 0, Width, Height);
  Bytes = std::make_shared<const std::vector<uint8_t>>(std::move(NewBytes));
  return true;
}

void TZrLosslessJPEG::Clear()
{
  Bytes.reset();
  Width = Height = 0;
  Subsampling_ = Quality_ = -1;
  Orientation = 0;
  Region = {};
  Replaced = false;
}

int32_t TZrLosslessJPEG::ImageWidth() const
{
  return Orientation & Transposed ? Region.Height() : Region.Width();
}

int32_t TZrLosslessJPEG::ImageHeight() const
{
  return Orientation & Transposed ? Region.Width() : Region.Height();
}

int32_t TZrLosslessJPEG::BlockWidth() const
{
  if (!HasImage())
    return 0;
  return Orientation & Transposed ? tjMCUHeight[Subsampling_] : tjMCUWidth[Subsampling_];
}

int32_t TZrLosslessJPEG::BlockHeight() const
{
  if (!HasImage())
    return 0;
  return Orientation & Transposed ? tjMCUWidth[Subsampling_] : tjMCUHeight[Subsampling_];
}

void TZrLosslessJPEG::SourceOf(int32_t X, int32_t Y, int32_t &U, int32_t &V) const
{
  const int32_t W = ImageWidth(), H = ImageHeight();
  const int32_t XX = Orientation & MirrorX ? W - 1 - X : X;
  const int32_t YY = Orientation & MirrorY ? H - 1 - Y : Y;
  U = Region.Left + (Orientation & Transposed ? YY : XX);
  V = Region.Top + (Orientation & Transposed ? XX : YY);
}

void TZrLosslessJPEG::Crop(const TZrRect &Rect)
{
  if (!HasImage() || Rect.IsEmpty())
    return;
  const TZrRect Bounds = MakeRect(0, 0, ImageWidth(), ImageHeight());
  if (IntersectRect(Rect, Bounds) != Rect) {
    Replaced = true;
    return;
  }
  int32_t U0, V0, U1, V1;
  SourceOf(Rect.Left, Rect.Top, U0, V0);
  SourceOf(Rect.Right - 1, Rect.Bottom - 1, U1, V1);
  Region = MakeRect(std::min(U0, U1), std::min(V0, V1), std::max(U0, U1) + 1, std::max(V0, V1) + 1);
}

void TZrLosslessJPEG::FlipHorizontal()
{
  Orientation ^= MirrorX;
}

void TZrLosslessJPEG::FlipVertical()
{
  Orientation ^= MirrorY;
}

void TZrLosslessJPEG::RotateRight()
{
  // New (X, Y) = (H - 1 - y, x): the axes swap, the new x axis runs against
  // the old y axis and the new y axis with the old x axis.
  const bool OldX = Orientation & MirrorX, OldY = Orientation & MirrorY;
  Orientation = static_cast<uint8_t>((Orientation ^ Transposed) & Transposed);
  if (!OldY)
    Orientation |= MirrorX;
  if (OldX)
    Orientation |= MirrorY;
}

void TZrLosslessJPEG::RotateLeft()
{
  // New (X, Y) = (y, W - 1 - x).
  const bool OldX = Orientation & MirrorX, OldY = Orientation & MirrorY;
  Orientation = static_cast<uint8_t>((Orientation ^ Transposed) & Transposed);
  if (OldY)
    Orientation |= MirrorX;
  if (!OldX)
    Orientation |= MirrorY;
}

bool TZrLosslessJPEG::DecodeOriginal(TZrPixelBuffer &Buffer) const
{
  return Buffer.Allocate(pf24bit, MakeRect(0, 0, Width, Height)) && Buffer.Bits &&
         DecodeJPEGInto(Bytes->data(), Bytes->size(), Buffer);
}

bool TZrLosslessJPEG::Decode(const TZrPixels &Dest) const
{
  const int32_t W = ImageWidth(), H = ImageHeight();
  if (!HasImage() || !Dest.Bits || Dest.PixelFormat != pf24bit || Dest.Width != W ||
      Dest.Height != H)
    return false;
  if (Orientation == 0 && Region == MakeRect(0, 0, Width, Height))
    return DecodeJPEGInto(Bytes->data(), Bytes->size(), Dest);
  TZrPixelBuffer Original;
  if (!DecodeOriginal(Original))
    return false;
  ForEachSourceRow(Original, [&](int32_t Y, const uint8_t *S, ptrdiff_t Step) {
    uint8_t *D = Dest.Bits + static_cast<ptrdiff_t>(Y) * Dest.Stride;
    if (Step == 3) {
      std::memcpy(D, S, static_cast<size_t>(W) * 3);
      return;
    }
    for (int32_t X = 0; X < W; ++X, D += 3, S += Step) {
      D[0] = S[0];
      D[1] = S[1];
      D[2] = S[2];
    }
  });
  return true;
}

bool TZrLosslessJPEG::PlanTransform(TPlan &Plan) const
{
  if (!HasImage() || Replaced || Region.IsEmpty())
    return false;
  const bool T = Orientation & Transposed;
  const bool MX = Orientation & MirrorX, MY = Orientation & MirrorY;
  const int32_t McuW = tjMCUWidth[Subsampling_], McuH = tjMCUHeight[Subsampling_];
  // An axis of the original that the transform reverses loses its partial
  // block at the far edge (TurboJPEG's trim); the region must not need it.
  const bool ReverseU = T ? MY : MX, ReverseV = T ? MX : MY;
  const int32_t Wt = ReverseU ? Width - Width % McuW : Width;
  const int32_t Ht = ReverseV ? Height - Height % McuH : Height;
  if (Region.Right > Wt || Region.Bottom > Ht)
    return false;
  // The current image is a window of the transformed (trimmed) whole image;
  // its first pixel is where the original pixel under it lands there, and
  // the window must start on the block grid.
  int32_t U0, V0;
  SourceOf(0, 0, U0, V0);
  Plan.FullWidth = T ? Ht : Wt;
  Plan.FullHeight = T ? Wt : Ht;
  const int32_t S1 = T ? V0 : U0, S2 = T ? U0 : V0;
  Plan.Left = MX ? Plan.FullWidth - 1 - S1 : S1;
  Plan.Top = MY ? Plan.FullHeight - 1 - S2 : S2;
  const int32_t OutMcuW = T ? McuH : McuW, OutMcuH = T ? McuW : McuH;
  return Plan.Left % OutMcuW == 0 && Plan.Top % OutMcuH == 0;
}

bool TZrLosslessJPEG::TransformIsLossless() const
{
  TPlan Plan;
  return PlanTransform(Plan);
}

bool TZrLosslessJPEG::Reencode(const TZrPixels &Pixels, int32_t Quality,
                               std::vector<uint8_t> &Out) const
{
  int32_t Sampling = Subsampling_;
  if (Sampling == jsGray) {
    // A grey original that was painted in colour keeps its colour.
    for (int32_t Y = 0; Y < Pixels.Height && Sampling == jsGray; ++Y) {
      const uint8_t *P = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
      for (int32_t X = 0; X < Pixels.Width; ++X, P += 3)
        if (P[0] != P[1] || P[1] != P[2]) {
          Sampling = js420;
          break;
        }
    }
  } else if (Sampling < js444 || Sampling > js411) {
    Sampling = js420;
  }
  return EncodeJPEG(Pixels, Quality > 0 ? Quality : Quality_ > 0 ? Quality_ : 90, Sampling, Out);
}

bool TZrLosslessJPEG::Transform(const TPlan &Plan, std::vector<uint8_t> &Out) const
{
  const int32_t W = ImageWidth(), H = ImageHeight();
  static const int Ops[8] = {TJXOP_NONE,  TJXOP_TRANSPOSE, TJXOP_HFLIP,  TJXOP_ROT90,
                             TJXOP_VFLIP, TJXOP_ROT270,    TJXOP_ROT180, TJXOP_TRANSVERSE};
  tjtransform Op{};
  Op.op = Ops[Orientation];
  Op.options = TJXOPT_TRIM | TJXOPT_COPYNONE;
  Op.customFilter = RefuseUncodableBlocks;
  if (Plan.Left != 0 || Plan.Top != 0 || W != Plan.FullWidth || H != Plan.FullHeight) {
    Op.options |= TJXOPT_CROP;
    Op.r = tjregion{Plan.Left, Plan.Top, W, H};
  }
  std::unique_ptr<void, TTJDeleter> Handle(tjInitTransform());
  // A buffer of the worst-case size up front: TurboJPEG would otherwise
  // grow its own by doubling, copying the file over and over. Untouched
  // pages of it cost nothing.
  const unsigned long Capacity = tjBufSize(W, H, Subsampling_);
  unsigned char *Buffer =
      Capacity != static_cast<unsigned long>(-1)
          ? tjAlloc(static_cast<int>(std::min<unsigned long>(Capacity, INT32_MAX)))
          : nullptr;
  unsigned long Length = Buffer ? std::min<unsigned long>(Capacity, INT32_MAX) : 0;
  // A warning fails the transform too, harmless flaws included: the save
  // then goes through the decoded pixels, and that decode tells a harmless
  // flaw from missing or corrupt data.
  bool Ok = Handle &&
            tjTransform(Handle.get(), Bytes->data(), static_cast<unsigned long>(Bytes->size()), 1,
                        &Buffer, &Length, &Op, 0) == 0 &&
            Buffer;
  if (Ok) {
    try {
      // Room for the metadata segments the caller inserts in place.
      Out.reserve(Length + Length / 16 + (size_t{1} << 20));
      Out.assign(Buffer, Buffer + Length);
    } catch (const std::bad_alloc &) {
      Out.clear();
      Ok = false;
    }
  }
  if (Buffer)
    tjFree(Buffer);
  return Ok;
}

bool TZrLosslessJPEG::Save(const TZrPixels *Pixels, std::vector<uint8_t> &Out, bool *Lossless) const
{
  TZrJPEGWriteReport Report;
  const bool Ok = Save(Pixels, Out, TZrJPEGWriteOptions{.MinimalLoss = false}, &Report);
  if (Lossless)
    *Lossless = Ok && Report.Mode == TZrJPEGWriteMode::Transformed;
  return Ok;
}

bool TZrLosslessJPEG::Save(const TZrPixels *Pixels, std::vector<uint8_t> &Out,
                           const TZrJPEGWriteOptions &Options, TZrJPEGWriteReport *Report) const
{
  Out.clear();
  TZrJPEGWriteReport Done;
  if (Report)
    *Report = Done;
  if (!HasImage() || (!Pixels && Replaced))
    return false; // nothing to write the image from
  const int32_t W = ImageWidth(), H = ImageHeight();
  const bool OwnQuality = Options.Quality <= 0 || Options.Quality == Quality_;
  const bool SameImage =
      !Replaced && (!Pixels || (Pixels->PixelFormat == pf24bit && Pixels->Width == W &&
                                Pixels->Height == H && Pixels->Bits));
  // What the pixels were before any painting: the original as the recorded
  // operations turn and cut it.
  TZrPixelBuffer Baseline;
  bool Unchanged = SameImage;
  if (Pixels && SameImage && OwnQuality) {
    if (!Baseline.Allocate(pf24bit, MakeRect(0, 0, W, H)) || !Baseline.Bits || !Decode(Baseline))
      return Reencode(*Pixels, Options.Quality, Out);
    for (int32_t Y = 0; Y < H && Unchanged; ++Y)
      Unchanged = std::memcmp(Pixels->Bits + static_cast<ptrdiff_t>(Y) * Pixels->Stride,
                              Baseline.Bits + static_cast<ptrdiff_t>(Y) * Baseline.Stride,
                              static_cast<size_t>(W) * 3) == 0;
  }

  TPlan Plan;
  if (SameImage && OwnQuality && PlanTransform(Plan)) {
    if (Unchanged && Transform(Plan, Out)) {
      Done.Mode = TZrJPEGWriteMode::Transformed;
      if (Report)
        *Report = Done;
      return true;
    }
    if (!Unchanged && Options.MinimalLoss) {
      // The blocks to keep are those of the original turned and cut the
      // same lossless way; untouched, the file is read as it is.
      std::vector<uint8_t> Turned;
      const bool AsOpened = Orientation == 0 && Region == MakeRect(0, 0, Width, Height);
      const std::vector<uint8_t> *Reference = AsOpened ? Bytes.get() : &Turned;
      TZrBlockWriteStats Stats;
      if ((AsOpened || Transform(Plan, Turned)) &&
          WriteJPEGKeepingBlocks(Reference->data(), Reference->size(), *Pixels, Baseline, Out,
                                 &Stats)) {
        Done.Mode = TZrJPEGWriteMode::MinimalLoss;
        Done.Mcus = Stats.Mcus;
        Done.McusCoded = Stats.McusCoded;
        if (Report)
          *Report = Done;
        return true;
      }
    }
  }

  if (Pixels)
    return Reencode(*Pixels, Options.Quality, Out);
  TZrPixelBuffer Current;
  if (!Current.Allocate(pf24bit, MakeRect(0, 0, W, H)) || !Current.Bits || !Decode(Current))
    return false;
  return Reencode(Current, Options.Quality, Out);
}

} // namespace facette
