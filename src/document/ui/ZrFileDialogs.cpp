#include "document/ui/ZrFileDialogs.h"

#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "imaging/ui/ZrBitmapPainter.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>

namespace facette {

// --- preview box ---------------------------------------------------------

void TZrPreviewBox::paintEvent(QPaintEvent *)
{
  QPainter Painter(this);
  const QRect Client = rect();
  QRegion Rest(Client);
  if (Thumbnail) {
    TZrPainterContext Context(Painter);
    TZrRect Drawn{};
    Thumbnail->Draw(Context,
                    MakeRect(Client.left(), Client.top(), Client.right() + 1, Client.bottom() + 1),
                    Drawn);
    Rest -= QRect(Drawn.Left, Drawn.Top, Drawn.Width(), Drawn.Height());
  }
  Painter.setClipRegion(Rest);
  Painter.fillRect(Client, palette().window());
  Painter.setClipping(false);
  Painter.setPen(palette().color(QPalette::Dark));
  Painter.drawRect(Client.adjusted(0, 0, -1, -1));
}

// --- preview thread ------------------------------------------------------

TZrDialogPreviewThread::TZrDialogPreviewThread(TZrOpenDialog &Dialog, const TZrFileFormats &Formats)
    : Dialog(Dialog), Formats(Formats), Worker([this] { Run(); })
{}

TZrDialogPreviewThread::~TZrDialogPreviewThread()
{
  Terminate();
  if (Worker.joinable())
    Worker.join();
}

unsigned TZrDialogPreviewThread::Request(const QString &FileName, int MaxWidth, int MaxHeight)
{
  std::lock_guard<std::mutex> Guard(Lock);
  PendingFileName = FileName;
  PendingWidth = MaxWidth;
  PendingHeight = MaxHeight;
  const unsigned Number = ++Latest;
  Wake.notify_one();
  return Number;
}

void TZrDialogPreviewThread::Cancel()
{
  std::lock_guard<std::mutex> Guard(Lock);
  PendingFileName.clear();
  ++Latest;
}

void TZrDialogPreviewThread::Terminate()
{
  std::lock_guard<std::mutex> Guard(Lock);
  Terminated = true;
  Wake.notify_one();
}

void TZrDialogPreviewThread::Run()
{
  for (;;) {
    QString Name;
    int Width, Height;
    unsigned Number;
    {
      std::unique_lock<std::mutex> Guard(Lock);
      Wake.wait(Guard, [this] { return Terminated || !PendingFileName.isEmpty(); });
      if (Terminated)
        return;
      Name = PendingFileName;
      PendingFileName.clear();
      Width = PendingWidth;
      Height = PendingHeight;
      Number = Latest.load();
    }
    std::unique_ptr<TZrThumbnail> Made;
    if (!Formats.CreateThumbnail(ToUtf8(Name), Width, Height, Made) || !Made)
      continue;
    // Out of date already: a newer file has been highlighted meanwhile.
    if (Number != Latest.load())
      continue;
    // Handed to the dialog through its event queue; the dialog drops it if
    // a newer request came in or it has gone.
    std::shared_ptr<TZrThumbnail> Shared(std::move(Made));
    QPointer<TZrOpenDialog> Target(&Dialog);
    QMetaObject::invokeMethod(
        &Dialog,
        [Target, Number, Shared] {
          if (Target)
            Target->ThumbnailReady(Number, Shared);
        },
        Qt::QueuedConnection);
  }
}

// --- open dialog ---------------------------------------------------------

TZrOpenDialog::TZrOpenDialog(QWidget *Parent, const TZrFileFormats &Formats)
    : QFileDialog(Parent), Formats(Formats)
{
  // Qt's own dialog, so the preview can sit inside it.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setFileMode(QFileDialog::ExistingFile);

  PreviewPanel = new QWidget(this);
  PreviewPanel->setObjectName(QStringLiteral("PreviewPanel"));
  auto *Column = new QVBoxLayout(PreviewPanel);
  Column->setContentsMargins(6, 6, 6, 6);
  PreviewBox = new TZrPreviewBox(PreviewPanel);
  PreviewBox->setObjectName(QStringLiteral("PreviewBox"));
  PreviewBox->setFixedSize(224, 224);
  InfoLabel = new QLabel(PreviewPanel);
  InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
  InfoLabel->setWordWrap(true);
  InfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  InfoLabel->setTextFormat(Qt::PlainText);
  InfoLabel->setFixedWidth(224);
  Column->addWidget(PreviewBox);
  Column->addWidget(InfoLabel, 1);
  if (auto *Grid = qobject_cast<QGridLayout *>(layout()))
    Grid->addWidget(PreviewPanel, 0, Grid->columnCount(), Grid->rowCount(), 1);
  // Room for the list's columns, the places and the filters beside the
  // preview; Qt's own size would cut them.
  resize(sizeHint().expandedTo(QSize(880, 540)));
  // Sizes, kinds and dates in full once a folder is listed (a column the
  // user made wider stays so).
  auto *Files = findChild<QTreeView *>(QStringLiteral("treeView"));
  auto *Model = findChild<QFileSystemModel *>();
  if (Files && Model)
    connect(Model, &QFileSystemModel::directoryLoaded, Files, [Files] {
      for (int Column = 1; Column < Files->header()->count(); ++Column) {
        const int Before = Files->columnWidth(Column);
        Files->resizeColumnToContents(Column);
        if (Files->columnWidth(Column) < Before)
          Files->setColumnWidth(Column, Before);
      }
    });

  connect(this, &QFileDialog::currentChanged, this, &TZrOpenDialog::SelectionChanged);
  PreviewThread = std::make_unique<TZrDialogPreviewThread>(*this, Formats);
  TZrOpenDialog::SetupFilter();
}

TZrOpenDialog::~TZrOpenDialog()
{
  PreviewThread.reset();
}

void TZrOpenDialog::SetFilter(const std::string &Filter)
{
  // Pairs of "Description (masks)" and "masks"; Qt wants the masks in the
  // parentheses separated by blanks.
  NameFilters.clear();
  const QStringList Parts = ToQString(Filter).split(QLatin1Char('|'));
  for (int I = 0; I + 1 < Parts.size(); I += 2) {
    QString Description = Parts[I];
    const QString Masks = Parts[I + 1];
    const int Open = Description.lastIndexOf(QStringLiteral(" ("));
    if (Open >= 0)
      Description.truncate(Open);
    QString Patterns = Masks;
    Patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    NameFilters << Description + QStringLiteral(" (") + Patterns + QLatin1Char(')');
  }
  setNameFilters(NameFilters);
}

void TZrOpenDialog::SetFilterIndex(int Index)
{
  if (Index >= 1 && Index <= NameFilters.size())
    selectNameFilter(NameFilters[Index - 1]);
  else if (!NameFilters.isEmpty())
    selectNameFilter(NameFilters.first());
}

int TZrOpenDialog::FilterIndex() const
{
  return static_cast<int>(NameFilters.indexOf(selectedNameFilter())) + 1;
}

void TZrOpenDialog::SetupFilter()
{
  TZrFileFormatArray Open;
  Formats.GetOpenFormats(Open);
  SetFilter(BuildFilter(Open));
  // "All supported files", the entry after the formats themselves.
  SetFilterIndex(Formats.Count() + 1);
}

bool TZrOpenDialog::Execute()
{
  setWindowTitle(LocalString(12));
  setAcceptMode(QFileDialog::AcceptOpen);
  return exec() == QDialog::Accepted && !selectedFiles().isEmpty();
}

QString TZrOpenDialog::FileName() const
{
  const QStringList Files = selectedFiles();
  return Files.isEmpty() ? QString() : Files.first();
}

void TZrOpenDialog::SelectionChanged(const QString &FileName)
{
  PreviewBox->Thumbnail.reset();
  std::unique_ptr<TZrFileInfo> Info;
  if (!FileName.isEmpty() && QFileInfo(FileName).isFile() &&
      Formats.CreateFileInfo(ToUtf8(FileName), Info) && Info) {
    std::string Text;
    Info->GetDescription(Text);
    InfoLabel->setText(ToQString(Text));
    PreviewThread->Request(FileName, PreviewBox->width() - 2, PreviewBox->height() - 2);
  } else {
    InfoLabel->clear();
    PreviewThread->Cancel();
  }
  PreviewBox->update();
}

void TZrOpenDialog::ThumbnailReady(unsigned Request, std::shared_ptr<TZrThumbnail> Thumbnail)
{
  if (Request != PreviewThread->LatestRequest())
    return;
  // The box owns its thumbnail; the worker has let go of it.
  PreviewBox->Thumbnail.reset();
  struct TShared : TZrThumbnail
  {
    std::shared_ptr<TZrThumbnail> Inner;
    void Draw(TZrDeviceContext &DC, const TZrRect &Rect, TZrRect &Drawn) const override
    {
      Inner->Draw(DC, Rect, Drawn);
    }
  };
  auto Held = std::make_unique<TShared>();
  Held->Inner = std::move(Thumbnail);
  PreviewBox->Thumbnail = std::move(Held);
  PreviewBox->update();
}

void TZrOpenDialog::done(int Result)
{
  // The worker stops before the dialog goes away; hints of the program do
  // not outlive the dialog either.
  PreviewThread->Terminate();
  QFileDialog::done(Result);
  QToolTip::hideText();
}

// --- save dialog ---------------------------------------------------------

TZrSaveDialog::TZrSaveDialog(QWidget *Parent, const TZrFileFormats &Formats)
    : TZrOpenDialog(Parent, Formats)
{
  setFileMode(QFileDialog::AnyFile);
  TZrSaveDialog::SetupFilter();
}

void TZrSaveDialog::SetupFilter()
{
  TZrFileFormatArray Save;
  Formats.GetSaveFormats(Save);
  SetFilter(BuildFilter(Save));
}

bool TZrSaveDialog::Execute()
{
  setWindowTitle(LocalString(15));
  setAcceptMode(QFileDialog::AcceptSave);
  // The program appends the format's extension itself and asks before
  // overwriting.
  setOption(QFileDialog::DontConfirmOverwrite, true);
  return exec() == QDialog::Accepted && !selectedFiles().isEmpty();
}

} // namespace facette
