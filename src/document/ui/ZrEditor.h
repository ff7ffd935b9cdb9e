// The editor module: owns the open document (one at a time), merges the File
// and Edit commands and the standard toolbar into the main window, keeps the
// recent-files list, composes the window caption and answers the UNDO and
// REDO demo commands.
#pragma once

#include "demo/ui/ZrDemoHooks.h"
#include "document/ZrDocument.h"
#include "document/ZrFileFormats.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QToolBar;

namespace facette {

// The view control of a document, placed in the main window while the
// document is current.
class TZrDocumentView : public QWidget
{
  Q_OBJECT

public:
  using QWidget::QWidget;
};

class TZrEditor : public TZrModuleWithControls, public IZrDocumentEditor, public IZrDemoClient
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{C0F4C248-34D7-4014-8116-24BEE9AB5C30}");
  static constexpr int MaxRecentFiles = 5;

  TZrEditor();
  ~TZrEditor() override;

  QAction *OpenMenuItem = nullptr;
  QAction *SaveMenuItem = nullptr;
  QAction *SaveAsMenuItem = nullptr;
  QAction *CloseMenuItem = nullptr;
  QMenu *EditMenuItem = nullptr;
  QAction *UndoMenuItem = nullptr;
  QAction *RedoMenuItem = nullptr;
  QAction *UndoAllMenuItem = nullptr;
  QAction *RedoAllMenuItem = nullptr;
  QToolBar *StandardToolbar = nullptr;
  QAction *OpenToolButton = nullptr;
  QAction *SaveToolButton = nullptr;
  QAction *UndoToolButton = nullptr;
  QAction *RedoToolButton = nullptr;
  QAction *RecentFilesMenuSeparator = nullptr;
  QAction *EditToolbarSeparator = nullptr;

  bool PlugInMode = false;
  IZrDemoPlayback *Playback = nullptr;
  QStringList RecentFiles; // most recent first

  TMainForm *MainWindow() const { return Main.data(); }
  TZrDocument *CurrentDocument() const
  {
    return Documents.empty() ? nullptr : Documents.back().get();
  }
  int DocumentCount() const { return static_cast<int>(Documents.size()); }

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void Start() override;
  void UpdateControls() override;

  virtual void ActivateDocument(TZrDocument &Doc);
  void UpdateCaption() override;
  void RemoveDocument(TZrDocument &Doc) override;
  virtual TZrCommandHistoryList *History() const;
  TZrDocumentFormats &Formats() override = 0;
  virtual std::unique_ptr<TZrDocument> CreateDocument() = 0;
  virtual bool AttachDocument(TZrDocument &Doc, TZrDocumentView *&View);
  virtual bool OpenWithDialog();
  bool SaveAsWithDialog(TZrDocument &Doc) override;
  int AskSaveChanges(const std::string &Name) override;
  virtual int AskOverwrite(const QString &FileName);
  // The main window's close question: false keeps the program open.
  virtual bool CloseQuery();
  void DemoCommand(IZrDemoPlayback *Sender, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Sender, const TZrDemoScriptParams &Params, bool &Handled,
                          QPoint &Point) override;
  void AttachPlayback(IZrDemoPlayback *NewPlayback) override { Playback = NewPlayback; }
  void DetachPlayback() override { Playback = nullptr; }
  virtual void DocumentOpened(TZrDocument &Doc);
  virtual void SetPlugInMode(bool Value);
  virtual bool NewDocument(TZrDocument *&Doc);
  virtual bool Open(const QString &FileName, TZrDocument *&Doc, bool AddToRecent);
  virtual bool CanUndo() const;
  virtual bool CanRedo() const;
  virtual void UndoStep();
  virtual void RedoStep();
  virtual void OpenCommand();
  virtual void CloseCommand();
  virtual void SaveCommand();
  virtual void SaveAsCommand();
  virtual void UndoCommand();
  virtual void UndoAllCommand();
  virtual void RedoCommand();
  virtual void RedoAllCommand();

  std::string UntitledName() const override;
  void AddRecentFile(const QString &FileName);
  // The File menu items of the recent files, most recent first.
  QList<QAction *> RecentFileItems() const { return RecentItems; }

  // The file the program was started with (its first argument).
  QStringList CommandLine;

protected:
  // Lets the user choose a file; false when cancelled. Tests replace the
  // dialogs.
  virtual bool ChooseOpenFile(QString &FileName);
  virtual bool ChooseSaveFile(const TZrFileFormatArray &SaveFormats, int FilterIndex,
                              const QString &Proposed, QString &FileName, int &ChosenIndex);
  // Reports that a file could not be saved (the format layer says nothing).
  virtual void ReportSaveFailure(const QString &FileName);
  // Reports that a file could not be opened, with the format list's reason
  // when it gives one.
  virtual void ReportOpenFailure(const QString &FileName);
  // Tells what is wrong with a file that opened all the same.
  virtual void ReportOpenWarning(const QString &Text);

private:
  void RecordUndoRedo(const QString &Name);

  QPointer<TMainForm> Main;
  std::vector<std::unique_ptr<TZrDocument>> Documents;
  QList<QAction *> RecentItems;
};

} // namespace facette
