// The generic file-format layer of the document framework. An editor owns a
// format list that enumerates what it can read and write, builds the filters
// of the open and save dialogs, loads and saves documents and describes and
// previews files for the open dialog. The framework itself knows no format.
#pragma once

#include "framework/ZrTypes.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace facette {

class TZrDocument;
class TZrDeviceContext;

struct TZrFileFormatInfo
{
  // Stored in the document; 0 also marks the two pseudo-formats of the open
  // dialog.
  int32_t Id = 0;
  std::string Description;      // the filter's readable name (UTF-8)
  std::string Mask;             // wildcard patterns separated by ";"
  std::string DefaultExtension; // with its dot, appended to names without one
  friend bool operator==(const TZrFileFormatInfo &, const TZrFileFormatInfo &) = default;
};

using TZrFileFormatArray = std::vector<TZrFileFormatInfo>;

// The filter string of the file dialogs: "Description (Mask)|Mask" for each
// entry, entries joined by "|".
std::string BuildFilter(const TZrFileFormatArray &Formats);
// Index of the first entry with that identifier; -1 if none.
int FindFormat(const TZrFileFormatArray &Formats, int32_t Id);
// Whether the file name (without folder) matches one of the mask's
// ";"-separated patterns ("*" any run of characters, "?" one), letters
// compared without regard to case.
bool MatchesMask(const std::string &Mask, const std::string &FileName);
// Index of the first entry whose mask matches the file name; -1 if none.
int FindFormatForName(const TZrFileFormatArray &Formats, const std::string &FileName);

// What the open dialog shows about the highlighted file.
class TZrFileInfo
{
public:
  explicit TZrFileInfo(std::filesystem::path FileName) : FileName(std::move(FileName)) {}
  virtual ~TZrFileInfo() = default;
  // The description (UTF-8, lines separated by "\n"); empty here.
  virtual void GetDescription(std::string &Text) const { Text.clear(); }

  const std::filesystem::path FileName;
};

// A small picture of a file for the open dialog's preview.
class TZrThumbnail
{
public:
  virtual ~TZrThumbnail() = default;
  // Paints the thumbnail into Rect of the surface and returns the rectangle
  // it actually covered.
  virtual void Draw(TZrDeviceContext &DC, const TZrRect &Rect, TZrRect &DrawnRect) const = 0;
};

class TZrFileFormats
{
public:
  virtual ~TZrFileFormats() = default;

  virtual int Count() const = 0;
  // The record at Index; nil outside 0 .. Count - 1.
  virtual const TZrFileFormatInfo *GetFormat(int Index) const = 0;
  // False here: no description.
  virtual bool CreateFileInfo(const std::filesystem::path &FileName,
                              std::unique_ptr<TZrFileInfo> &Info) const;
  // False here: no preview. May be called on a worker thread.
  virtual bool CreateThumbnail(const std::filesystem::path &FileName, int32_t MaxWidth,
                               int32_t MaxHeight, std::unique_ptr<TZrThumbnail> &Thumbnail) const;
  // Every format in order.
  virtual void GetSaveFormats(TZrFileFormatArray &Formats) const;
  // Every format in order, then "all supported files" (every mask joined
  // by ";") and "all files" ("*.*"), both with identifier 0.
  virtual void GetOpenFormats(TZrFileFormatArray &Formats) const;

  // Index of the first format with that identifier; -1 if none.
  int IndexOf(int32_t Id) const;
};

class TZrDocumentFormats : public TZrFileFormats
{
public:
  // Reads the file into the document and reports the format it was read as.
  virtual bool Load(TZrDocument &Document, const std::filesystem::path &FileName,
                    int32_t &Format) = 0;
  virtual bool Save(TZrDocument &Document, const std::filesystem::path &FileName,
                    int32_t Format) = 0;
  virtual bool CanSave(int32_t Format) const = 0;
  // Asks what a save in Format needs to know (an options dialog) before
  // anything of the document changes for the save; the next Save of the
  // document uses the answer. False when the user cancelled.
  virtual bool PrepareSave(TZrDocument &, int32_t /*Format*/) { return true; }
  // What the user is to be told about the last Load (localized UTF-8):
  // after a failure why the file did not open, after a success what is
  // wrong with a file that opened all the same. Empty here: a failure gets
  // the general message, a success none.
  virtual std::string LoadMessage() const { return {}; }
};

} // namespace facette
