// Stand-ins for what a graphics document talks to: its editor and format
// list, the host with the tools, a tool, the view link and the lossless
// object. Each records what it is told.
#pragma once

#include "document/ZrFileFormats.h"
#include "editor/ZrGraphicsDocument.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace facette::test {

// A pixel value that differs for every position and channel.
inline uint8_t Code(int32_t X, int32_t Y, int C)
{
  return static_cast<uint8_t>(X * 7 + Y * 131 + C * 59 + 3);
}

inline void FillCoded(TZrPixels &P, int32_t Seed = 0)
{
  for (int32_t Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int32_t X = P.Left; X < P.Left + P.Width; ++X)
      for (int C = 0; C < 3; ++C)
        P.PixelPtr(X, Y)[C] = static_cast<uint8_t>(Code(X, Y, C) + Seed);
}

inline std::unique_ptr<TZrLTBitmap> CodedBitmap(int32_t Width, int32_t Height, int32_t Seed = 0)
{
  auto B = std::make_unique<TZrLTBitmap>();
  if (!B->SetSize(Width, Height, pf24bit))
    return nullptr;
  FillCoded(*B->GetPixels(), Seed);
  return B;
}

// Whether the two windows hold the same pixels over Rect.
inline bool SamePixels(const TZrPixels &A, const TZrPixels &B, const TZrRect &Rect)
{
  for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y)
    for (int32_t X = Rect.Left; X < Rect.Right; ++X)
      for (int C = 0; C < 3; ++C)
        if (A.PixelPtr(X, Y)[C] != B.PixelPtr(X, Y)[C])
          return false;
  return true;
}

inline bool SameImage(const TZrPixels &A, const TZrPixels &B)
{
  return A.GetBounds() == B.GetBounds() && SamePixels(A, B, A.GetBounds());
}

// Makes To a copy of From (24-bit, the same bounds).
inline void CopyPixels(const TZrPixels &From, TZrPixelBuffer &To)
{
  To.Allocate(pf24bit, From.GetBounds());
  To.CopyFrom(From);
}

// Paints Value into every channel of Rect (a brush stroke, as tools do).
inline void Paint(TZrPixels &P, const TZrRect &Rect, uint8_t Value)
{
  const TZrRect R = IntersectRect(Rect, P.GetBounds());
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X)
      for (int C = 0; C < 3; ++C)
        P.PixelPtr(X, Y)[C] = Value;
}

// Images a "file" holds for the fake format list.
struct TStoredFile
{
  std::unique_ptr<TZrPixelBuffer> Pixels;
  int32_t Format = 0;
};

class TFakeFormats : public TZrDocumentFormats
{
public:
  std::map<std::string, TStoredFile> Files;
  std::vector<std::string> Journal;

  int Count() const override { return 1; }
  const TZrFileFormatInfo *GetFormat(int Index) const override
  {
    return Index == 0 ? &Info : nullptr;
  }
  bool Load(TZrDocument &Document, const std::filesystem::path &FileName, int32_t &Format) override;
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override;
  bool CanSave(int32_t) const override { return true; }

private:
  TZrFileFormatInfo Info{2, "PNG", "*.png", ".png"};
};

class TFakeEditor : public IZrDocumentEditor
{
public:
  TFakeFormats FormatList;
  TZrDocumentFormats &Formats() override { return FormatList; }
  int AskSaveChanges(const std::string &) override { return 7; }
  bool SaveAsWithDialog(TZrDocument &) override { return false; }
  void RemoveDocument(TZrDocument &) override {}
  void UpdateCaption() override {}
  std::string UntitledName() const override { return "Untitled"; }
};

// A tool: records the notifications and, asked to end its edit, commits
// and closes it as the tool framework does.
class TFakeTool : public IZrGraphicsDocumentListener
{
public:
  TFakeTool(std::string Name, std::vector<std::string> &Journal)
      : Name(std::move(Name)), Journal(Journal)
  {}
  TZrGraphicsDocument *Document = nullptr;

  void EndEdit() override
  {
    Journal.push_back(Name + ".EndEdit");
    if (!Document)
      return;
    Document->Commit(this);
    if (Document->Editing())
      Document->EndEdit();
  }
  void DocumentOpened(TZrGraphicsDocument &) override { Journal.push_back(Name + ".Opened"); }
  void DocumentClosing(TZrGraphicsDocument &) override { Journal.push_back(Name + ".Closing"); }
  void DocumentSaving(TZrGraphicsDocument &) override { Journal.push_back(Name + ".Saving"); }
  void BeforeUndo(TZrCommandState *) override { Journal.push_back(Name + ".BeforeUndo"); }
  void AfterUndo(TZrCommandState *) override { Journal.push_back(Name + ".AfterUndo"); }
  void BeforeRedo(TZrCommandState *) override { Journal.push_back(Name + ".BeforeRedo"); }
  void AfterRedo(TZrCommandState *) override { Journal.push_back(Name + ".AfterRedo"); }
  void StateApplied(TZrGraphicsDocument &, IZrGraphicsDocumentListener *Tool,
                    const TZrRect &R) override
  {
    Journal.push_back(Name + ".StateApplied(" + (Tool ? static_cast<TFakeTool *>(Tool)->Name : "") +
                      "," + std::to_string(R.Left) + "," + std::to_string(R.Top) + "," +
                      std::to_string(R.Right) + "," + std::to_string(R.Bottom) + ")");
  }
  void PixelWindowsReplaced(TZrGraphicsDocument &) override
  {
    Journal.push_back(Name + ".WindowsReplaced");
  }

  const std::string Name;

private:
  std::vector<std::string> &Journal;
};

class TFakeViewLink : public IZrGraphicsViewLink
{
public:
  TZrMapMode MapMode;
  std::vector<TZrRect> Invalidated;   // window rectangles
  std::vector<TZrRect> PixelsChanged; // image rectangles
  int ImageChanges = 0;

  TZrDocumentView *Widget() override { return nullptr; }
  const TZrMapMode &ViewMapMode() const override { return MapMode; }
  void InvalidateWindowRect(const TZrRect &R) override { Invalidated.push_back(R); }
  void ImagePixelsChanged(const TZrRect &R) override { PixelsChanged.push_back(R); }
  void ImageChanged() override { ++ImageChanges; }
};

class TFakeHost : public IZrGraphicsDocumentHost
{
public:
  std::vector<IZrGraphicsDocumentListener *> Tools;
  IZrGraphicsDocumentListener *Current = nullptr;
  int32_t ShownWidth = -1, ShownHeight = -1;
  // The link the next view gets (the document takes it over).
  std::unique_ptr<TFakeViewLink> NextLink;

  std::vector<IZrGraphicsDocumentListener *> GraphicsTools() override { return Tools; }
  IZrGraphicsDocumentListener *CurrentTool() override { return Current; }
  void ShowImageSize(int32_t W, int32_t H) override
  {
    ShownWidth = W;
    ShownHeight = H;
  }
  std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &) override
  {
    return std::move(NextLink);
  }
};

class TFakeLossless : public IZrLosslessJPEG
{
public:
  explicit TFakeLossless(std::vector<std::string> &Journal, bool Holds = true)
      : Journal(Journal), Holds(Holds)
  {}
  bool HasImage() const override { return Holds; }
  void Crop(const TZrRect &R) override
  {
    Journal.push_back("Crop(" + std::to_string(R.Left) + "," + std::to_string(R.Top) + "," +
                      std::to_string(R.Right) + "," + std::to_string(R.Bottom) + ")");
  }
  void FlipHorizontal() override { Journal.push_back("FlipHorizontal"); }
  void FlipVertical() override { Journal.push_back("FlipVertical"); }
  void RotateLeft() override { Journal.push_back("RotateLeft"); }
  void RotateRight() override { Journal.push_back("RotateRight"); }
  void PixelsReplaced() override { Journal.push_back("PixelsReplaced"); }
  std::unique_ptr<IZrLosslessJPEG> Clone() const override
  {
    Journal.push_back("Clone");
    return std::make_unique<TFakeLossless>(Journal, Holds);
  }

private:
  std::vector<std::string> &Journal;
  bool Holds;
};

// A metadata holder that says where it came from.
class TFakeMetadata : public TZrImageMetadataHolder
{
public:
  explicit TFakeMetadata(std::string Camera) : Camera(std::move(Camera)) {}
  std::string Camera;
};

// Loads a coded image of that size into the document, as a format list
// would after decoding a file.
inline bool LoadCoded(TZrGraphicsDocument &Doc, int32_t Width, int32_t Height,
                      std::unique_ptr<IZrLosslessJPEG> Lossless = nullptr)
{
  TZrLoadedImage Loaded;
  Loaded.Image = CodedBitmap(Width, Height);
  Loaded.Metadata = std::make_unique<TFakeMetadata>("Camera");
  Loaded.LosslessJPEG = std::move(Lossless);
  return Doc.AdoptLoadedImage(std::move(Loaded));
}

inline bool TFakeFormats::Load(TZrDocument &Document, const std::filesystem::path &FileName,
                               int32_t &Format)
{
  Journal.push_back("Load " + FileName.string());
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  const auto It = Files.find(FileName.string());
  if (!Doc || It == Files.end())
    return false;
  TZrLoadedImage Loaded;
  Loaded.Image = std::make_unique<TZrLTBitmap>();
  if (!Loaded.Image->Assign(*It->second.Pixels))
    return false;
  Loaded.Metadata = std::make_unique<TFakeMetadata>(FileName.string());
  if (!Doc->AdoptLoadedImage(std::move(Loaded)))
    return false;
  Format = It->second.Format;
  return true;
}

inline bool TFakeFormats::Save(TZrDocument &Document, const std::filesystem::path &FileName,
                               int32_t Format)
{
  Journal.push_back("Save " + FileName.string());
  auto *Doc = dynamic_cast<TZrGraphicsDocument *>(&Document);
  if (!Doc)
    return false;
  const TZrImageToSave Image = Doc->ImageToSave();
  if (!Image.Pixels.Bits)
    return false;
  TStoredFile File;
  File.Format = Format;
  File.Pixels = std::make_unique<TZrPixelBuffer>();
  // Stored from (0, 0), as a file holds it.
  if (!File.Pixels->Allocate(pf24bit, Bounds(0, 0, Image.Pixels.Width, Image.Pixels.Height)))
    return false;
  File.Pixels->CopyRect(0, 0, Image.Pixels, Image.Pixels.GetBounds());
  if (const auto *Meta = dynamic_cast<const TFakeMetadata *>(Image.Metadata))
    Journal.push_back("Metadata " + Meta->Camera);
  Files[FileName.string()] = std::move(File);
  return true;
}

} // namespace facette::test
