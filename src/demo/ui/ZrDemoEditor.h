// The demo editor: a small window, always on top, for writing demo files.
// Each section of the file (Info, Script, one per language) is edited in
// its own tab; the script plays over the live program, and a recording
// appends lines for what the author does in the program (opening an image,
// choosing a tool, every stroke). Its menu item (File > Demo, Ctrl+Shift+D)
// is hidden: the editor is for the people who write the demonstrations.
// The window's texts are English only.
#pragma once

#include "demo/ZrDemoScript.h"
#include "framework/ui/ZrModule.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class QStatusBar;
class QTabBar;
class QToolBar;

namespace facette {

class TZrDemoPlayback;
class TZrDemoRecorder;

// Asks for the language identifier of a new section ("1031").
class TAddLangForm : public QDialog
{
  Q_OBJECT

public:
  explicit TAddLangForm(QWidget *Parent = nullptr);

  QLabel *LangIdLabel = nullptr;
  QLineEdit *LangIdEdit = nullptr;
  QPushButton *AddButton = nullptr;
  QPushButton *CancelButton = nullptr;
};

class TZrDemoEditorForm : public TZrFormT<QMainWindow>
{
  Q_OBJECT

public:
  explicit TZrDemoEditorForm(TZrDemoPlayback &Playback, QWidget *Parent = nullptr);
  ~TZrDemoEditorForm() override;

  QToolBar *Toolbar = nullptr;
  QAction *OpenToolButton = nullptr;
  QAction *SaveToolButton = nullptr;
  QAction *ToolbarSeparator = nullptr;
  QAction *PlayToolButton = nullptr;
  QAction *RecordToolButton = nullptr;
  QAction *StopToolButton = nullptr;
  QComboBox *MessageComboBox = nullptr;
  QAction *MessageToolButton = nullptr;
  QAction *UIToolButton = nullptr;
  QAction *NewMenuItem = nullptr;
  QAction *OpenMenuItem = nullptr;
  QAction *SaveAsMenuItem = nullptr;
  QAction *FileMenuSeparator = nullptr;
  QAction *ExitMenuItem = nullptr;
  QAction *AddLanguageMenuItem = nullptr;
  QAction *DeleteLanguageMenuItem = nullptr;
  QAction *PlayMenuItem = nullptr;
  QAction *RecordMenuItem = nullptr;
  QAction *StopMenuItem = nullptr;
  QStatusBar *StatusBar = nullptr;
  QTabBar *SectionsTabControl = nullptr;
  QPlainTextEdit *ScriptMemo = nullptr;

  // The file being edited; its texts are kept as UTF-8.
  TZrDemoScript Script;

  // The commands of the window.
  void New();
  bool Open(const QString &FileName);
  bool SaveAs(const QString &FileName);
  void OpenCommand();
  void SaveAsCommand();
  void AddLanguageCommand();
  // Selects the section of that language, adding it when it is missing.
  void AddLanguage(const QString &LangId);
  void DeleteLanguage();
  void Play();
  void Record();
  void Stop();
  bool Recording() const;

  // The dialogs; tests replace them. Each returns false when cancelled.
  std::function<bool(QString &FileName)> ChooseOpenFile;
  std::function<bool(QString &FileName)> ChooseSaveFile;
  std::function<bool(QString &LangId)> ChooseLanguage;

  // Puts the memo's text and selection into the current section.
  void StoreMemo();

  void UpdateControls() override;

protected:
  void closeEvent(QCloseEvent *Event) override;

private:
  void RefreshTabs();
  void ShowSection(int Index);
  void TabChanged(int Index);
  // The edited text to the playback; false while it plays or records.
  bool HandOverScript();
  void StopRecording();
  void ShowStatus();
  void Fail(const QString &Text);

  TZrDemoPlayback &Playback;
  std::unique_ptr<TZrDemoRecorder> Recorder;
  QMetaObject::Connection PlayEnded;
  // The section the memo shows, and the selection remembered for each.
  int CurrentTab = -1;
  std::vector<std::pair<int, int>> Selections;
};

class TZrDemoEditorModule : public TZrModuleWithControls
{
  Q_OBJECT

public:
  TZrDemoEditorModule();
  ~TZrDemoEditorModule() override;

  QAction *DemoEditorMenuItem = nullptr;

  // Shows the editor window, making it the first time, at the top right of
  // the main window's image area.
  void ShowEditor();
  // The window once it was made.
  TZrDemoEditorForm *EditorForm() const { return Form.data(); }

  void UpdateControls() override;

private:
  // A hidden menu item's shortcut does not work; this one stands in for it
  // while the item is hidden (and steps back when it shows, so that the
  // key is never taken twice).
  void FollowItemVisibility();

  QShortcut *Shortcut = nullptr;
  QPointer<TZrDemoEditorForm> Form;
};

} // namespace facette
