// The lossless-JPEG object: it keeps the bytes of an opened JPEG file and
// follows the document's crops, flips and quarter turns, so that an image
// that was only turned or cut is saved from the original DCT coefficients
// instead of being compressed a second time.
//
// The operations are only recorded (a region of the original and one of
// the eight orientations); saving applies them in one TurboJPEG transform.
// Saving compares the pixels handed in with what the recorded operations
// give from the original: if they differ (the image was painted on,
// resized, ...), or if the region cannot be cut on the coding-block grid
// without shifting the picture, the pixels are compressed anew with the
// quality and chroma subsampling estimated from the original file.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace facette {

// The lossless-JPEG object of a file opened as JPEG: it follows the
// document's crops, flips and quarter turns so that an image that was only
// cut or turned can be saved without compressing it again.
class IZrLosslessJPEG
{
public:
  virtual ~IZrLosslessJPEG() = default;
  virtual bool HasImage() const = 0;
  // Keeps the part inside Rect (current coordinates); a rectangle reaching
  // outside the image means the original no longer describes it.
  virtual void Crop(const TZrRect &Rect) = 0;
  virtual void FlipHorizontal() = 0;
  virtual void FlipVertical() = 0;
  virtual void RotateLeft() = 0;
  virtual void RotateRight() = 0;
  // The pixels were replaced by something the original cannot give (a
  // resampled image).
  virtual void PixelsReplaced() = 0;
  // A copy of what is recorded (the file's bytes are shared, not copied):
  // an undo puts it back with the pixels it describes.
  virtual std::unique_ptr<IZrLosslessJPEG> Clone() const = 0;
};

class TZrLosslessJPEG : public IZrLosslessJPEG
{
public:
  // Takes over the bytes of a JPEG file (already in plain JPEG form; Bytes
  // is left empty). False, no image held and Bytes untouched, when they
  // cannot be decoded.
  bool Load(std::vector<uint8_t> &&Bytes);
  bool HasImage() const override { return Bytes != nullptr; }
  void Clear();

  // Size of the image as the recorded operations leave it.
  int32_t ImageWidth() const;
  int32_t ImageHeight() const;
  // The coding block (MCU) in the current orientation.
  int32_t BlockWidth() const;
  int32_t BlockHeight() const;
  // Of the original file.
  int32_t Subsampling() const { return Subsampling_; }
  int32_t Quality() const { return Quality_; }
  const std::vector<uint8_t> &OriginalBytes() const { return *Bytes; }

  // Writes the current image into Dest, which must have its size (24-bit).
  bool Decode(const TZrPixels &Dest) const;

  // Keeps the part of the current image inside Rect (current coordinates).
  // A rectangle reaching outside the image (a larger canvas) means the
  // original no longer describes the image.
  void Crop(const TZrRect &Rect) override;
  void FlipHorizontal() override;
  void FlipVertical() override;
  void RotateLeft() override;
  void RotateRight() override;
  // The image was replaced by something the original cannot give (a
  // resampled image): every later save compresses anew.
  void PixelsReplaced() override { Replaced = true; }
  bool IsReplaced() const { return Replaced; }
  std::unique_ptr<IZrLosslessJPEG> Clone() const override
  {
    return std::make_unique<TZrLosslessJPEG>(*this);
  }

  // Whether the recorded operations can be written without recompression.
  bool TransformIsLossless() const;

  // Produces the JPEG file for Pixels (the current image as the document
  // holds it; nil means "exactly what the recorded operations give").
  // Lossless reports which way it was written. The file carries no
  // metadata segments; the caller adds them.
  bool Save(const TZrPixels *Pixels, std::vector<uint8_t> &Out, bool *Lossless = nullptr) const;

private:
  enum : uint8_t
  {
    Transposed = 1,
    MirrorX = 2, // the current x axis runs against the original's
    MirrorY = 4,
  };
  // Where the current image lies in the transformed whole image.
  struct TPlan
  {
    int32_t Left = 0, Top = 0, FullWidth = 0, FullHeight = 0;
  };
  bool PlanTransform(TPlan &Plan) const;
  // The original pixel shown at current (X, Y).
  void SourceOf(int32_t X, int32_t Y, int32_t &U, int32_t &V) const;
  bool DecodeOriginal(TZrPixelBuffer &Buffer) const;
  // Calls Row(Y, first source pixel, step to the next source pixel) for
  // every row of the current image over the decoded original.
  template <typename TRow> void ForEachSourceRow(const TZrPixels &Original, TRow &&Row) const
  {
    const int32_t W = ImageWidth(), H = ImageHeight();
    for (int32_t Y = 0; Y < H; ++Y) {
      int32_t U0, V0, U1, V1;
      SourceOf(0, Y, U0, V0);
      SourceOf(W > 1 ? 1 : 0, Y, U1, V1);
      const ptrdiff_t Step =
          static_cast<ptrdiff_t>(U1 - U0) * 3 + static_cast<ptrdiff_t>(V1 - V0) * Original.Stride;
      Row(Y, Original.PixelPtr(U0, V0), Step);
    }
  }
  bool Reencode(const TZrPixels &Pixels, std::vector<uint8_t> &Out) const;

  // Shared, never changed: copies of the object (a save of the visible
  // part) cost no copy of the file.
  std::shared_ptr<const std::vector<uint8_t>> Bytes;
  int32_t Width = 0, Height = 0; // of the original
  int32_t Subsampling_ = -1;
  int32_t Quality_ = -1;
  uint8_t Orientation = 0;
  TZrRect Region; // of the original, in its coordinates
  bool Replaced = false;
};

} // namespace facette
