// The demonstrations: the Demonstrations command of the menu bar opens a
// window listing the demo files of the program's demo folder with their
// titles and pictures; the chosen one plays over the live window. Before a
// demo the user's image is put aside (with the usual save question) and
// the window's title names the demo; afterwards the list comes back with
// the next demo selected. The module owns the program's one playback and
// can show the list when the program starts.
#pragma once

#include "demo/ui/ZrDemoPlayback.h"
#include "demo/ZrDemoScript.h"
#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace facette {

class TZrImageList;

// The 64 x 64 picture of a demo in the list: Picture fitted into the
// square keeping its proportions and centred on white, with a one-pixel
// light grey frame around the edge.
QImage DemoThumbnail(const QImage &Picture);

// The list of demonstrations, shown modally.
class TZrDemonstrationForm : public TZrFormT<QDialog>
{
  Q_OBJECT

public:
  static constexpr int ThumbnailSize = 64;

  // Lists every "*.dsc" file of DemoFolder, sorted by title without regard
  // to case, and selects entry ListIndex (the last when beyond the end).
  TZrDemonstrationForm(const QString &DemoFolder, int ListIndex, bool ShowAtStartup,
                       QWidget *Parent = nullptr);
  ~TZrDemonstrationForm() override;

  QLabel *SelectLabel = nullptr;
  QLabel *EscTntLabel = nullptr;
  QListWidget *DemoListView = nullptr;
  QCheckBox *ShowAtStartupCheckBox = nullptr;
  QPushButton *StartButton = nullptr;
  QPushButton *CloseButton = nullptr;
  // Index 0 is the picture of a demo without one of its own.
  TZrImageList *DemoImageList = nullptr;

  // The script of the selected entry; nil when none is selected.
  const TZrDemoScript *SelectedScript() const;
  // The selected entry; -1 when none is.
  int SelectedIndex() const;
  int EntryCount() const;
  // The entry's image index in DemoImageList.
  int ImageIndexOf(int Entry) const;
  // Called when the check box is clicked, with its new state.
  std::function<void(bool)> OnShowAtStartupChange;

  void Localize() override;

private:
  void AddEntry(const QString &FileName);
  int AddThumbnail(const TZrDemoScript &Script, const QString &DemoFolder);
  void SelectionChanged();

  std::vector<std::unique_ptr<TZrDemoScript>> Scripts;
  // The image index of each picture read so far, by its full path.
  std::map<QString, int> Thumbnails;
};

class TZrDemonstrationModule : public TZrModuleWithControls
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{2032DB53-FE8E-4FB8-8457-43C5430C9D6B}");

  TZrDemonstrationModule();
  ~TZrDemonstrationModule() override;

  QAction *DemoMenuItem = nullptr;
  // The program's one playback; it answers commands and targets through
  // the demo registry.
  TZrDemoPlayback *Playback = nullptr;
  // Whether the list is shown at start-up (the start-up composition turns
  // it on before the settings are read).
  bool ShowAtStartup = false;
  // The running demo was started from the list, which comes back when it
  // ends.
  bool ReturnToList = false;
  // The entry selected when the list shows next (kept while the program
  // runs).
  int ListIndex = 0;
  // The program's title before the demo named itself in it.
  QString SavedTitle;
  // Where the demo files are (ends with a slash).
  QString DemoFolder;
  // The image handed over by the plug-in, put aside for a demonstration.
  QString ReopenFileName;

  // Shows the list; plays the demo chosen there.
  void ShowDemoList();
  // Set by tests to work the list instead of the user; returns the
  // window's result.
  std::function<int(TZrDemonstrationForm &)> ExecForm;

  void Localize() override;
  void UpdateControls() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void Initialize() override;

private:
  void BeforePlay(bool &Cancel);
  void StopQuery(bool &Stop);
  void Finish();
  void ShowError(const QString &Message, const QString &Line);
  // However a demonstration ended: the title comes back, and the list (or
  // the image put aside).
  void DemoEnded();
  void RestoreTitle();
  void ReopenPutAside();

  bool TitleChanged = false;
};

// The program's demonstration module; nil before it is made.
TZrDemonstrationModule *DemonstrationModule();

} // namespace facette
