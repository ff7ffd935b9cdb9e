// The metadata of an opened image file, kept with the document and written
// into the saved file where its format can hold it: EXIF, IPTC, XMP and
// the ICC colour profile, plus the resolution.
//
// The EXIF items of the main image (its own tags, the Exif and GPS
// directories) are also listed as property items - tag id, EXIF type code
// and value bytes in little-endian order - so that callers can look a tag
// up by number. The EXIF thumbnail is never listed and never written.
#pragma once

#include "framework/ZrProperties.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace facette {

// The file's metadata as the image-files layer reads and writes it; the
// document only keeps it and hands it back for saving.
class TZrImageMetadataHolder
{
public:
  virtual ~TZrImageMetadataHolder() = default;
};

// EXIF tag numbers the program reads.
constexpr uint32_t exifMake = 271;
constexpr uint32_t exifModel = 272;
constexpr uint32_t exifDateTime = 306;

class TZrGraphicsDocumentProperties : public TZrCustomProperties, public TZrImageMetadataHolder
{
public:
  TZrGraphicsDocumentProperties();
  ~TZrGraphicsDocumentProperties() override;

  // Dots per inch of the opened file, rounded; 0 until something is read.
  int32_t HorizontalResolution = 0;
  int32_t VerticalResolution = 0;

  // Takes the items, the metadata and the resolution of another graphics
  // property set; of any other set only the items.
  void Assign(const TZrCustomProperties *Source) override;
  // Forgets everything, resolution included.
  void ClearAll();

  // Reads whatever metadata an encoded image (JPEG, PNG, TIFF) carries,
  // replacing what was held. False, holding nothing, when none could be
  // read (a corrupt block is skipped, never fatal).
  bool ReadFrom(const uint8_t *Data, size_t Size);
  // Takes a TIFF-structured EXIF block (what follows "Exif\0\0" in a JPEG
  // application segment) as the EXIF metadata.
  bool SetExifBlock(const uint8_t *Data, size_t Size);

  // Writes the held metadata into an encoded JPEG, PNG or TIFF file in
  // memory, leaving out the EXIF thumbnail and giving the EXIF pixel
  // dimensions the saved size. Nothing held: the bytes stay as they are.
  // False when the file could not be rewritten (Encoded is then unchanged).
  bool WriteTo(std::vector<uint8_t> &Encoded, int32_t Width, int32_t Height) const;

  bool HasExif() const;
  bool HasIptc() const;
  bool HasXmp() const;
  bool HasIccProfile() const;
  bool HasMetadata() const { return HasExif() || HasIptc() || HasXmp() || HasIccProfile(); }
  // Whether the EXIF data holds an embedded thumbnail.
  bool HasExifThumbnail() const;
  // The embedded ICC colour profile; empty without one.
  const std::vector<uint8_t> &IccProfile() const;

  // How the stored pixels are to be turned for showing (the EXIF
  // orientation, 1 .. 8); 1 when the file does not say or says nonsense.
  int32_t Orientation() const;
  // The pixels are now stored upright: the EXIF orientation, and XMP's
  // where the file has one, become 1.
  void SetUpright();

  // The text of an EXIF tag of the main image (for example exifMake), with
  // trailing blanks and terminators removed; empty when absent.
  std::string ExifText(uint32_t Tag) const;
  // The resolution the EXIF data states (XResolution, YResolution and
  // ResolutionUnit of the main image) in dots per inch; false without one.
  bool ExifResolution(double &Horizontal, double &Vertical) const;
  // Every EXIF, IPTC and XMP item as (key, value) text, for listings.
  std::vector<std::pair<std::string, std::string>> List() const;

private:
  struct TStore;
  void RebuildItems();
  // Exiv2's rewrite of a whole encoded file with the held metadata.
  bool Rewrite(const uint8_t *Data, size_t Size, int32_t Width, int32_t Height,
               std::vector<uint8_t> &Out) const;
  std::unique_ptr<TStore> Store;
};

} // namespace facette
