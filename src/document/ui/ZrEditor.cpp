#include "document/ui/ZrEditor.h"

#include "document/ui/ZrFileDialogs.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrSDF.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace facette {

namespace {

// Message box flags of the editor's questions.
constexpr int SaveQuestionFlags = mb::YesNoCancel | mb::IconWarning; // 51
constexpr int OverwriteFlags = mb::YesNo | mb::IconWarning;          // 52
constexpr int ErrorFlags = mb::OK | mb::IconError;                   // 16
constexpr int WarningFlags = mb::OK | mb::IconWarning;               // 48

QString Format1(const QString &Pattern, const QString &Argument)
{
  QString Text = Pattern;
  Text.replace(QStringLiteral("%s"), Argument);
  return Text;
}

} // namespace

TZrEditor::TZrEditor()
{
  TZrApplication &App = ZrApplication();
  TMainForm *Window = nullptr;
  App.CreateForm(Window);
  Main = Window;
  // The document's view lives in the window but belongs to the document.
  connect(Window, &TMainForm::Destroying, this, [this] {
    if (Main)
      Main->takeCentralWidget();
  });
  App.OnTitleChange = [this](QObject *) { UpdateCaption(); };
  Main->OnCloseQuery = [this] { return CloseQuery(); };

  QMenu *File = Main->FileMenuItem;
  QAction *FileSeparator = Main->FileMenuSeparator;
  OpenMenuItem = Main->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_O), FileSeparator,
                                   File, 1, [this] { OpenCommand(); });
  SaveMenuItem =
      Main->AddMenuItem(QString(), {}, FileSeparator, File, 2, [this] { SaveAsCommand(); });
  SaveMenuItem->setVisible(false);
  SaveAsMenuItem = Main->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_S), FileSeparator,
                                     File, 2, [this] { SaveAsCommand(); });
  CloseMenuItem =
      Main->AddMenuItem(QString(), {}, FileSeparator, File, -1, [this] { CloseCommand(); });
  RecentFilesMenuSeparator = Main->AddSeparator(File, Main->ExitMenuItem);

  EditMenuItem = Main->AddSubmenu(QString(), nullptr, Main->ViewMenuItem->menuAction());
  UndoMenuItem = Main->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_Z), nullptr,
                                   EditMenuItem, 8, [this] { UndoCommand(); });
  UndoAllMenuItem =
      Main->AddMenuItem(QString(), {}, nullptr, EditMenuItem, -1, [this] { UndoAllCommand(); });
  RedoMenuItem = Main->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_Y), nullptr,
                                   EditMenuItem, 9, [this] { RedoCommand(); });
  RedoAllMenuItem =
      Main->AddMenuItem(QString(), {}, nullptr, EditMenuItem, -1, [this] { RedoAllCommand(); });

  StandardToolbar = Main->AddToolbar(QString());
  StandardToolbar->setObjectName(QStringLiteral("StandardToolbar"));
  Main->AddToolbarItem(
      StandardToolbar, Main->Images(), nullptr, QString(), 1, [this] { OpenCommand(); },
      OpenToolButton);
  Main->AddToolbarItem(
      StandardToolbar, Main->Images(), nullptr, QString(), 2, [this] { SaveAsCommand(); },
      SaveToolButton);
  EditToolbarSeparator = StandardToolbar->addSeparator();
  Main->AddToolbarItem(
      StandardToolbar, Main->Images(), nullptr, QString(), 8, [this] { UndoCommand(); },
      UndoToolButton);
  Main->AddToolbarItem(
      StandardToolbar, Main->Images(), nullptr, QString(), 9, [this] { RedoCommand(); },
      RedoToolButton);

  const QStringList Arguments = QCoreApplication::arguments();
  CommandLine = Arguments.mid(1);
  UpdateCaption();
}

TZrEditor::~TZrEditor()
{
  if (TZrApplication::Exists())
    ZrApplication().OnTitleChange = nullptr;
  if (Main)
    Main->OnCloseQuery = nullptr;
}

void TZrEditor::Localize()
{
  OpenMenuItem->setText(LocalString(12) + QStringLiteral("..."));
  SaveMenuItem->setText(LocalString(15));
  SaveAsMenuItem->setText(LocalString(16) + QStringLiteral("..."));
  CloseMenuItem->setText(LocalString(13));
  EditMenuItem->setTitle(LocalString(24));
  UndoMenuItem->setText(LocalString(25));
  UndoAllMenuItem->setText(LocalString(168));
  RedoMenuItem->setText(LocalString(26));
  RedoAllMenuItem->setText(LocalString(169));
  StandardToolbar->setWindowTitle(LocalString(162));
  // A button's hint names the key of the menu command it shares.
  const struct
  {
    QAction *Button;
    int Id;
    QAction *MenuItem;
  } Hints[] = {{OpenToolButton, 12, OpenMenuItem},
               {SaveToolButton, 16, SaveAsMenuItem},
               {UndoToolButton, 25, UndoMenuItem},
               {RedoToolButton, 26, RedoMenuItem}};
  for (const auto &Hint : Hints) {
    Hint.Button->setText(LocalString(Hint.Id));
    Hint.Button->setToolTip(ShortcutHint(LocalString(Hint.Id), Hint.MenuItem->shortcut()));
  }
  UpdateCaption();
}

void TZrEditor::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  if (Reader.EnterNode(1)) {
    int32_t Count = 0;
    Reader.ReadInteger(0, Count);
    // Oldest first, so that the most recent ends up at the top.
    for (int32_t I = std::min<int32_t>(Count, 1000); I >= 1; --I) {
      std::u16string Name;
      if (Reader.ReadWideString(static_cast<uint32_t>(I), Name) && !Name.empty())
        AddRecentFile(ToQString(Name));
    }
    Reader.LeaveNode();
  }
  Reader.LeaveNode();
}

void TZrEditor::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  Writer.BeginNode(1, static_cast<int32_t>(RecentFiles.size()));
  for (int I = 0; I < RecentFiles.size(); ++I)
    Writer.WriteWideString(static_cast<uint32_t>(I + 1), ToUtf16(RecentFiles[I]));
  Writer.EndNode();
  Writer.EndNode();
}

void TZrEditor::Start()
{
  if (CommandLine.isEmpty())
    return;
  const QString Name = CommandLine.first();
  TZrDocument *Doc = nullptr;
  if (QFileInfo(Name).isFile())
    Open(Name, Doc, true);
}

void TZrEditor::UpdateControls()
{
  TZrDocument *Doc = CurrentDocument();
  SaveMenuItem->setEnabled(Doc && !Doc->Saved);
  SaveAsMenuItem->setEnabled(Doc != nullptr);
  SaveToolButton->setEnabled(Doc != nullptr);
  CloseMenuItem->setEnabled(Doc != nullptr);
  UndoMenuItem->setEnabled(CanUndo());
  UndoAllMenuItem->setEnabled(CanUndo());
  RedoMenuItem->setEnabled(CanRedo());
  RedoAllMenuItem->setEnabled(CanRedo());
  UndoToolButton->setEnabled(UndoMenuItem->isEnabled());
  RedoToolButton->setEnabled(RedoMenuItem->isEnabled());
  // Changes come from everywhere (tools, undo, saving); the caption's mark
  // catches up here.
  if (Main)
    Main->setWindowModified(Doc && !Doc->Saved);
}

void TZrEditor::ActivateDocument(TZrDocument &Doc)
{
  auto It = std::find_if(Documents.begin(), Documents.end(),
                         [&](const auto &Held) { return Held.get() == &Doc; });
  if (It != Documents.end() && It + 1 != Documents.end())
    std::rotate(It, It + 1, Documents.end());
  UpdateCaption();
}

void TZrEditor::UpdateCaption()
{
  if (!Main)
    return;
  const QString Title = ZrApplication().Title();
  TZrDocument *Doc = CurrentDocument();
  // "[*]" is where the window shows its modified mark.
  Main->setWindowTitle(Doc ? ToQString(Doc->DisplayName()) + QStringLiteral("[*] - ") + Title
                           : Title);
  Main->setWindowModified(Doc && !Doc->Saved);
}

void TZrEditor::RemoveDocument(TZrDocument &Doc)
{
  auto It = std::find_if(Documents.begin(), Documents.end(),
                         [&](const auto &Held) { return Held.get() == &Doc; });
  if (It != Documents.end())
    Documents.erase(It);
}

TZrCommandHistoryList *TZrEditor::History() const
{
  TZrDocument *Doc = CurrentDocument();
  return Doc ? &Doc->History : nullptr;
}

bool TZrEditor::AttachDocument(TZrDocument &Doc, TZrDocumentView *&View)
{
  View = Doc.GetView();
  if (!View)
    return false;
  // The view fills the window's central area; the window keeps it, so the
  // area is taken back before the next document's view goes in.
  if (QWidget *Old = Main->centralWidget(); Old && Old != View)
    Main->takeCentralWidget();
  Main->setCentralWidget(View);
  View->show();
  return true;
}

bool TZrEditor::ChooseOpenFile(QString &FileName)
{
  TZrOpenDialog Dialog(Main, Formats());
  if (!Dialog.Execute())
    return false;
  FileName = Dialog.FileName();
  return !FileName.isEmpty();
}

bool TZrEditor::OpenWithDialog()
{
  QString FileName;
  if (!ChooseOpenFile(FileName))
    return false;
  QCoreApplication::processEvents();
  TZrDocument *Doc = nullptr;
  return Open(FileName, Doc, true);
}

bool TZrEditor::ChooseSaveFile(const TZrFileFormatArray &, int FilterIndex, const QString &Proposed,
                               QString &FileName, int &ChosenIndex)
{
  TZrSaveDialog Dialog(Main, Formats());
  Dialog.SetFilterIndex(FilterIndex);
  if (!Proposed.isEmpty())
    Dialog.selectFile(Proposed);
  if (!Dialog.Execute())
    return false;
  FileName = Dialog.FileName();
  ChosenIndex = Dialog.FilterIndex();
  return !FileName.isEmpty();
}

bool TZrEditor::SaveAsWithDialog(TZrDocument &Doc)
{
  TZrFileFormatArray SaveFormats;
  Formats().GetSaveFormats(SaveFormats);
  if (SaveFormats.empty())
    return false;
  const int Preselected = FindFormat(SaveFormats, Doc.Format) + 1;
  QString Proposed;
  if (!Doc.FileName.empty()) {
    const QFileInfo Info(ToQString(Doc.FileName.string()));
    Proposed = Info.dir().filePath(Info.completeBaseName());
  }
  QString FileName;
  int Chosen = Preselected;
  if (!ChooseSaveFile(SaveFormats, Preselected, Proposed, FileName, Chosen))
    return false;
  QCoreApplication::processEvents();
  if (Chosen < 1 || Chosen > static_cast<int>(SaveFormats.size()))
    Chosen = 1;

  // A name typed with the extension of a format we write ("edited.jpg"
  // while the filter still says PNG) is saved in that format; only a name
  // without such an extension gets the chosen format's.
  const std::string Typed = ToUtf8(QFileInfo(FileName).fileName());
  if (!MatchesMask(SaveFormats[static_cast<size_t>(Chosen - 1)].Mask, Typed)) {
    if (const int Named = FindFormatForName(SaveFormats, Typed); Named >= 0)
      Chosen = Named + 1;
    else
      FileName += ToQString(SaveFormats[static_cast<size_t>(Chosen - 1)].DefaultExtension);
  }
  const TZrFileFormatInfo &Format = SaveFormats[static_cast<size_t>(Chosen - 1)];
  if (QFileInfo::exists(FileName) && AskOverwrite(FileName) != id::Yes)
    return false;
  if (!Doc.SaveToFile(ToUtf8(FileName), Format.Id)) {
    ReportSaveFailure(FileName);
    return false;
  }
  return true;
}

void TZrEditor::ReportSaveFailure(const QString &FileName)
{
  ZrApplication().MessageBox(Format1(LocalString(1031), FileName), ErrorFlags);
}

int TZrEditor::AskSaveChanges(const std::string &Name)
{
  return ZrApplication().MessageBox(Format1(LocalString(94), ToQString(Name)), SaveQuestionFlags);
}

int TZrEditor::AskOverwrite(const QString &FileName)
{
  return ZrApplication().MessageBox(Format1(LocalString(164), FileName), OverwriteFlags);
}

bool TZrEditor::CloseQuery()
{
  bool CanClose = true;
  while (!Documents.empty()) {
    CanClose = Documents.back()->Close();
    if (!CanClose)
      break;
  }
  return CanClose;
}

void TZrEditor::RecordUndoRedo(const QString &Name)
{
  if (!Playback || !Playback->IsRecording())
    return;
  Playback->RecordLine(QStringLiteral("MouseCurvedMove ") + Name);
  if (Playback->RecordMessages())
    Playback->RecordLine(QStringLiteral("MESSAGE \"") + Name + QLatin1Char('"'));
  Playback->RecordLine(Name);
}

void TZrEditor::DemoCommand(IZrDemoPlayback *, const QString &Command, bool &Handled,
                            TZrDemoAction *, const TZrDemoScriptParams &)
{
  if (Command == QStringLiteral("UNDO")) {
    UndoCommand();
    Handled = true;
  } else if (Command == QStringLiteral("REDO")) {
    RedoCommand();
    Handled = true;
  }
}

void TZrEditor::DemoTargetPosition(IZrDemoPlayback *, const TZrDemoScriptParams &Params,
                                   bool &Handled, QPoint &Point)
{
  const QString Name = QString::fromStdString(Params.StringArgument(0)).toUpper();
  QAction *Button = Name == QStringLiteral("UNDO")   ? UndoToolButton
                    : Name == QStringLiteral("REDO") ? RedoToolButton
                                                     : nullptr;
  if (!Button)
    return;
  Handled = true;
  TZrDemoRegistry::TargetPoint(Button, Point);
}

void TZrEditor::DocumentOpened(TZrDocument &Doc)
{
  AddRecentFile(ToQString(Doc.FileName.string()));
}

void TZrEditor::AddRecentFile(const QString &FileName)
{
  const qsizetype Index = RecentFiles.indexOf(FileName);
  if (Index >= 0) {
    RecentFiles.move(Index, 0);
  } else {
    RecentFiles.prepend(FileName);
    while (RecentFiles.size() > MaxRecentFiles)
      RecentFiles.removeLast();
  }
  // One item per name between the File separator and the recent-files
  // separator; items are only ever added.
  QMenu *File = Main->FileMenuItem;
  while (RecentItems.size() < RecentFiles.size()) {
    const QList<QAction *> Items = File->actions();
    const qsizetype After = Items.indexOf(Main->FileMenuSeparator);
    QAction *Before = After >= 0 && After + 1 < Items.size() ? Items[After + 1] : nullptr;
    QAction *Item = new QAction(File);
    File->insertAction(Before, Item);
    connect(Item, &QAction::triggered, this, [this, Item] {
      TZrDocument *Doc = nullptr;
      Open(Item->data().toString(), Doc, true);
    });
    RecentItems.prepend(Item);
  }
  for (int I = 0; I < RecentFiles.size(); ++I) {
    // "&1 name", the number as access key; an ampersand in the name itself
    // is shown as one. The item keeps the name to open.
    QString Shown = RecentFiles[I];
    Shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    RecentItems[I]->setText(QStringLiteral("&%1 %2").arg(I + 1).arg(Shown));
    RecentItems[I]->setData(RecentFiles[I]);
  }
}

void TZrEditor::SetPlugInMode(bool Value)
{
  if (PlugInMode)
    return;
  OpenToolButton->setVisible(false);
  SaveToolButton->setVisible(false);
  EditToolbarSeparator->setVisible(false);
  PlugInMode = Value;
  // The exchange with the plug-in decides the final code.
  ZrApplication().ExitCode = -1;
}

bool TZrEditor::NewDocument(TZrDocument *&Doc)
{
  Doc = nullptr;
  if (TZrDocument *Current = CurrentDocument(); Current && !Current->Close())
    return false;
  std::unique_ptr<TZrDocument> Made = CreateDocument();
  TZrDocumentView *View = nullptr;
  if (!Made || !AttachDocument(*Made, View))
    return false;
  Doc = Made.get();
  Documents.push_back(std::move(Made));
  ActivateDocument(*Doc);
  return true;
}

bool TZrEditor::Open(const QString &FileName, TZrDocument *&Doc, bool AddToRecent)
{
  Doc = nullptr;
  // The new file is read before the current document is closed: a file
  // that cannot be read leaves the photo the user is working on as it was.
  std::unique_ptr<TZrDocument> Made = CreateDocument();
  if (!Made || !Made->LoadFromFile(ToUtf8(FileName))) {
    Made.reset();
    ReportOpenFailure(FileName);
    return false;
  }
  // What the read had to say about the file, taken before anything else
  // may read one.
  const std::string Warning = Formats().LoadMessage();
  // The user may keep the current document (the new one is dropped then).
  if (TZrDocument *Current = CurrentDocument(); Current && !Current->Close())
    return false;
  TZrDocumentView *View = nullptr;
  if (!AttachDocument(*Made, View)) {
    Made.reset();
    ReportOpenFailure(FileName);
    return false;
  }
  Doc = Made.get();
  Documents.push_back(std::move(Made));
  ActivateDocument(*Doc);
  Doc->AfterOpen();
  if (AddToRecent)
    DocumentOpened(*Doc);
  // A file that opened only in part says so once the picture is shown.
  if (!Warning.empty())
    ReportOpenWarning(ToQString(Warning));
  return true;
}

void TZrEditor::ReportOpenFailure(const QString &FileName)
{
  // The format list's own reason where it has one; otherwise a file that
  // is not there (a recent file moved or deleted since) is not called
  // damaged.
  const std::string Reason = Formats().LoadMessage();
  const int Id = QFileInfo::exists(FileName) ? 1030 : 1033;
  ZrApplication().MessageBox(
      Reason.empty() ? Format1(LocalString(Id), FileName) : ToQString(Reason), ErrorFlags);
}

void TZrEditor::ReportOpenWarning(const QString &Text)
{
  ZrApplication().MessageBox(Text, WarningFlags);
}

bool TZrEditor::CanUndo() const
{
  const TZrCommandHistoryList *H = History();
  return H && H->CanUndo();
}

bool TZrEditor::CanRedo() const
{
  const TZrCommandHistoryList *H = History();
  return H && H->CanRedo();
}

void TZrEditor::UndoStep()
{
  if (TZrCommandHistoryList *H = History())
    H->Undo();
}

void TZrEditor::RedoStep()
{
  if (TZrCommandHistoryList *H = History())
    H->Redo();
}

void TZrEditor::OpenCommand()
{
  if (!PlugInMode)
    OpenWithDialog();
}

void TZrEditor::CloseCommand()
{
  if (TZrDocument *Doc = CurrentDocument())
    Doc->Close();
}

void TZrEditor::SaveCommand()
{
  SaveAsCommand();
}

void TZrEditor::SaveAsCommand()
{
  if (TZrDocument *Doc = CurrentDocument(); Doc && !PlugInMode)
    SaveAsWithDialog(*Doc);
}

void TZrEditor::UndoCommand()
{
  if (!CanUndo())
    return;
  RecordUndoRedo(QStringLiteral("Undo"));
  UndoStep();
  // Saved exactly when back where the file on disk stands: the start of
  // the history for a document never saved, else the state last saved.
  CurrentDocument()->UpdateSavedFromHistory();
}

void TZrEditor::UndoAllCommand()
{
  if (!CanUndo())
    return;
  while (CanUndo())
    UndoStep();
  CurrentDocument()->UpdateSavedFromHistory();
}

void TZrEditor::RedoCommand()
{
  if (!CanRedo())
    return;
  RecordUndoRedo(QStringLiteral("Redo"));
  RedoStep();
  CurrentDocument()->UpdateSavedFromHistory();
}

void TZrEditor::RedoAllCommand()
{
  if (!CanRedo())
    return;
  while (CanRedo())
    RedoStep();
  CurrentDocument()->UpdateSavedFromHistory();
}

std::string TZrEditor::UntitledName() const
{
  return LocalString(74).toStdString();
}

} // namespace facette
