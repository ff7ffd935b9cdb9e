#include "demo/ui/ZrDemoEditor.h"

#include "demo/ui/ZrDemoHooks.h"
#include "demo/ui/ZrDemonstration.h"
#include "demo/ui/ZrDemoPlayback.h"
#include "demo/ui/ZrDemoRecorder.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLocalizer.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace facette {

namespace {

constexpr const char *Caption = "Demo Editor";
constexpr const char *Filter = "Demo Script (*.dsc)";

QIcon EditorImage(int Index)
{
  const QString Name =
      QStringLiteral(":/icons/lists/demoeditor/%1.svg").arg(Index, 3, 10, QLatin1Char('0'));
  return QFile::exists(Name) ? QIcon(Name) : QIcon();
}

} // namespace

// ---------------------------------------------------------------------------
// Add Language

TAddLangForm::TAddLangForm(QWidget *Parent) : QDialog(Parent)
{
  setWindowTitle(QStringLiteral("Add Language"));
  LangIdLabel = new QLabel(QStringLiteral("LangID:"), this);
  LangIdEdit = new QLineEdit(this);
  LangIdLabel->setBuddy(LangIdEdit);
  AddButton = new QPushButton(QStringLiteral("Add"), this);
  AddButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  auto *Layout = new QGridLayout(this);
  Layout->addWidget(LangIdLabel, 0, 0);
  Layout->addWidget(LangIdEdit, 0, 1, 1, 2);
  Layout->addWidget(AddButton, 1, 1);
  Layout->addWidget(CancelButton, 1, 2);
  connect(AddButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

// ---------------------------------------------------------------------------
// The editor window

TZrDemoEditorForm::TZrDemoEditorForm(TZrDemoPlayback &Playback, QWidget *Parent)
    : TZrFormT<QMainWindow>(Parent), Playback(Playback)
{
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
  setWindowTitle(QString::fromLatin1(Caption));
  resize(381, 286);

  const auto Item = [this](const QString &Text, std::function<void()> Click) {
    auto *Action = new QAction(Text, this);
    connect(Action, &QAction::triggered, this, [Call = std::move(Click)] { Call(); });
    return Action;
  };
  NewMenuItem = Item(QStringLiteral("New"), [this] { New(); });
  OpenMenuItem = Item(QStringLiteral("Open..."), [this] { OpenCommand(); });
  SaveAsMenuItem = Item(QStringLiteral("Save As..."), [this] { SaveAsCommand(); });
  ExitMenuItem = Item(QStringLiteral("Exit"), [this] { close(); });
  AddLanguageMenuItem = Item(QStringLiteral("Add Language"), [this] { AddLanguageCommand(); });
  DeleteLanguageMenuItem = Item(QStringLiteral("Delete Language"), [this] { DeleteLanguage(); });
  PlayMenuItem = Item(QStringLiteral("Play"), [this] { Play(); });
  RecordMenuItem = Item(QStringLiteral("Record"), [this] { Record(); });
  StopMenuItem = Item(QStringLiteral("Stop"), [this] { Stop(); });

  QMenu *File = menuBar()->addMenu(QStringLiteral("&File"));
  File->addActions({NewMenuItem, OpenMenuItem, SaveAsMenuItem});
  FileMenuSeparator = File->addSeparator();
  File->addAction(ExitMenuItem);
  QMenu *Edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  Edit->addActions({AddLanguageMenuItem, DeleteLanguageMenuItem});
  QMenu *PlaybackMenu = menuBar()->addMenu(QStringLiteral("&Playback"));
  PlaybackMenu->addActions({PlayMenuItem, RecordMenuItem, StopMenuItem});

  Toolbar = addToolBar(QStringLiteral("Toolbar"));
  Toolbar->setMovable(false);
  Toolbar->setIconSize(QSize(16, 16));
  const auto Button = [this](QAction *Twin, int Image) {
    auto *Action = new QAction(EditorImage(Image), Twin->text().remove(QLatin1String("...")), this);
    connect(Action, &QAction::triggered, Twin, &QAction::trigger);
    Toolbar->addAction(Action);
    return Action;
  };
  OpenToolButton = Button(OpenMenuItem, 0);
  SaveToolButton = Button(SaveAsMenuItem, 1);
  ToolbarSeparator = Toolbar->addSeparator();
  PlayToolButton = Button(PlayMenuItem, 2);
  RecordToolButton = Button(RecordMenuItem, 3);
  StopToolButton = Button(StopMenuItem, 4);
  Toolbar->addSeparator();
  MessageComboBox = new QComboBox(this);
  MessageComboBox->setEditable(true);
  // An accepted text goes to the top of the list unless it is there.
  MessageComboBox->setInsertPolicy(QComboBox::InsertAtTop);
  MessageComboBox->setMinimumContentsLength(8);
  MessageComboBox->setToolTip(QStringLiteral("Message recorded for a click"));
  Toolbar->addWidget(MessageComboBox);
  MessageToolButton = new QAction(EditorImage(5), QStringLiteral("Show Messages"), this);
  MessageToolButton->setCheckable(true);
  Toolbar->addAction(MessageToolButton);
  UIToolButton = new QAction(EditorImage(6), QStringLiteral("Use User Interface"), this);
  UIToolButton->setCheckable(true);
  // Recording always goes through the program's own controls: the button
  // shows that and cannot turn it off.
  UIToolButton->setEnabled(false);
  Toolbar->addAction(UIToolButton);

  auto *Sections = new QWidget(this);
  SectionsTabControl = new QTabBar(Sections);
  SectionsTabControl->setExpanding(false);
  SectionsTabControl->setDocumentMode(true);
  ScriptMemo = new QPlainTextEdit(Sections);
  ScriptMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  ScriptMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ScriptMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto *Layout = new QVBoxLayout(Sections);
  Layout->setContentsMargins(2, 2, 2, 2);
  Layout->setSpacing(0);
  Layout->addWidget(SectionsTabControl);
  Layout->addWidget(ScriptMemo, 1);
  setCentralWidget(Sections);
  StatusBar = statusBar();

  connect(SectionsTabControl, &QTabBar::currentChanged, this, &TZrDemoEditorForm::TabChanged);
  connect(MessageToolButton, &QAction::toggled, this,
          [this](bool Checked) { this->Playback.RecordMessages_ = Checked; });
  connect(MessageComboBox, &QComboBox::currentTextChanged, this,
          [](const QString &Text) { DemoRegistry().RecordMessageText = Text; });

  New();
  MessageComboBox->setEditText(DemoRegistry().RecordMessageText);
  UpdateControls();
  Initialize();
}

TZrDemoEditorForm::~TZrDemoEditorForm()
{
  disconnect(PlayEnded);
  StopRecording();
}

void TZrDemoEditorForm::RefreshTabs()
{
  {
    const QSignalBlocker Quiet(SectionsTabControl);
    while (SectionsTabControl->count() > 0)
      SectionsTabControl->removeTab(0);
    for (const TZrDemoScript::TSection &Section : Script.Sections)
      SectionsTabControl->addTab(ToQString(Section.Name));
    int ScriptTab = 0;
    Script.FindSection("Script", ScriptTab);
    SectionsTabControl->setCurrentIndex(ScriptTab);
  }
  Selections.assign(Script.Sections.size(), {0, 0});
  CurrentTab = -1;
  ShowSection(SectionsTabControl->currentIndex());
}

void TZrDemoEditorForm::ShowSection(int Index)
{
  CurrentTab = Index;
  if (Index < 0 || Index >= static_cast<int>(Script.Sections.size())) {
    ScriptMemo->clear();
    return;
  }
  QStringList Lines;
  for (const std::string &Line : Script.Sections[static_cast<size_t>(Index)].Lines)
    Lines << ToQString(Line);
  ScriptMemo->setPlainText(Lines.join(QLatin1Char('\n')));
  const auto [Start, Length] = Selections[static_cast<size_t>(Index)];
  const int End = ScriptMemo->document()->characterCount() - 1;
  QTextCursor Cursor = ScriptMemo->textCursor();
  Cursor.setPosition(std::clamp(Start, 0, End));
  Cursor.setPosition(std::clamp(Start + Length, 0, End), QTextCursor::KeepAnchor);
  ScriptMemo->setTextCursor(Cursor);
}

void TZrDemoEditorForm::StoreMemo()
{
  if (CurrentTab < 0 || CurrentTab >= static_cast<int>(Script.Sections.size()))
    return;
  TZrDemoScript::TSection &Section = Script.Sections[static_cast<size_t>(CurrentTab)];
  Section.Lines.clear();
  for (QTextBlock Block = ScriptMemo->document()->begin(); Block.isValid(); Block = Block.next())
    Section.Lines.push_back(Block.text().toStdString());
  // The line break after the last line makes no line of its own.
  if (!Section.Lines.empty() && Section.Lines.back().empty())
    Section.Lines.pop_back();
  // Lines typed here come from no line of a file.
  Section.FileLines.assign(Section.Lines.size(), 0);
  const QTextCursor Cursor = ScriptMemo->textCursor();
  Selections[static_cast<size_t>(CurrentTab)] = {Cursor.selectionStart(),
                                                 Cursor.selectionEnd() - Cursor.selectionStart()};
}

void TZrDemoEditorForm::TabChanged(int Index)
{
  StoreMemo();
  ShowSection(Index);
}

void TZrDemoEditorForm::New()
{
  StopRecording();
  Script.Clear();
  // What is typed here is Unicode: the file is written as UTF-8.
  Script.IsUtf8 = true;
  RefreshTabs();
  setWindowTitle(QString::fromLatin1(Caption));
  ShowStatus();
}

bool TZrDemoEditorForm::Open(const QString &FileName)
{
  StopRecording();
  TZrDemoScript Loaded;
  if (!Loaded.LoadFromFile(ToUtf8(FileName))) {
    Fail(QStringLiteral("Cannot read the demo file \"%1\".").arg(FileName));
    return false;
  }
  Loaded.MakeUtf8(CurrentLanguage());
  Script = std::move(Loaded);
  RefreshTabs();
  setWindowTitle(
      QStringLiteral("%1 - %2").arg(QString::fromLatin1(Caption), QFileInfo(FileName).fileName()));
  ShowStatus();
  return true;
}

bool TZrDemoEditorForm::SaveAs(const QString &FileName)
{
  StoreMemo();
  if (!Script.SaveToFile(ToUtf8(FileName))) {
    Fail(QStringLiteral("Cannot write the demo file \"%1\".").arg(FileName));
    return false;
  }
  Script.FileName = ToUtf8(FileName);
  setWindowTitle(
      QStringLiteral("%1 - %2").arg(QString::fromLatin1(Caption), QFileInfo(FileName).fileName()));
  ShowStatus();
  return true;
}

void TZrDemoEditorForm::OpenCommand()
{
  QString FileName;
  if (ChooseOpenFile) {
    if (!ChooseOpenFile(FileName))
      return;
  } else {
    FileName = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                            QString::fromLatin1(Filter));
  }
  if (!FileName.isEmpty())
    Open(FileName);
}

void TZrDemoEditorForm::SaveAsCommand()
{
  StoreMemo();
  QString FileName;
  if (ChooseSaveFile) {
    if (!ChooseSaveFile(FileName))
      return;
  } else {
    QFileDialog Dialog(this, QStringLiteral("Save As"), ToQString(Script.FileName.string()),
                       QString::fromLatin1(Filter));
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setDefaultSuffix(QStringLiteral("dsc"));
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
      return;
    FileName = Dialog.selectedFiles().front();
  }
  if (!FileName.isEmpty())
    SaveAs(FileName);
}

void TZrDemoEditorForm::AddLanguageCommand()
{
  QString LangId;
  if (ChooseLanguage) {
    if (!ChooseLanguage(LangId))
      return;
  } else {
    TAddLangForm Dialog(this);
    if (Dialog.exec() != QDialog::Accepted)
      return;
    LangId = Dialog.LangIdEdit->text();
  }
  AddLanguage(LangId);
}

void TZrDemoEditorForm::AddLanguage(const QString &LangId)
{
  const std::string Name = ToUtf8(LangId.trimmed());
  if (Name.empty())
    return;
  int Index = -1;
  if (Script.FindSection(Name, Index)) {
    SectionsTabControl->setCurrentIndex(Index);
    return;
  }
  StoreMemo();
  Index = Script.AddSection(Name);
  RefreshTabs();
  SectionsTabControl->setCurrentIndex(Index);
}

void TZrDemoEditorForm::DeleteLanguage()
{
  const int Index = SectionsTabControl->currentIndex();
  // The first two sections (normally Info and Script) stay.
  if (Index <= 1)
    return;
  Script.DeleteSection(Index);
  RefreshTabs();
}

bool TZrDemoEditorForm::HandOverScript()
{
  if (Playback.IsPlaying() || Playback.IsRecording())
    return false;
  StoreMemo();
  Playback.SetScript(Script);
  return true;
}

void TZrDemoEditorForm::Play()
{
  if (!HandOverScript())
    return;
  // Refused, or the user kept the open image: the window stays.
  if (!Playback.Play(0) || !Playback.IsPlaying())
    return;
  // However the demonstration ends (played, stopped, failed), the window
  // comes back.
  PlayEnded = connect(&Playback, &TZrDemoPlayback::Ended, this, [this] {
    disconnect(PlayEnded);
    show();
    ShowStatus();
  });
  hide();
}

void TZrDemoEditorForm::Record()
{
  if (!HandOverScript())
    return;
  Recorder = std::make_unique<TZrDemoRecorder>(Playback);
  // After the script's last line.
  if (!Recorder->Start(-1)) {
    Recorder.reset();
    return;
  }
  ScriptMemo->setEnabled(false);
  Playback.OnRecordLine = [this](TZrDemoPlayback *, int, const QString &) { ShowStatus(); };
  ShowStatus();
}

bool TZrDemoEditorForm::Recording() const
{
  return Recorder && Recorder->Recording();
}

void TZrDemoEditorForm::StopRecording()
{
  if (!Recording())
    return;
  Recorder->Stop();
  Recorder.reset();
  Playback.OnRecordLine = nullptr;
  Script.Assign(Playback.Script);
  ScriptMemo->setEnabled(true);
  // The new lines are in the script section; show them there.
  int ScriptTab = CurrentTab;
  Script.FindSection("Script", ScriptTab);
  {
    const QSignalBlocker Quiet(SectionsTabControl);
    SectionsTabControl->setCurrentIndex(ScriptTab);
  }
  ShowSection(ScriptTab);
  ScriptMemo->moveCursor(QTextCursor::End);
  ShowStatus();
}

void TZrDemoEditorForm::Stop()
{
  if (Playback.IsPlaying())
    Playback.Interrupt();
  else
    StopRecording();
}

void TZrDemoEditorForm::closeEvent(QCloseEvent *Event)
{
  StopRecording();
  TZrFormT<QMainWindow>::closeEvent(Event);
}

void TZrDemoEditorForm::UpdateControls()
{
  const bool Busy = Playback.IsPlaying() || Playback.IsRecording();
  for (QAction *Action : {PlayMenuItem, PlayToolButton, RecordMenuItem, RecordToolButton})
    Action->setEnabled(!Busy);
  StopMenuItem->setEnabled(Busy);
  StopToolButton->setEnabled(Busy);
  DeleteLanguageMenuItem->setEnabled(SectionsTabControl->currentIndex() > 1);
  if (MessageToolButton->isChecked() != Playback.RecordMessages())
    MessageToolButton->setChecked(Playback.RecordMessages());
  MessageComboBox->setEnabled(Playback.RecordMessages());
  UIToolButton->setChecked(Playback.RecordUserInterface);
}

void TZrDemoEditorForm::ShowStatus()
{
  if (Recording())
    StatusBar->showMessage(
        QStringLiteral("Recording: %1 lines added").arg(Recorder ? Recorder->Lines().size() : 0));
  else
    StatusBar->showMessage(QStringLiteral("%1 script lines").arg(Script.Lines().size()));
}

void TZrDemoEditorForm::Fail(const QString &Text)
{
  ZrApplication().MessageBox(Text, QString::fromLatin1(Caption), mb::OK | mb::IconError);
}

// ---------------------------------------------------------------------------
// The module

TZrDemoEditorModule::TZrDemoEditorModule()
{
  TMainForm *Main = MainForm();
  if (!Main)
    return;
  DemoEditorMenuItem =
      Main->AddMenuItem(QStringLiteral("Demo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D),
                        Main->FileMenuSeparator, Main->FileMenuItem, -1, [this] { ShowEditor(); });
  DemoEditorMenuItem->setVisible(false);
  Shortcut = new QShortcut(DemoEditorMenuItem->shortcut(), Main);
  Shortcut->setContext(Qt::ApplicationShortcut);
  connect(Shortcut, &QShortcut::activated, this, &TZrDemoEditorModule::ShowEditor);
  connect(DemoEditorMenuItem, &QAction::changed, this, &TZrDemoEditorModule::FollowItemVisibility);
  FollowItemVisibility();
}

TZrDemoEditorModule::~TZrDemoEditorModule()
{
  // The window goes while the playback it records into still exists (the
  // demonstrations are made before this module and freed after it).
  delete Form.data();
}

void TZrDemoEditorModule::FollowItemVisibility()
{
  if (Shortcut && DemoEditorMenuItem)
    Shortcut->setEnabled(!DemoEditorMenuItem->isVisible());
}

void TZrDemoEditorModule::UpdateControls()
{
  FollowItemVisibility();
}

void TZrDemoEditorModule::ShowEditor()
{
  TZrDemonstrationModule *Demonstrations = DemonstrationModule();
  TMainForm *Main = MainForm();
  if (!Demonstrations || !Main)
    return;
  if (!Form) {
    Form = new TZrDemoEditorForm(*Demonstrations->Playback, Main);
    // At the top right of the image area, inside the toolbars and panels.
    // On the screen all the same when the main window is small.
    if (QWidget *Area = Main->centralWidget()) {
      const QPoint TopRight = Area->mapToGlobal(QPoint(Area->width(), 0));
      QPoint At(TopRight.x() - Form->width() - 4, TopRight.y() + 4);
      if (const QScreen *Screen = Main->screen()) {
        const QRect Room = Screen->availableGeometry();
        At.setX(std::clamp(At.x(), Room.left(),
                           std::max(Room.left(), Room.right() + 1 - Form->width())));
        At.setY(std::clamp(At.y(), Room.top(),
                           std::max(Room.top(), Room.bottom() + 1 - Form->height())));
      }
      Form->move(At);
    }
  }
  // Not while the window's own script plays: it comes back at the end.
  if (Demonstrations->Playback->IsPlaying())
    return;
  Form->show();
  Form->raise();
  Form->activateWindow();
}

} // namespace facette
