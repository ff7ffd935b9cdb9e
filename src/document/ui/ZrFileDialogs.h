// Open and save dialogs with a preview on the right: the highlighted file's
// description shows at once, its thumbnail is made on a worker thread and
// painted when ready. Filters come from the editor's format list.
#pragma once

#include "document/ZrFileFormats.h"

#include <QFileDialog>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class QLabel;

namespace facette {

class TZrDialogPreviewThread;

// The thumbnail area of the preview panel.
class TZrPreviewBox : public QWidget
{
  Q_OBJECT

public:
  explicit TZrPreviewBox(QWidget *Parent) : QWidget(Parent) {}
  std::unique_ptr<TZrThumbnail> Thumbnail;

protected:
  void paintEvent(QPaintEvent *Event) override;
};

class TZrOpenDialog : public QFileDialog
{
  Q_OBJECT

public:
  TZrOpenDialog(QWidget *Parent, const TZrFileFormats &Formats);
  ~TZrOpenDialog() override;

  QWidget *PreviewPanel = nullptr;
  TZrPreviewBox *PreviewBox = nullptr;
  QLabel *InfoLabel = nullptr;
  const TZrFileFormats &Formats;

  // Dialog filters in the program's "Description (masks)|masks|..." form
  // become Qt name filters; FilterIndex counts from 1.
  void SetFilter(const std::string &Filter);
  void SetFilterIndex(int FilterIndex);
  int FilterIndex() const;
  // Shows the dialog modally; true when the user chose a file.
  virtual bool Execute();
  QString FileName() const;

  // The selection changed to FileName (empty for none).
  void SelectionChanged(const QString &FileName);
  // Called on the main thread with a finished thumbnail of Request.
  void ThumbnailReady(unsigned Request, std::shared_ptr<TZrThumbnail> Thumbnail);

protected:
  virtual void SetupFilter();
  void done(int Result) override;

  QStringList NameFilters;

private:
  std::unique_ptr<TZrDialogPreviewThread> PreviewThread;
};

class TZrSaveDialog : public TZrOpenDialog
{
  Q_OBJECT

public:
  TZrSaveDialog(QWidget *Parent, const TZrFileFormats &Formats);
  bool Execute() override;

protected:
  void SetupFilter() override;
};

// Builds thumbnails off the user-interface thread. Only the newest request
// matters: a result for an older one is dropped.
class TZrDialogPreviewThread
{
public:
  TZrDialogPreviewThread(TZrOpenDialog &Dialog, const TZrFileFormats &Formats);
  ~TZrDialogPreviewThread();

  // Asks for a thumbnail of FileName at most MaxWidth x MaxHeight; returns
  // the request's number.
  unsigned Request(const QString &FileName, int MaxWidth, int MaxHeight);
  // Forgets what was asked (the selection went to nothing).
  void Cancel();
  unsigned LatestRequest() const { return Latest.load(); }
  void Terminate();

private:
  void Run();

  TZrOpenDialog &Dialog;
  const TZrFileFormats &Formats;
  std::mutex Lock;
  std::condition_variable Wake;
  QString PendingFileName;
  int PendingWidth = 0;
  int PendingHeight = 0;
  std::atomic<unsigned> Latest{0};
  bool Terminated = false;
  std::thread Worker;
};

} // namespace facette
