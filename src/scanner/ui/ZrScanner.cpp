#include "scanner/ui/ZrScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace facette {

TZrScanner::TZrScanner(QObject *Parent)
    : QObject(Parent), Session(std::make_unique<TZrSaneSession>())
{
  Thread.setObjectName(QStringLiteral("Scanner"));
  Worker = new QObject;
  Worker->moveToThread(&Thread);
  connect(&Thread, &QThread::finished, Worker, &QObject::deleteLater);
  Thread.start();
}

TZrScanner::~TZrScanner()
{
  CancelFlag = true;
  // The session ends on the thread that used it, before the thread stops
  // (a scan under way gives up at its next block of data).
  TZrSaneSession *Ending = Session.release();
  QMetaObject::invokeMethod(
      Worker, [Ending] { delete Ending; }, Qt::BlockingQueuedConnection);
  Thread.quit();
  Thread.wait();
}

void TZrScanner::RefreshSources()
{
  if (Listing_ || Busy_)
    return;
  Listing_ = true;
  TZrSaneSession *S = Session.get();
  QMetaObject::invokeMethod(
      Worker,
      [this, S] {
        std::string Error;
        std::vector<TZrScanSource> Found = S->ListSources(Error);
        QMetaObject::invokeMethod(
            this,
            [this, Found = std::move(Found), Error = QString::fromStdString(Error)] {
              Sources_ = Found;
              SourcesError_ = Error;
              Listing_ = false;
              emit SourcesChanged();
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void TZrScanner::SetBusy(bool Value)
{
  Busy_ = Value;
  if (OnMenusEnabled)
    OnMenusEnabled(!Value);
}

void TZrScanner::Acquire(const QString &SourceName)
{
  if (Busy_ || Listing_)
    return;
  CancelFlag = false;
  SetBusy(true);
  TZrSaneSession *S = Session.get();
  const std::string Name = SourceName.toStdString();
  QMetaObject::invokeMethod(
      Worker,
      [this, S, Name] {
        TZrPixelBuffer Image;
        int32_t Dpi = 0;
        std::string Error;
        bool Cancelled = false;
        const auto Progress = [this](double Done) {
          QMetaObject::invokeMethod(
              this,
              [this, Done] {
                if (OnProgress)
                  OnProgress(Done);
              },
              Qt::QueuedConnection);
        };
        QString FileName;
        if (S->Acquire(Name, Image, Dpi, Error, Progress, &CancelFlag, &Cancelled)) {
          std::vector<uint8_t> Bytes;
          QTemporaryFile File(QDir::temp().filePath(QStringLiteral("facette-scan-XXXXXX.bmp")));
          File.setAutoRemove(false);
          if (!EncodeScanBMP(Image, Dpi, Bytes) || !File.open() ||
              File.write(reinterpret_cast<const char *>(Bytes.data()),
                         static_cast<qint64>(Bytes.size())) != static_cast<qint64>(Bytes.size()) ||
              !File.flush()) {
            Error = "the scan could not be written to the temporary folder";
            if (!File.fileName().isEmpty())
              QFile::remove(File.fileName());
          } else {
            FileName = File.fileName();
          }
        }
        QMetaObject::invokeMethod(
            this,
            [this, FileName, Error = QString::fromStdString(Error), Cancelled] {
              ScanDone(FileName, Error, Cancelled);
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void TZrScanner::ScanDone(const QString &FileName, const QString &Error, bool Cancelled)
{
  SetBusy(false);
  if (!FileName.isEmpty()) {
    if (OnImageReady)
      OnImageReady(FileName);
    QFile::remove(FileName);
  } else if (!Cancelled && OnError) {
    OnError(Error);
  }
  emit AcquireFinished();
}

} // namespace facette
