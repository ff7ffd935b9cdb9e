// A document: a file name and format, a modified flag, an undo history and
// observers, and the open, save and close protocol with the user's
// confirmation. The editor that owns the document answers the questions
// (save changes? which name?) and provides the format list.
#pragma once

#include "document/ZrCommandHistory.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace facette {

class TZrDocument;
class TZrDocumentFormats;
// The document's view control; only the user-interface layer knows it.
class TZrDocumentView;

class IZrDocumentObserver
{
public:
  virtual ~IZrDocumentObserver() = default;
  virtual void DocumentChanged(TZrDocument &Doc) = 0;
  virtual void DocumentClosed(TZrDocument &Doc) = 0;
};

// What a document needs of the editor that owns it.
class IZrDocumentEditor
{
public:
  virtual ~IZrDocumentEditor() = default;
  virtual TZrDocumentFormats &Formats() = 0;
  // The save question: id::Yes (6), id::No (7) or id::Cancel (2).
  virtual int AskSaveChanges(const std::string &DisplayName) = 0;
  virtual bool SaveAsWithDialog(TZrDocument &Doc) = 0;
  // Takes the document out of the editor and frees it.
  virtual void RemoveDocument(TZrDocument &Doc) = 0;
  virtual void UpdateCaption() = 0;
  // The display name of a document without a file name.
  virtual std::string UntitledName() const = 0;
};

class TZrDocument
{
public:
  explicit TZrDocument(IZrDocumentEditor &Editor) : Editor(Editor) {}
  virtual ~TZrDocument() = default;
  TZrDocument(const TZrDocument &) = delete;
  TZrDocument &operator=(const TZrDocument &) = delete;

  // Set for an image opened by a demo script: it closes without asking.
  bool OpenedByDemo = false;
  // No unsaved changes: true after creation, opening and saving; cleared
  // by whatever changes the document; set again when undoing reaches the
  // start of the history.
  bool Saved = true;
  std::filesystem::path FileName;
  int32_t Format = 0;
  TZrCommandHistoryList History;
  // Where in the history the file on disk stands (opened or last saved).
  uint64_t SavedSerial = 0;
  // After moving through the history: saved exactly when back at the state
  // the file on disk holds.
  void UpdateSavedFromHistory() { Saved = History.CurrentSerial() == SavedSerial; }

  virtual void CreateView(TZrDocumentView *&NewView) = 0;
  TZrDocumentView *GetView();

  virtual void BeforeClose() {}
  virtual void BeforeSave() {}
  virtual void AfterOpen() {}
  virtual void AddObserver(IZrDocumentObserver *Observer);
  virtual void RemoveObserver(IZrDocumentObserver *Observer);
  // Reads the file through the editor's format list, which also sets
  // Format; on success keeps the name, tells the observers and counts as
  // saved.
  virtual bool LoadFromFile(const std::filesystem::path &Name);
  // On success counts as saved under the new name and format; a failed
  // write changes nothing.
  virtual bool SaveToFile(const std::filesystem::path &Name, int32_t NewFormat);
  virtual bool CanSave() const { return true; }
  virtual bool Save();
  // Asks to save unsaved changes (unless opened by a demo), then tells the
  // observers and lets the editor free the document. False when the user
  // cancelled or the save failed; the document then stays.
  virtual bool Close();

  // The file name without folder, or the editor's name for an untitled
  // document.
  std::string DisplayName() const;
  const std::vector<IZrDocumentObserver *> &Observers() const { return Observers_; }
  IZrDocumentEditor &Owner() const { return Editor; }

protected:
  TZrDocumentView *View = nullptr;

private:
  IZrDocumentEditor &Editor;
  std::vector<IZrDocumentObserver *> Observers_;
};

} // namespace facette
