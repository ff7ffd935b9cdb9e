#include "editor/ui/ZrGraphicsEditor.h"

#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsTool.h"
#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrScrollTool.h"
#include "editor/ui/ZrToolPanel.h"
#include "editor/ZrDocumentImageFormats.h"
#include "editor/ZrFolderBrowsing.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrSDF.h"
#include "imaging/ui/ZrJPEGOptionsForm.h"
#include "imaging/ZrBitmap.h"
#include "scanner/ui/ZrScanner.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace facette {

namespace {

TZrGraphicsEditor *Global = nullptr;

// Message box flags of the save question.
constexpr int SaveQuestionFlags = mb::YesNoCancel | mb::IconWarning; // 51
constexpr int ErrorFlags = mb::OK | mb::IconError;                   // 16

QString Format1(const QString &Pattern, const QString &Argument)
{
  QString Text = Pattern;
  Text.replace(QStringLiteral("%s"), Argument);
  return Text;
}

std::filesystem::path ToPath(const QString &Name)
{
  return std::filesystem::path(ToUtf8(Name));
}

void MakeTextButton(QToolBar *Toolbar, QAction *Item)
{
  if (auto *Button = qobject_cast<QToolButton *>(Toolbar->widgetForAction(Item)))
    Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
}

} // namespace

TZrGraphicsEditor *GraphicsEditor()
{
  return Global;
}

// What the documents need of the editor.
class TZrGraphicsEditor::THost : public IZrGraphicsDocumentHost
{
public:
  explicit THost(TZrGraphicsEditor &Editor) : Editor(Editor) {}

  std::vector<IZrGraphicsDocumentListener *> GraphicsTools() override
  {
    std::vector<IZrGraphicsDocumentListener *> Tools;
    for (TZrGraphicsTool *Tool : TZrGraphicsEditor::GraphicsTools())
      Tools.push_back(Tool);
    return Tools;
  }
  IZrGraphicsDocumentListener *CurrentTool() override { return Editor.CurrentTool(); }
  // Any document's image may change (one is read before the current one
  // closes); the panels show the current document's.
  void ShowImageSize(int32_t, int32_t) override { Editor.ShowImageStatus(); }
  std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Doc) override
  {
    return facette::CreateGraphicsView(Doc, &Editor);
  }

private:
  TZrGraphicsEditor &Editor;
};

namespace {

// The image files as the editor reads and writes them: with the hourglass
// while a photo is read or written (a large one takes a while). The JPEG
// options are asked before, without it.
class TEditorImageFormats : public TZrDocumentImageFormats
{
public:
  bool Load(TZrDocument &Document, const std::filesystem::path &FileName, int32_t &Format) override
  {
    TZrBusyWork Busy;
    return TZrDocumentImageFormats::Load(Document, FileName, Format);
  }
  bool Save(TZrDocument &Document, const std::filesystem::path &FileName, int32_t Format) override
  {
    TZrBusyWork Busy;
    return TZrDocumentImageFormats::Save(Document, FileName, Format);
  }
};

} // namespace

TZrGraphicsEditor::TZrGraphicsEditor()
    : Host(std::make_unique<THost>(*this)), FormatList(std::make_unique<TEditorImageFormats>())
{
  Global = this;
  TMainForm *Main = MainWindow();
  FormatList->AskJpegQuality = [this](TZrJpegOptions &Options) {
    return ExecuteJPEGOptions(MainWindow(), Options);
  };
  Main->OnDropFile = [this](const QString &FileName) { OpenFromMainWindow(FileName); };
  // A demonstration stopped while its script holds the button down ends
  // the tool's mouse action as it is; whatever the tool has pending is
  // given up.
  DemoRegistry().RegisterDemoStopHandler([Self = QPointer<TZrGraphicsEditor>(this)](bool Held) {
    TZrGraphicsTool *Tool = Self ? Self->CurrentTool() : nullptr;
    if (!Tool)
      return;
    if (Held)
      Tool->AbortMouseAction();
    Tool->CancelPendingAction();
  });
  DemoRegistry().Host = this;
  // Without a document the image area shows the view's background.
  Workspace = new QWidget(Main);
  Workspace->setObjectName(QStringLiteral("Workspace"));
  Workspace->setAutoFillBackground(true);
  QPalette Colors = Workspace->palette();
  Colors.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
  Workspace->setPalette(Colors);
  Main->setCentralWidget(Workspace);
  connect(Main, &TMainForm::Destroying, this, [this] {
    if (Workspace && !Workspace->parent())
      delete Workspace.data();
  });

  // Previous and next image, between the file and the edit buttons.
  auto *BrowseSeparator = new QAction(StandardToolbar);
  BrowseSeparator->setSeparator(true);
  StandardToolbar->insertAction(EditToolbarSeparator, BrowseSeparator);
  Main->AddToolbarItem(
      StandardToolbar, Main->Images(), EditToolbarSeparator, QString(),
      Main->AddResourceImage(QStringLiteral("PrevImage")), [this] { PreviousImage(); },
      PrevImageButton);
  Main->AddToolbarItem(
      StandardToolbar, Main->Images(), EditToolbarSeparator, QString(),
      Main->AddResourceImage(QStringLiteral("NextImage")), [this] { NextImage(); },
      NextImageButton);

  // Zoom: menu items in the View menu before the Toolbars item, buttons at
  // the end of the standard toolbar.
  QMenu *View = Main->ViewMenuItem;
  ZoomMenuSeparator = Main->AddSeparator(View, Main->ToolbarsMenuItem->menuAction());
  ZoomToolbarSeparator = StandardToolbar->addSeparator();
  struct TZoomItem
  {
    const char *Image;
    // The first is the one the menu shows.
    QList<QKeySequence> ShortCuts;
    std::function<void()> Handler;
    QAction *&MenuItem;
    QAction *&Button;
  };
  // The numeric pad's plus and minus with Ctrl do not arrive as shortcuts
  // on every X11 set-up; the main keyboard's keys do ("=" is the unshifted
  // "+" on many layouts), and the menu shows those.
  const auto Keypad = [](Qt::Key Key) {
    return QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Key));
  };
  const TZoomItem ZoomItems[] = {
      {"ZoomIn",
       {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
        Keypad(Qt::Key_Plus)},
       [this] { ZoomIn(); },
       ZoomInMenuItem,
       ZoomInButton},
      {"ZoomOut",
       {QKeySequence(Qt::CTRL | Qt::Key_Minus), Keypad(Qt::Key_Minus)},
       [this] { ZoomOut(); },
       ZoomOutMenuItem,
       ZoomOutButton},
      {"ActualSize",
       {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0)},
       [this] { ActualSize(); },
       ActualSizeMenuItem,
       ActualSizeButton},
      {"BestFit", {}, [this] { BestFit(); }, ScaleToBestFitMenuItem, ScaleToBestFitButton},
  };
  for (const TZoomItem &Item : ZoomItems) {
    const int Image = Main->AddResourceImage(QString::fromLatin1(Item.Image));
    Item.MenuItem = Main->AddMenuItem(QString(), {}, ZoomMenuSeparator, View, Image, Item.Handler);
    Item.MenuItem->setShortcuts(Item.ShortCuts);
    Main->AddToolbarItem(StandardToolbar, Main->Images(), nullptr, QString(), Image, Item.Handler,
                         Item.Button);
  }

  // Scanner import in the File menu: the Import submenu lists the sources
  // each time it opens (the two direct items stay hidden and only follow
  // its enabled state).
  QMenu *File = Main->FileMenuItem;
  CloseMenuSeperator = Main->AddSeparator(File, Main->FileMenuSeparator);
  SelectTwainSourceMenuItem =
      Main->AddMenuItem(QString(), {}, Main->FileMenuSeparator, File, -1, nullptr);
  SelectTwainSourceMenuItem->setVisible(ScannerItemsVisible);
  AcquireMenuItem = Main->AddMenuItem(QString(), {}, Main->FileMenuSeparator, File, -1, nullptr);
  AcquireMenuItem->setVisible(ScannerItemsVisible);
  ImportSubmenu = Main->AddSubmenu(QString(), File, Main->FileMenuSeparator);
  // Whether photos taken with the camera turned open upright.
  UprightMenuItem = Main->AddMenuItem(QString(), {}, Main->FileMenuSeparator, File, -1, [this] {
    FormatList->ApplyOrientation = UprightMenuItem->isChecked();
  });
  UprightMenuItem->setCheckable(true);
  UprightMenuItem->setChecked(FormatList->ApplyOrientation);
  Scanner = new TZrScanner(this);
  Scanner->OnMenusEnabled = [this](bool Enabled) {
    ImportSubmenu->menuAction()->setEnabled(Enabled);
    SelectTwainSourceMenuItem->setEnabled(Enabled);
    AcquireMenuItem->setEnabled(Enabled);
    // The status bar's meter shows the scan in thousandths.
    if (TProgressMeter *Meter = ProgressMeter())
      Meter->Start(Enabled ? 0 : 1000);
  };
  Scanner->OnImageReady = [this](const QString &FileName) { OpenScannedImage(FileName); };
  Scanner->OnError = [this](const QString &Reason) {
    ZrApplication().MessageBox(QString(LocalString(1322)).replace(QStringLiteral("%s"), Reason),
                               mb::OK | mb::IconError);
  };
  Scanner->OnProgress = [](double Done) {
    if (TProgressMeter *Meter = ProgressMeter())
      while (Meter->Position() < std::min(static_cast<int32_t>(Done * 1000), 1000))
        Meter->Step();
  };
  connect(ImportSubmenu, &QMenu::aboutToShow, this, [this] {
    Scanner->RefreshSources();
    RebuildImportMenu();
  });
  connect(Scanner, &TZrScanner::SourcesChanged, this, [this] { RebuildImportMenu(); });

  // Status panels: X and Y of the pointer, W and H of the image, R, G and B
  // of the pixel under the pointer. Widths follow the window's font.
  const int H = QFontMetrics(Main->font()).height();
  const int H15 = MulDiv(H, 3, 2);
  XStatusPanel = AddStatusPanel(QStringLiteral("X:"), 2 * H, 4 * H, false);
  YStatusPanel = AddStatusPanel(QStringLiteral("Y:"), H15, 5 * H, true);
  WStatusPanel = AddStatusPanel(QStringLiteral("W:"), 2 * H, 4 * H, false);
  HStatusPanel = AddStatusPanel(QStringLiteral("H:"), H15, 5 * H, true);
  RStatusPanel = AddStatusPanel(QStringLiteral("R:"), H15, 4 * H, false);
  GStatusPanel = AddStatusPanel(QStringLiteral("G:"), H15, 4 * H, false);
  BStatusPanel = AddStatusPanel(QStringLiteral("B:"), H15, 5 * H, true);
  // The zoom in per cent, in a framed panel of its own.
  ZoomStatusPanel = AddStatusPanel(QString(), 0, 5 * H, true);

  // The hand tool, and its cursor.
  ZrApplication().CreateModule<TZrScrollTool>();
  const QString HandPicture = QStringLiteral(":/images/Hand.svg");
  if (QFile::exists(HandPicture))
    // Drawn for the screen's scale factor, so that it is sharp there.
    SetScreenCursor(HandCursor,
                    QCursor(QIcon(HandPicture).pixmap(QSize(32, 32), qGuiApp->devicePixelRatio())));
  else
    SetScreenCursor(HandCursor, QCursor(Qt::OpenHandCursor));
}

TZrGraphicsEditor::~TZrGraphicsEditor()
{
  // The documents go while the editor that hosts their views still exists.
  while (TZrDocument *Doc = CurrentDocument())
    RemoveDocument(*Doc);
  if (Global == this)
    Global = nullptr;
  if (DemoRegistry().Host == this)
    DemoRegistry().Host = nullptr;
}

QLabel *TZrGraphicsEditor::AddStatusPanel(const QString &Label, int LabelWidth, int ValueWidth,
                                          bool Framed)
{
  QStatusBar *Status = MainWindow()->statusBar();
  auto *Caption = new QLabel(Label, Status);
  Caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Caption->setFixedWidth(LabelWidth);
  Status->addWidget(Caption);
  auto *Value = new QLabel(Status);
  Value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Value->setFixedWidth(ValueWidth);
  Value->setContentsMargins(3, 0, 0, 0);
  Status->addWidget(Value);
  if (Framed) {
    auto *Line = new QFrame(Status);
    Line->setFrameShape(QFrame::VLine);
    Line->setFrameShadow(QFrame::Sunken);
    Status->addWidget(Line);
  }
  return Value;
}

TZrDocumentFormats &TZrGraphicsEditor::Formats()
{
  return *FormatList;
}

int32_t TZrGraphicsEditor::JpegQuality() const
{
  return FormatList->JpegQuality;
}

void TZrGraphicsEditor::SetJpegQuality(int32_t Quality)
{
  if (Quality >= 1 && Quality <= 100)
    FormatList->JpegQuality = Quality;
}

void TZrGraphicsEditor::ReportSaveFailure(const QString &FileName)
{
  if (!FormatList->LastCancelled)
    TZrEditor::ReportSaveFailure(FileName);
}

TZrGraphicsDocument *TZrGraphicsEditor::ActiveDocument() const
{
  return dynamic_cast<TZrGraphicsDocument *>(CurrentDocument());
}

TZrGraphicsView *TZrGraphicsEditor::ActiveView() const
{
  TZrGraphicsDocument *Doc = ActiveDocument();
  IZrGraphicsViewLink *Link = Doc ? Doc->ViewLink() : nullptr;
  return Link ? qobject_cast<TZrGraphicsView *>(Link->Widget()) : nullptr;
}

void TZrGraphicsEditor::FinishDrafts()
{
  if (TZrGraphicsView *View = ActiveView())
    View->FinishDrafts();
}

std::vector<TZrGraphicsTool *> TZrGraphicsEditor::GraphicsTools()
{
  std::vector<TZrGraphicsTool *> Tools;
  if (!TZrApplication::Exists())
    return Tools;
  TZrApplication &App = ZrApplication();
  for (int I = 0; I < App.ComponentCount(); ++I)
    if (auto *Tool = dynamic_cast<TZrGraphicsTool *>(App.Component(I)))
      Tools.push_back(Tool);
  return Tools;
}

// Module

void TZrGraphicsEditor::Localize()
{
  TZrEditor::Localize();
  const struct
  {
    QAction *MenuItem;
    QAction *Button;
    int Id;
  } Zoom[] = {{ZoomInMenuItem, ZoomInButton, 98},
              {ZoomOutMenuItem, ZoomOutButton, 99},
              {ActualSizeMenuItem, ActualSizeButton, 166},
              {ScaleToBestFitMenuItem, ScaleToBestFitButton, 178}};
  for (const auto &Item : Zoom) {
    Item.MenuItem->setText(LocalString(Item.Id));
    Item.Button->setText(LocalString(Item.Id));
    Item.Button->setToolTip(ShortcutHint(LocalString(Item.Id), Item.MenuItem->shortcut()));
  }
  ZoomStatusPanel->setToolTip(LocalString(1035));
  ShowZoomStatus();
  PrevImageButton->setText(LocalString(2104));
  PrevImageButton->setToolTip(LocalString(2104));
  NextImageButton->setText(LocalString(2105));
  NextImageButton->setToolTip(LocalString(2105));
  SelectTwainSourceMenuItem->setText(LocalString(102));
  AcquireMenuItem->setText(LocalString(101));
  ImportSubmenu->setTitle(LocalString(17));
  UprightMenuItem->setText(LocalString(1242, QStringLiteral("Turn Photos &Upright")));
  UprightMenuItem->setStatusTip(LocalString(
      1243, QStringLiteral("Photos taken with the camera turned open upright, as their EXIF "
                           "orientation says, and are saved upright.")));
  if (OkButton) {
    OkButton->setText(LocalString(3001));
    OkButton->setToolTip(LocalString(3001));
    CancelButton->setText(LocalString(3002));
    CancelButton->setToolTip(LocalString(3002));
  }
}

void TZrGraphicsEditor::LoadSettings(TZrSDFReader &Reader)
{
  TZrEditor::LoadSettings(Reader);
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  int32_t Quality = JpegQuality();
  if (Reader.ReadInteger(1, Quality))
    SetJpegQuality(Quality);
  Reader.ReadBoolean(2, StoredOption);
  Reader.ReadBoolean(3, FormatList->MinimalLossJPEG);
  Reader.ReadBoolean(4, FormatList->ApplyOrientation);
  UprightMenuItem->setChecked(FormatList->ApplyOrientation);
  Reader.LeaveNode();
}

void TZrGraphicsEditor::SaveSettings(TZrSDFWriter &Writer)
{
  TZrEditor::SaveSettings(Writer);
  Writer.BeginNode(1, SettingsGuid);
  Writer.WriteInteger(1, JpegQuality());
  Writer.WriteBoolean(2, StoredOption);
  Writer.WriteBoolean(3, FormatList->MinimalLossJPEG);
  Writer.WriteBoolean(4, FormatList->ApplyOrientation);
  Writer.EndNode();
}

void TZrGraphicsEditor::UpdateControls()
{
  TZrEditor::UpdateControls();
  const bool HasDocument = SaveAsMenuItem->isEnabled();
  for (QAction *Item : {ZoomInMenuItem, ZoomOutMenuItem, ActualSizeMenuItem, ScaleToBestFitMenuItem,
                        ZoomInButton, ZoomOutButton, ActualSizeButton, ScaleToBestFitButton})
    Item->setEnabled(HasDocument);
  PrevImageButton->setEnabled(!FolderFiles.isEmpty() && FolderIndex > 0);
  NextImageButton->setEnabled(!FolderFiles.isEmpty() && FolderIndex < FolderFiles.size() - 1);
  // Tools may zoom the view themselves; the panel catches up here.
  ShowZoomStatus();
}

// Documents

std::unique_ptr<TZrDocument> TZrGraphicsEditor::CreateDocument()
{
  return std::make_unique<TZrGraphicsDocument>(*this, Host.get());
}

bool TZrGraphicsEditor::AttachDocument(TZrDocument &Doc, TZrDocumentView *&View)
{
  if (!TZrEditor::AttachDocument(Doc, View))
    return false;
  // The workspace was taken out of the window for the view; it stays at
  // hand for when no document is open again.
  if (Workspace && !Workspace->parent()) {
    Workspace->setParent(MainWindow());
    Workspace->hide();
  }
  auto *GraphicsView = qobject_cast<TZrGraphicsView *>(View);
  auto *GraphicsDoc = dynamic_cast<TZrGraphicsDocument *>(&Doc);
  if (!GraphicsView || !GraphicsDoc)
    return true;
  for (TZrGraphicsTool *Tool : GraphicsTools())
    Tool->CreateControl(*GraphicsView);
  GraphicsView->installEventFilter(this);
  // The image is part of the scroll extent before the fit centres it.
  GraphicsView->DocumentView->SetVisible(true);
  FitOnOpen(GraphicsDoc, GraphicsView);
  // Its controls in the new view take part.
  if (CurrentTool_)
    CurrentTool_->Activate();
  return true;
}

void TZrGraphicsEditor::ActivateDocument(TZrDocument &Doc)
{
  // An image handed over by the filter plug-in.
  if (Doc.Format == -1)
    SetPlugInMode(true);
  TZrEditor::ActivateDocument(Doc);
  ShowImageStatus();
}

void TZrGraphicsEditor::ActivateDocumentHandler(TZrDocument *Sender)
{
  if (Sender)
    ActivateDocument(*Sender);
}

void TZrGraphicsEditor::RemoveDocument(TZrDocument &Doc)
{
  if (auto *GraphicsDoc = dynamic_cast<TZrGraphicsDocument *>(&Doc))
    for (TZrGraphicsTool *Tool : GraphicsTools())
      Tool->ForgetDocument(*GraphicsDoc);
  FitPending = false;
  Fitted = TZrFit::None;
  TZrEditor::RemoveDocument(Doc);
  TMainForm *Main = MainWindow();
  if (!CurrentDocument() && Main && Workspace && !Main->centralWidget()) {
    Main->setCentralWidget(Workspace);
    Workspace->show();
  }
  // Without a document the panels are empty, not left at the last photo's
  // values (unless the window and its panels are gone already).
  if (!CurrentDocument() && Main) {
    for (QLabel *Panel : {XStatusPanel, YStatusPanel, RStatusPanel, GStatusPanel, BStatusPanel})
      Panel->clear();
    ShowImageStatus();
    ShowZoomStatus();
  }
}

bool TZrGraphicsEditor::Open(const QString &FileName, TZrDocument *&Doc, bool AddToRecent)
{
  if (!TZrEditor::Open(FileName, Doc, AddToRecent))
    return false;
  TZrGraphicsView *View = ActiveView();
  if (!View)
    return true;
  RebuildFolderList(FileName);
  FitOnOpen(ActiveDocument(), View);
  if (Playback && Playback->IsRecording()) {
    Playback->RecordLine(QStringLiteral("MouseCurvedMove Open"));
    if (Playback->RecordMessages())
      Playback->RecordLine(QStringLiteral("Message \"Open Image\""));
    Playback->RecordLine(QStringLiteral("ImageOpen \"%1\", %2, %3")
                             .arg(QFileInfo(FileName).fileName())
                             .arg(View->width())
                             .arg(View->height()));
  }
  return true;
}

void TZrGraphicsEditor::RebuildImportMenu()
{
  ImportSubmenu->clear();
  const std::vector<TZrScanSource> &Sources = Scanner->Sources();
  for (const TZrScanSource &Source : Sources) {
    QString Caption = QString::fromStdString(Source.DisplayName());
    // Two scanners of one model are told apart by their device names.
    const auto SameCaption = [&](const TZrScanSource &Other) {
      return &Other != &Source && Other.DisplayName() == Source.DisplayName();
    };
    if (std::any_of(Sources.begin(), Sources.end(), SameCaption))
      Caption += QStringLiteral(" (") + QString::fromStdString(Source.Name) + QLatin1Char(')');
    const QString Name = QString::fromStdString(Source.Name);
    QAction *Item =
        ImportSubmenu->addAction(Caption, this, [this, Name] { Scanner->Acquire(Name); });
    Item->setToolTip(QString::fromStdString(Source.Type));
  }
  if (Scanner->Listing() || Sources.empty()) {
    QAction *Note =
        ImportSubmenu->addAction(Scanner->Listing() ? LocalString(1321) : LocalString(1320));
    Note->setEnabled(false);
  }
}

void TZrGraphicsEditor::OpenScannedImage(const QString &FileName)
{
  TZrDocument *Doc = nullptr;
  if (!Open(FileName, Doc, false) || !Doc)
    return;
  // The scan has no file yet: it is untitled, the temporary folder is not
  // browsed, and closing it asks to save it so the scan is never lost.
  Doc->FileName.clear();
  Doc->Saved = false;
  Doc->SavedSerial = std::numeric_limits<uint64_t>::max();
  FolderFiles.clear();
  FolderIndex = -1;
  UpdateCaption();
}

void TZrGraphicsEditor::OpenFromMainWindow(const QString &FileName)
{
  // The plug-in's image is the only one there is in plug-in mode.
  if (PlugInMode)
    return;
  TZrDocument *Doc = nullptr;
  Open(FileName, Doc, true);
}

bool TZrGraphicsEditor::OpenQuietly(const QString &FileName, TZrDocument *&Doc, QString *Reason)
{
  const bool WasQuiet = QuietOpen;
  QuietOpen = true;
  FormatList->LastError.clear();
  const bool Opened = Open(FileName, Doc, true);
  QuietOpen = WasQuiet;
  if (!Opened && Reason) {
    *Reason = ToQString(FormatList->LastError);
    if (Reason->isEmpty())
      *Reason = QFileInfo(FileName).isFile() ? QStringLiteral("the file cannot be read as an image")
                                             : QStringLiteral("there is no such file");
  }
  return Opened;
}

void TZrGraphicsEditor::ReportOpenFailure(const QString &FileName)
{
  const bool RefusedExchange = FormatList->LastRefusedExchange;
  if (RefusedExchange)
    ZrApplication().ExitCode = -1;
  if (QuietOpen)
    return;
  if (RefusedExchange)
    ZrApplication().MessageBox(Format1(LocalString(1350), FileName), ErrorFlags);
  else
    TZrEditor::ReportOpenFailure(FileName);
}

void TZrGraphicsEditor::ReportOpenWarning(const QString &Text)
{
  if (!QuietOpen)
    TZrEditor::ReportOpenWarning(Text);
}

void TZrGraphicsEditor::UpdateCaption()
{
  if (PlugInMode && MainWindow()) {
    MainWindow()->setWindowTitle(ZrApplication().Title() + QStringLiteral("[*]"));
    return;
  }
  TZrEditor::UpdateCaption();
}

void TZrGraphicsEditor::DocumentOpened(TZrDocument &Doc)
{
  // The exchange file is no file to come back to.
  if (!PlugInMode)
    TZrEditor::DocumentOpened(Doc);
}

// Folder browsing

void TZrGraphicsEditor::RebuildFolderList(const QString &FileName)
{
  FolderFiles.clear();
  const QFileInfo Info(FileName);
  const std::vector<std::filesystem::path> Files = ListFolderImages(ToPath(Info.absolutePath()));
  for (const std::filesystem::path &File : Files)
    FolderFiles << ToQString(File.string());
  FolderIndex = FolderIndexOf(Files, ToPath(Info.absoluteFilePath()));
}

void TZrGraphicsEditor::OpenFolderEntry()
{
  // The index has moved already and stays moved when the file does not
  // open (or the user keeps the current one).
  // A copy: opening rebuilds the list the name is in.
  const QString FileName = FolderFiles[FolderIndex];
  TZrDocument *Doc = nullptr;
  Open(FileName, Doc, true);
}

void TZrGraphicsEditor::NextImage()
{
  if (PlugInMode || FolderIndex + 1 >= FolderFiles.size())
    return;
  ++FolderIndex;
  OpenFolderEntry();
}

void TZrGraphicsEditor::PreviousImage()
{
  if (PlugInMode || FolderIndex <= 0 || FolderIndex > FolderFiles.size())
    return;
  --FolderIndex;
  OpenFolderEntry();
}

// Zoom

TZrZoom TZrGraphicsEditor::CurrentZoom() const
{
  const auto [Numerator, Denominator] = ActiveView()->GetZoom();
  return TZrZoom{Numerator, Denominator};
}

void TZrGraphicsEditor::SetZoom(TZrZoom Zoom)
{
  if (TZrGraphicsView *View = ActiveView())
    View->SetZoom(Zoom.Numerator, Zoom.Denominator);
}

void TZrGraphicsEditor::RecordZoom(const QString &Keyword, const QString &Message)
{
  TZrDemoRegistry &Registry = DemoRegistry();
  if (!Registry.Playback || !Registry.Playback->IsRecording())
    return;
  Registry.RecordDemoMove(Keyword);
  if (Registry.Playback->RecordMessages())
    Registry.RecordDemoLine(QStringLiteral("Message \"%1\"").arg(Message));
  Registry.RecordDemoLine(Keyword);
}

void TZrGraphicsEditor::ZoomIn()
{
  if (!ActiveView())
    return;
  RecordZoom(QStringLiteral("ZoomIn"), QStringLiteral("Zoom In"));
  FitPending = false;
  Fitted = TZrFit::None;
  SetZoom(ZoomInFrom(CurrentZoom()));
}

void TZrGraphicsEditor::ZoomOut()
{
  if (!ActiveView())
    return;
  RecordZoom(QStringLiteral("ZoomOut"), QStringLiteral("Zoom Out"));
  FitPending = false;
  Fitted = TZrFit::None;
  SetZoom(ZoomOutFrom(CurrentZoom()));
}

void TZrGraphicsEditor::ActualSize()
{
  if (!ActiveView())
    return;
  RecordZoom(QStringLiteral("ActualSize"), QStringLiteral("Actual Size"));
  FitPending = false;
  Fitted = TZrFit::None;
  SetZoom(TZrZoom{1, 1});
}

void TZrGraphicsEditor::BestFit()
{
  if (!ActiveView() || !ActiveDocument())
    return;
  RecordZoom(QStringLiteral("BestFit"), QStringLiteral("Best Fit"));
  FitPending = false;
  Fit(TZrFit::BestFit, *ActiveDocument(), *ActiveView());
}

void TZrGraphicsEditor::Fit(TZrFit How, const TZrGraphicsDocument &Doc, TZrGraphicsView &View)
{
  // The control's outer size (in screen pixels, as zooms count): scroll
  // bars go when the image fits.
  TZrZoom Zoom;
  const TZrRect Image = Doc.ImageBounds();
  const bool Found = How == TZrFit::BestFit
                         ? BestFitZoom(Image.Width(), Image.Height(), View.DeviceWidth(),
                                       View.DeviceHeight(), Zoom)
                         : FitOnOpenZoom(Image.Width(), Image.Height(), View.DeviceWidth(),
                                         View.DeviceHeight(), Zoom);
  if (!Found)
    return;
  View.SetZoom(Zoom.Numerator, Zoom.Denominator);
  // Kept while the view changes size, as long as the zoom is still this
  // one (a tool may zoom the view itself).
  Fitted = How;
  FittedZoom = View.GetZoom();
}

void TZrGraphicsEditor::FitOnOpen(TZrGraphicsDocument *Doc, TZrGraphicsView *View)
{
  if (!Doc || !View)
    return;
  // A view not shown yet has no size of its own: fit once it is shown.
  if (!View->isVisible()) {
    FitPending = true;
    return;
  }
  FitPending = false;
  Fit(TZrFit::OnOpen, *Doc, *View);
}

void TZrGraphicsEditor::FitCurrent()
{
  FitOnOpen(ActiveDocument(), ActiveView());
}

bool TZrGraphicsEditor::eventFilter(QObject *Watched, QEvent *Event)
{
  if (Watched == ActiveView()) {
    if (Event->type() == QEvent::Show && FitPending)
      FitCurrent();
    else if (Event->type() == QEvent::Resize && Fitted != TZrFit::None &&
             ActiveView()->GetZoom() == FittedZoom)
      Fit(Fitted, *ActiveDocument(), *ActiveView());
  }
  return TZrEditor::eventFilter(Watched, Event);
}

void TZrGraphicsEditor::SetMinViewSize(int Width, int Height)
{
  TZrGraphicsView *View = ActiveView();
  TMainForm *Main = MainWindow();
  if (!View || !Main)
    return;
  QRect R = Main->geometry();
  if (View->width() < Width)
    R.setWidth(R.width() + Width - View->width());
  if (View->height() < Height)
    R.setHeight(R.height() + Height - View->height());
  // Kept inside the work area.
  if (const QScreen *Screen = Main->screen()) {
    const QRect Area = Screen->availableGeometry();
    R.setWidth(std::min(R.width(), Area.width()));
    R.setHeight(std::min(R.height(), Area.height()));
    R.moveLeft(std::clamp(R.left(), Area.left(), Area.right() + 1 - R.width()));
    R.moveTop(std::clamp(R.top(), Area.top(), Area.bottom() + 1 - R.height()));
  }
  Main->setGeometry(R);
}

void TZrGraphicsEditor::SetWidthStatus(const QString &Text)
{
  WStatusPanel->setText(Text);
}

void TZrGraphicsEditor::SetHeightStatus(const QString &Text)
{
  HStatusPanel->setText(Text);
}

void TZrGraphicsEditor::ShowPointerStatus(int32_t X, int32_t Y, int32_t Red, int32_t Green,
                                          int32_t Blue)
{
  XStatusPanel->setText(QString::number(X));
  YStatusPanel->setText(QString::number(Y));
  // Outside the image there is no colour to show (black would be a lie).
  const auto Channel = [](int32_t Value) { return Value < 0 ? QString() : QString::number(Value); };
  RStatusPanel->setText(Channel(Red));
  GStatusPanel->setText(Channel(Green));
  BStatusPanel->setText(Channel(Blue));
}

void TZrGraphicsEditor::ShowImageStatus()
{
  if (!MainWindow())
    return;
  const TZrGraphicsDocument *Doc = ActiveDocument();
  const bool Shown = Doc && Doc->HasImage();
  const TZrRect Image = Shown ? Doc->ImageBounds() : TZrRect{};
  SetWidthStatus(Shown ? QString::number(Image.Width()) : QString());
  SetHeightStatus(Shown ? QString::number(Image.Height()) : QString());
}

QString TZrGraphicsEditor::ZoomText(int32_t Numerator, int32_t Denominator)
{
  if (Numerator <= 0 || Denominator <= 0)
    return {};
  // Tenths of a per cent, shown only where the zoom is not a whole per
  // cent (1/3 is 33.3 %, 3/2 is 150 %).
  const int64_t Tenths = (int64_t{1000} * Numerator + Denominator / 2) / Denominator;
  const QString Number = Tenths % 10 == 0 ? QLocale().toString(Tenths / 10)
                                          : QLocale().toString(Tenths / 10.0, 'f', 1);
  return QString(LocalString(1034, QStringLiteral("%s%"))).replace(QStringLiteral("%s"), Number);
}

void TZrGraphicsEditor::ShowZoomStatus()
{
  if (!MainWindow())
    return;
  const TZrGraphicsView *View = ActiveView();
  const QString Text = View ? ZoomText(View->GetZoom().first, View->GetZoom().second) : QString();
  if (ZoomStatusPanel->text() != Text)
    ZoomStatusPanel->setText(Text);
}

IZrDemoPlayback *TZrGraphicsEditor::RecordingPlayback()
{
  return Playback && Playback->IsRecording() ? Playback : nullptr;
}

QString TZrGraphicsEditor::DemoClickCaption()
{
  return DemoRegistry().RecordMessageText;
}

// Before and after a demonstration

void TZrGraphicsEditor::CloseDemoDocument()
{
  if (TZrDocument *Doc = CurrentDocument(); Doc && Doc->OpenedByDemo)
    Doc->Close();
}

bool TZrGraphicsEditor::CloseDocumentsForDemo(QString &ReopenFileName)
{
  while (TZrDocument *Doc = CurrentDocument()) {
    if (PlugInMode) {
      // The host's image goes back into the exchange file, so that nothing
      // is lost while the demonstration has the window; it is opened again
      // afterwards.
      if (TZrGraphicsDocument *Graphics = ActiveDocument(); Graphics && Graphics->Editing())
        Graphics->EndEdit(false);
      const QString FileName = ToQString(Doc->FileName.string());
      if (!Doc->CanSave() || !Doc->Save()) {
        ReportSaveFailure(FileName);
        return false;
      }
      ReopenFileName = FileName;
    }
    if (!Doc->Close() || CurrentDocument() == Doc)
      return false;
  }
  return true;
}

void TZrGraphicsEditor::ReopenAfterDemo(const QString &FileName)
{
  TZrDocument *Doc = nullptr;
  Open(FileName, Doc, false);
}

void TZrGraphicsEditor::ShowToolPanel()
{
  if (TZrToolPanelModule *Panel = ToolPanel())
    Panel->SetPanelVisible(true);
}

// Tools

void TZrGraphicsEditor::SelectTool(TZrGraphicsTool *Tool)
{
  QPointer<TZrGraphicsTool> Old = CurrentTool_;
  if (Old)
    Old->Deactivate();
  PreviousTool_ = Old;
  if (Tool)
    Tool->Activate();
  CurrentTool_ = Tool;
}

bool TZrGraphicsEditor::CanSelectTool(TZrGraphicsTool *Tool) const
{
  TZrGraphicsDocument *Doc = ActiveDocument();
  if (!Doc)
    return false;
  if (ToolLocked && Tool != CurrentTool_)
    return false;
  if (Doc->Editing())
    if (auto *Editing = dynamic_cast<TZrGraphicsTool *>(Doc->EditTool());
        Editing && Editing != Tool && Editing->Exclusive)
      return false;
  return true;
}

// Undo and redo

bool TZrGraphicsEditor::CanUndo() const
{
  const TZrGraphicsDocument *Doc = ActiveDocument();
  return TZrEditor::CanUndo() && !(Doc && Doc->Editing());
}

bool TZrGraphicsEditor::CanRedo() const
{
  const TZrGraphicsDocument *Doc = ActiveDocument();
  return TZrEditor::CanRedo() && !(Doc && Doc->Editing());
}

void TZrGraphicsEditor::UndoStep()
{
  HistoryStep(true);
}

void TZrGraphicsEditor::RedoStep()
{
  HistoryStep(false);
}

void TZrGraphicsEditor::HistoryStep(bool Backwards)
{
  TZrGraphicsDocument *Doc = ActiveDocument();
  auto Step = [&] {
    if (Backwards)
      TZrEditor::UndoStep();
    else
      TZrEditor::RedoStep();
  };
  if (!Doc) {
    Step();
    return;
  }
  // The tools hear of every single step, with the state it undoes or redoes
  // and the state it leads to.
  auto Notified = [&] {
    if (Backwards) {
      Doc->NotifyBeforeUndo(Doc->History.LastUndo());
      Step();
      Doc->NotifyAfterUndo(Doc->History.LastUndo());
    } else {
      Doc->NotifyBeforeRedo(Doc->History.NextRedo());
      Step();
      Doc->NotifyAfterRedo(Doc->History.NextRedo());
    }
  };
  auto Again = [&] { return RepeatUndo && (Backwards ? CanUndo() : CanRedo()); };
  if (KeepToolOnUndo) {
    InUndo = true;
    do {
      RepeatUndo = false;
      Notified();
    } while (Again());
    InUndo = false;
    return;
  }
  // The current tool is deselected around each step, so that it drops and
  // rebuilds whatever it keeps about the pixels.
  do {
    RepeatUndo = false;
    QPointer<TZrGraphicsTool> Tool = CurrentTool_;
    SelectTool(nullptr);
    Notified();
    SelectTool(Tool);
  } while (Again());
}

// Plug-in mode

void TZrGraphicsEditor::SetPlugInMode(bool Value)
{
  if (PlugInMode)
    return;
  TZrApplication &App = ZrApplication();
  App.SetTitle(App.Title() + QStringLiteral(" Plug-in"));
  PrevImageButton->setVisible(false);
  NextImageButton->setVisible(false);
  TMainForm *Main = MainWindow();
  Main->FileMenuItem->menuAction()->setVisible(false);
  StandardToolbar->addSeparator();
  Main->AddToolbarItem(
      StandardToolbar, nullptr, nullptr, LocalString(3001), -1, [this] { PlugInOk(); }, OkButton);
  MakeTextButton(StandardToolbar, OkButton);
  Main->AddToolbarItem(
      StandardToolbar, nullptr, nullptr, LocalString(3002), -1, [this] { PlugInCancel(); },
      CancelButton);
  MakeTextButton(StandardToolbar, CancelButton);
  // A script finishes a plug-in run as the user would. The buttons live
  // with the window; a command outliving them does nothing.
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoButton(QStringLiteral("PlugInOk"), OkButton, [this](QObject *Button) {
    if (Button)
      PlugInOk();
  });
  Registry.RegisterDemoButton(QStringLiteral("PlugInCancel"), CancelButton,
                              [this](QObject *Button) {
                                if (Button)
                                  PlugInCancel();
                              });
  TZrEditor::SetPlugInMode(Value);
  UpdateCaption();
}

int TZrGraphicsEditor::AskSaveChanges(const std::string &Name)
{
  if (!PlugInMode)
    return TZrEditor::AskSaveChanges(Name);
  return ZrApplication().MessageBox(Format1(LocalString(94), LocalString(500)), SaveQuestionFlags);
}

bool TZrGraphicsEditor::SaveAsWithDialog(TZrDocument &Doc)
{
  if (!PlugInMode)
    return TZrEditor::SaveAsWithDialog(Doc);
  // The image goes back into the exchange file; the plug-in copies it into
  // its host only when the program says it was written.
  if (!Doc.CanSave())
    return false;
  if (!Doc.Save()) {
    ReportSaveFailure(ToQString(Doc.FileName.string()));
    return false;
  }
  ZrApplication().ExitCode = 0;
  return true;
}

void TZrGraphicsEditor::PlugInOk()
{
  DemoRegistry().RecordDemoCommand(QStringLiteral("PlugInOk"));
  TZrGraphicsDocument *Doc = ActiveDocument();
  if (Doc) {
    // The tool's pixels stay in the image; the tool is not asked.
    if (Doc->Editing())
      Doc->EndEdit(false);
    if (Doc->CanSave()) {
      if (!Doc->Save()) {
        // Nothing went back: the user may try again or cancel.
        ReportSaveFailure(ToQString(Doc->FileName.string()));
        return;
      }
      ZrApplication().ExitCode = 0;
    }
  }
  MainWindow()->close();
}

void TZrGraphicsEditor::PlugInCancel()
{
  DemoRegistry().RecordDemoCommand(QStringLiteral("PlugInCancel"));
  if (TZrGraphicsDocument *Doc = ActiveDocument()) {
    if (Doc->Editing())
      Doc->EndEdit(false);
    // Closing asks nothing.
    Doc->Saved = true;
  }
  MainWindow()->close();
}

// Demo hooks

void TZrGraphicsEditor::DemoCommand(IZrDemoPlayback *Sender, const QString &Command, bool &Handled,
                                    TZrDemoAction *Action, const TZrDemoScriptParams &Params)
{
  Handled = true;
  const auto Size = [&Params](int First, int &Width, int &Height) {
    if (!Params.IsNumeric(First) || !Params.IsNumeric(First + 1))
      return false;
    Width = Params.IntegerArgument(First).value_or(0);
    Height = Params.IntegerArgument(First + 1).value_or(0);
    return true;
  };
  int Width = 0, Height = 0;
  if (Command == QStringLiteral("IMAGEOPEN")) {
    const QString Name = ToQString(Params.StringArgument(0));
    const QString InDemoFolder = DemoFolder + Name;
    const QString FileName = QFileInfo(InDemoFolder).isFile() ? InDemoFolder : Name;
    TZrDocument *Doc = nullptr;
    // The playback reports the failure, with the script line.
    if (OpenQuietly(FileName, Doc)) {
      Doc->OpenedByDemo = true;
      if (Size(1, Width, Height)) {
        SetMinViewSize(Width, Height);
        FitCurrent();
      }
    } else if (Sender) {
      Sender->Error(QStringLiteral("Cannot open the file."));
    } else {
      TZrEditor::ReportOpenFailure(FileName);
    }
  } else if (Command == QStringLiteral("ZOOMIN")) {
    ZoomIn();
  } else if (Command == QStringLiteral("ZOOMOUT")) {
    ZoomOut();
  } else if (Command == QStringLiteral("ACTUALSIZE")) {
    ActualSize();
  } else if (Command == QStringLiteral("BESTFIT")) {
    BestFit();
  } else if (Command == QStringLiteral("SETMINVIEWSIZE")) {
    if (Size(0, Width, Height)) {
      SetMinViewSize(Width, Height);
      FitCurrent();
    }
  } else if (Command == QStringLiteral("SETMINWINDOWSIZE")) {
    TMainForm *Main = MainWindow();
    if (Size(0, Width, Height) && Main) {
      const QRect Area = Main->screen() ? Main->screen()->availableGeometry() : QRect();
      const QRect Whole = Main->screen() ? Main->screen()->geometry() : QRect();
      QRect R = Main->geometry();
      if (R.width() < Width) {
        R.setWidth(Width);
        R.moveLeft(Whole.left() + (Whole.width() - Width) / 2);
      }
      if (R.height() < Height) {
        R.setHeight(Height);
        R.moveTop(Area.top() + (Area.height() - Height) / 2);
      }
      Main->setGeometry(R);
      FitCurrent();
    }
  } else {
    // Everything else is for the base editor, or for the tools after it.
    Handled = false;
    TZrEditor::DemoCommand(Sender, Command, Handled, Action, Params);
  }
}

void TZrGraphicsEditor::DemoTargetPosition(IZrDemoPlayback *Sender,
                                           const TZrDemoScriptParams &Params, bool &Handled,
                                           QPoint &Point)
{
  const QString Name = ToQString(Params.StringArgument(0)).toUpper();
  QAction *Button = nullptr;
  if (Name == QStringLiteral("OPEN") || Name == QStringLiteral("OPENBUTTON"))
    Button = OpenToolButton;
  else if (Name == QStringLiteral("ZOOMIN"))
    Button = ZoomInButton;
  else if (Name == QStringLiteral("ZOOMOUT"))
    Button = ZoomOutButton;
  else if (Name == QStringLiteral("ACTUALSIZE"))
    Button = ActualSizeButton;
  else if (Name == QStringLiteral("BESTFIT"))
    Button = ScaleToBestFitButton;
  if (Button) {
    Handled = true;
    TZrDemoRegistry::TargetPoint(Button, Point);
    return;
  }
  if (Name == QStringLiteral("IMAGE")) {
    TZrGraphicsView *View = ActiveView();
    if (!View)
      return;
    const TZrPoint Image{Params.IntegerArgument(1).value_or(0),
                         Params.IntegerArgument(2).value_or(0)};
    Point = View->mapToGlobal(View->WidgetPoint(View->MapMode().LogicalToDevice(Image)));
    Handled = true;
    return;
  }
  TZrEditor::DemoTargetPosition(Sender, Params, Handled, Point);
}

} // namespace facette
