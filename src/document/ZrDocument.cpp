#include "document/ZrDocument.h"

#include "document/ZrFileFormats.h"

#include <algorithm>

namespace facette {

namespace {
// Answers of the save question, as the message box gives them.
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;
} // namespace

TZrDocumentView *TZrDocument::GetView()
{
  if (!View)
    CreateView(View);
  return View;
}

void TZrDocument::AddObserver(IZrDocumentObserver *Observer)
{
  if (Observer && std::find(Observers_.begin(), Observers_.end(), Observer) == Observers_.end())
    Observers_.push_back(Observer);
}

void TZrDocument::RemoveObserver(IZrDocumentObserver *Observer)
{
  std::erase(Observers_, Observer);
}

bool TZrDocument::LoadFromFile(const std::filesystem::path &Name)
{
  int32_t LoadedFormat = Format;
  if (!Editor.Formats().Load(*this, Name, LoadedFormat))
    return false;
  Format = LoadedFormat;
  FileName = Name;
  // Last registered first; an observer may remove itself meanwhile.
  const std::vector<IZrDocumentObserver *> Current = Observers_;
  for (auto It = Current.rbegin(); It != Current.rend(); ++It)
    (*It)->DocumentChanged(*this);
  Saved = true;
  SavedSerial = History.CurrentSerial();
  return true;
}

bool TZrDocument::SaveToFile(const std::filesystem::path &Name, int32_t NewFormat)
{
  if (!Editor.Formats().Save(*this, Name, NewFormat))
    return false;
  Saved = true;
  SavedSerial = History.CurrentSerial();
  FileName = Name;
  Format = NewFormat;
  Editor.UpdateCaption();
  return true;
}

bool TZrDocument::Save()
{
  return !FileName.empty() && SaveToFile(FileName, Format);
}

std::string TZrDocument::DisplayName() const
{
  if (FileName.empty())
    return Editor.UntitledName();
  return FileName.filename().string();
}

bool TZrDocument::Close()
{
  BeforeClose();
  if (!OpenedByDemo && !Saved) {
    switch (Editor.AskSaveChanges(DisplayName())) {
    case AnswerYes:
      if (!Editor.SaveAsWithDialog(*this))
        return false;
      break;
    case AnswerNo:
      break;
    default:
      return false;
    }
  }
  const std::vector<IZrDocumentObserver *> Current = Observers_;
  for (auto It = Current.rbegin(); It != Current.rend(); ++It)
    (*It)->DocumentClosed(*this);
  // The editor frees the document here: nothing of it may be touched after.
  IZrDocumentEditor &Owner = Editor;
  Owner.RemoveDocument(*this);
  Owner.UpdateCaption();
  return true;
}

} // namespace facette
