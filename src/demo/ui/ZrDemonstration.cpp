#include "demo/ui/ZrDemonstration.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrImageList.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrSDF.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace facette {

namespace {

TZrDemonstrationModule *Instance = nullptr;

// The window's designed client size.
constexpr int FormWidth = 554;
constexpr int FormHeight = 438;
// The frame of the pictures.
constexpr QRgb FrameColour = 0xCBCBCB;

int Ask(int Id, int Flags)
{
  return ZrApplication().MessageBox(LocalString(Id), LocalString(37), Flags);
}

} // namespace

TZrDemonstrationModule *DemonstrationModule()
{
  return Instance;
}

QImage DemoThumbnail(const QImage &Picture)
{
  constexpr int Size = TZrDemonstrationForm::ThumbnailSize;
  QImage Result(Size, Size, QImage::Format_RGB888);
  Result.fill(Qt::white);
  if (!Picture.isNull()) {
    const QImage Fitted = Picture.scaled(Size, Size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter Painter(&Result);
    Painter.drawImage((Size - Fitted.width()) / 2, (Size - Fitted.height()) / 2, Fitted);
  }
  QPainter Painter(&Result);
  const QColor Frame = QColor::fromRgb(FrameColour);
  Painter.fillRect(0, 0, Size, 1, Frame);
  Painter.fillRect(0, Size - 1, Size, 1, Frame);
  Painter.fillRect(0, 0, 1, Size, Frame);
  Painter.fillRect(Size - 1, 0, 1, Size, Frame);
  return Result;
}

// ---------------------------------------------------------------------------
// The list window

TZrDemonstrationForm::TZrDemonstrationForm(const QString &DemoFolder, int ListIndex,
                                           bool ShowAtStartup, QWidget *Parent)
    : TZrFormT<QDialog>(Parent)
{
  setFixedSize(FormWidth, FormHeight);
  SelectLabel = new QLabel(this);
  EscTntLabel = new QLabel(this);
  DemoImageList = new TZrImageList(QSize(ThumbnailSize, ThumbnailSize), this);
  DemoListView = new QListWidget(this);
  DemoListView->setViewMode(QListView::IconMode);
  DemoListView->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
  // Room below each picture for a title of two or three lines.
  DemoListView->setGridSize(QSize(124, 124));
  DemoListView->setMovement(QListView::Static);
  DemoListView->setResizeMode(QListView::Adjust);
  DemoListView->setWordWrap(true);
  DemoListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DemoListView->setSelectionMode(QAbstractItemView::SingleSelection);
  ShowAtStartupCheckBox = new QCheckBox(this);
  StartButton = new QPushButton(this);
  StartButton->setDefault(true);
  StartButton->setEnabled(false);
  CloseButton = new QPushButton(this);

  auto *Layout = new QVBoxLayout(this);
  Layout->addWidget(SelectLabel);
  Layout->addWidget(EscTntLabel);
  Layout->addWidget(DemoListView, 1);
  auto *Buttons = new QHBoxLayout;
  Buttons->addWidget(ShowAtStartupCheckBox);
  Buttons->addStretch(1);
  Buttons->addWidget(StartButton);
  Buttons->addWidget(CloseButton);
  Layout->addLayout(Buttons);

  connect(StartButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(DemoListView, &QListWidget::itemSelectionChanged, this,
          &TZrDemonstrationForm::SelectionChanged);
  connect(DemoListView, &QListWidget::itemDoubleClicked, this, [this] {
    if (StartButton->isEnabled())
      StartButton->click();
  });
  connect(ShowAtStartupCheckBox, &QCheckBox::clicked, this, [this](bool Checked) {
    if (OnShowAtStartupChange)
      OnShowAtStartupChange(Checked);
  });

  // Index 0: the picture of a demo without one.
  const QString Plain = QStringLiteral(":/icons/lists/demo/000.svg");
  DemoImageList->Add(QFile::exists(Plain) ? QIcon(Plain)
                                          : QIcon(QPixmap::fromImage(DemoThumbnail(QImage()))));

  const QDir Folder(DemoFolder);
  for (const QString &Name :
       Folder.entryList({QStringLiteral("*.dsc")}, QDir::Files | QDir::Readable, QDir::Name))
    AddEntry(Folder.filePath(Name));
  // By title, without regard to case.
  std::vector<QListWidgetItem *> Items;
  while (DemoListView->count() > 0)
    Items.push_back(DemoListView->takeItem(0));
  std::stable_sort(Items.begin(), Items.end(), [](QListWidgetItem *A, QListWidgetItem *B) {
    return QString::compare(A->text(), B->text(), Qt::CaseInsensitive) < 0;
  });
  for (QListWidgetItem *Item : Items)
    DemoListView->addItem(Item);

  if (DemoListView->count() > 0)
    DemoListView->setCurrentRow(std::clamp(ListIndex, 0, DemoListView->count() - 1));
  ShowAtStartupCheckBox->setChecked(ShowAtStartup);
  Initialize();
}

TZrDemonstrationForm::~TZrDemonstrationForm() = default;

void TZrDemonstrationForm::AddEntry(const QString &FileName)
{
  auto Script = std::make_unique<TZrDemoScript>();
  // A file that cannot be parsed is listed all the same, by its name.
  Script->LoadFromFile(ToUtf8(FileName));
  Script->FileName = ToUtf8(FileName);
  auto *Item = new QListWidgetItem(ToQString(Script->Title()));
  const int Image = AddThumbnail(*Script, QFileInfo(FileName).absolutePath());
  Item->setIcon(DemoImageList->Icon(Image));
  Item->setData(Qt::UserRole, static_cast<int>(Scripts.size()));
  Item->setData(Qt::UserRole + 1, Image);
  Item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Scripts.push_back(std::move(Script));
  DemoListView->addItem(Item);
}

int TZrDemonstrationForm::AddThumbnail(const TZrDemoScript &Script, const QString &DemoFolder)
{
  const QString Name =
      ToQString(Script.Decode(Script.InfoValue("Image"), CurrentLanguage())).trimmed();
  if (Name.isEmpty())
    return 0;
  // Demos often share a picture: it is read once.
  const QString Path = QFileInfo(QDir(DemoFolder).filePath(Name)).absoluteFilePath();
  if (const auto Known = Thumbnails.find(Path); Known != Thumbnails.end())
    return Known->second;
  QImageReader Reader(Path);
  Reader.setAutoTransform(true);
  // Large photographs are read at about the size they are shown.
  const QSize Full = Reader.size();
  if (Full.isValid() && (Full.width() > 4 * ThumbnailSize || Full.height() > 4 * ThumbnailSize))
    Reader.setScaledSize(Full.scaled(4 * ThumbnailSize, 4 * ThumbnailSize, Qt::KeepAspectRatio));
  const QImage Picture = Reader.read();
  const int Index =
      Picture.isNull() ? 0 : DemoImageList->Add(QIcon(QPixmap::fromImage(DemoThumbnail(Picture))));
  Thumbnails.emplace(Path, Index);
  return Index;
}

void TZrDemonstrationForm::SelectionChanged()
{
  StartButton->setEnabled(SelectedIndex() >= 0);
}

int TZrDemonstrationForm::SelectedIndex() const
{
  const QList<QListWidgetItem *> Selected = DemoListView->selectedItems();
  return Selected.isEmpty() ? -1 : DemoListView->row(Selected.front());
}

const TZrDemoScript *TZrDemonstrationForm::SelectedScript() const
{
  const int Row = SelectedIndex();
  if (Row < 0)
    return nullptr;
  const int Index = DemoListView->item(Row)->data(Qt::UserRole).toInt();
  return Scripts[static_cast<size_t>(Index)].get();
}

int TZrDemonstrationForm::EntryCount() const
{
  return DemoListView->count();
}

int TZrDemonstrationForm::ImageIndexOf(int Entry) const
{
  const QListWidgetItem *Item = DemoListView->item(Entry);
  return Item ? Item->data(Qt::UserRole + 1).toInt() : -1;
}

void TZrDemonstrationForm::Localize()
{
  setWindowTitle(LocalString(37));
  SelectLabel->setText(LocalString(910));
  EscTntLabel->setText(LocalString(2925));
  ShowAtStartupCheckBox->setText(LocalString(802));
  StartButton->setText(LocalString(75));
  CloseButton->setText(LocalString(13));
}

// ---------------------------------------------------------------------------
// The module

TZrDemonstrationModule::TZrDemonstrationModule()
{
  Instance = this;
  Playback = new TZrDemoPlayback(this);
  Playback->UseRegistry(DemoRegistry());
  Playback->OnBeforePlay = [this](TZrDemoPlayback *, bool &Cancel) { BeforePlay(Cancel); };
  Playback->OnStopQuery = [this](TZrDemoPlayback *, bool &Stop) { StopQuery(Stop); };
  Playback->OnFinish = [this](TZrDemoPlayback *) { Finish(); };
  Playback->OnError = [this](TZrDemoPlayback *, const QString &Message, bool &,
                             const QString &Line) { ShowError(Message, Line); };
  connect(Playback, &TZrDemoPlayback::Ended, this, &TZrDemonstrationModule::DemoEnded);

  if (TMainForm *Main = MainForm())
    DemoMenuItem = Main->AddMenuItem(
        QString(), QKeySequence(), Main->HelpMenuItem ? Main->HelpMenuItem->menuAction() : nullptr,
        nullptr, -1, [this] { ShowDemoList(); });
}

TZrDemonstrationModule::~TZrDemonstrationModule()
{
  if (Instance == this)
    Instance = nullptr;
}

void TZrDemonstrationModule::Initialize()
{
  // The list comes up once the main window shows; never over a demo given
  // on the command line.
  if (ShowAtStartup && !IsScriptedDemoRun())
    ZrApplication().PostCall(TZrMethod::Of<&TZrDemonstrationModule::ShowDemoList>(this));
  TZrModuleWithControls::Initialize();
}

void TZrDemonstrationModule::Localize()
{
  if (DemoMenuItem)
    DemoMenuItem->setText(LocalString(37));
}

void TZrDemonstrationModule::UpdateControls()
{
  if (DemoMenuItem)
    DemoMenuItem->setEnabled(!Playback->IsPlaying() && !Playback->IsRecording());
}

void TZrDemonstrationModule::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  Reader.ReadBoolean(1, ShowAtStartup);
  Reader.LeaveNode();
}

void TZrDemonstrationModule::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  Writer.WriteBoolean(1, ShowAtStartup);
  Writer.EndNode();
}

void TZrDemonstrationModule::ShowDemoList()
{
  if (Playback->IsPlaying() || Playback->IsRecording())
    return;
  TZrDemonstrationForm Form(DemoFolder, ListIndex, ShowAtStartup, MainForm());
  Form.OnShowAtStartupChange = [this](bool Checked) { ShowAtStartup = Checked; };
  const int Result = ExecForm ? ExecForm(Form) : Form.exec();
  const int Selected = Form.SelectedIndex();
  if (Selected >= 0)
    ListIndex = Selected;
  const TZrDemoScript *Script = Form.SelectedScript();
  if (Result == QDialog::Accepted && Script) {
    if (IZrDemoHost *Host = DemoRegistry().Host)
      Host->ShowToolPanel();
    // The next entry is selected when the list comes back.
    ListIndex = Selected + 1;
    Playback->SetScript(*Script);
    Playback->Play(0);
    // Not when the user kept the image instead.
    if (Playback->IsPlaying()) {
      ReturnToList = true;
      return;
    }
  }
  ReopenPutAside();
}

void TZrDemonstrationModule::BeforePlay(bool &Cancel)
{
  if (IZrDemoHost *Host = DemoRegistry().Host) {
    Host->CloseDemoDocument();
    if (Host->HasDocument()) {
      if (Ask(173, mb::YesNo | mb::IconQuestion) != id::Yes) {
        Cancel = true;
        return;
      }
      QString Reopen;
      const bool Closed = Host->CloseDocumentsForDemo(Reopen);
      if (!Reopen.isEmpty())
        ReopenFileName = Reopen;
      if (!Closed) {
        Cancel = true;
        return;
      }
    }
  }
  RestoreTitle();
  TZrApplication &App = ZrApplication();
  SavedTitle = App.Title();
  App.SetTitle(SavedTitle + QStringLiteral(" - ") + ToQString(Playback->Script.Title()));
  TitleChanged = true;
}

void TZrDemonstrationModule::StopQuery(bool &Stop)
{
  Stop = Ask(172, mb::YesNo | mb::IconQuestion) == id::Yes;
}

void TZrDemonstrationModule::Finish()
{
  RestoreTitle();
  Ask(725, mb::OK | mb::IconInformation);
}

void TZrDemonstrationModule::ShowError(const QString &Message, const QString &Line)
{
  ZrApplication().MessageBox(Message + QLatin1Char('\n') + Line, LocalString(37),
                             mb::OK | mb::IconError);
}

void TZrDemonstrationModule::DemoEnded()
{
  // Stopped by the user, ended by an error or played to its end: the
  // title comes back in every case, and so does the list.
  RestoreTitle();
  if (ReturnToList) {
    ReturnToList = false;
    ZrApplication().PostCall(TZrMethod::Of<&TZrDemonstrationModule::ShowDemoList>(this));
    return;
  }
  ReopenPutAside();
}

void TZrDemonstrationModule::RestoreTitle()
{
  if (!TitleChanged)
    return;
  TitleChanged = false;
  ZrApplication().SetTitle(SavedTitle);
}

void TZrDemonstrationModule::ReopenPutAside()
{
  const QString FileName = std::exchange(ReopenFileName, QString());
  IZrDemoHost *Host = DemoRegistry().Host;
  if (!FileName.isEmpty() && Host && Host->InPlugInMode())
    Host->ReopenAfterDemo(FileName);
}

} // namespace facette
