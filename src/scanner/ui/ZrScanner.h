// The scanner component the editor drives: it lists the available sources
// and acquires an image from one, both on a worker thread of their own so
// the window never waits for the scanner. A finished scan is handed over as
// a BMP file that is removed again once the handler has opened it.
#pragma once

#include "scanner/ZrSaneScanner.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace facette {

class TZrScanner : public QObject
{
  Q_OBJECT

public:
  explicit TZrScanner(QObject *Parent = nullptr);
  ~TZrScanner() override;

  // Asks for the list of sources again; SourcesChanged follows. Does
  // nothing while a list or a scan is under way.
  void RefreshSources();
  const std::vector<TZrScanSource> &Sources() const { return Sources_; }
  // Why the last list is empty, when SANE said.
  const QString &SourcesError() const { return SourcesError_; }
  bool Listing() const { return Listing_; }

  // Scans from the source; the handlers below report the end.
  void Acquire(const QString &SourceName);
  bool Busy() const { return Busy_; }
  // Stops the scan under way.
  void Cancel() { CancelFlag = true; }

  // False while a scan runs (the menus that start one are disabled), true
  // again after it.
  std::function<void(bool Enabled)> OnMenusEnabled;
  // The scan as a BMP file; the file is deleted when this returns.
  std::function<void(const QString &FileName)> OnImageReady;
  // A scan failed (not when it was cancelled): the scanner's reason.
  std::function<void(const QString &Reason)> OnError;
  // Fraction of the scan done, 0..1.
  std::function<void(double Done)> OnProgress;

signals:
  void SourcesChanged();
  void AcquireFinished();

private:
  void SetBusy(bool Value);
  void ScanDone(const QString &FileName, const QString &Error, bool Cancelled);

  QThread Thread;
  // Lives on Thread: every SANE call is made there.
  QObject *Worker = nullptr;
  std::unique_ptr<TZrSaneSession> Session;
  std::vector<TZrScanSource> Sources_;
  QString SourcesError_;
  bool Listing_ = false;
  bool Busy_ = false;
  std::atomic<bool> CancelFlag{false};
};

} // namespace facette
