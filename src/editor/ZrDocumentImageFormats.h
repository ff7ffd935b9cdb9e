// The image formats as the graphics editor uses them: loading hands the
// decoded image, its metadata and its lossless-JPEG object to a graphics
// document; saving writes the document's visible rectangle.
#pragma once

#include "imaging/ZrGraphicsFormats.h"

#include <string>

namespace facette {

class TZrDocumentImageFormats : public TZrGraphicsFormats
{
public:
  // Opens and writes the plug-in exchange file too.
  TZrDocumentImageFormats();
  bool Load(TZrDocument &Document, const std::filesystem::path &FileName, int32_t &Format) override;
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override;

  std::string LoadMessage() const override { return LastLoadMessage; }

  // Why the last load or save failed (empty when it did not), and whether
  // the user cancelled it (the JPEG options dialog).
  std::string LastError;
  bool LastCancelled = false;
  // What the user is told about the last load (see LoadMessage).
  std::string LastLoadMessage;
  // The last load failed on an exchange file (its header does not fit it).
  bool LastRefusedExchange = false;
};

// The message about a file that did not open, or (Damaged) opened only in
// part, in the user's language; empty when there is nothing to say.
std::string LoadProblemMessage(const TZrLoadReport &Report, const std::string &FileName);

} // namespace facette
