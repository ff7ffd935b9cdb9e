// One check for a newer version: the update information file is fetched
// from the vendor's site in the background (the window stays responsive)
// and its version read from the first matching section.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace facette {

class TZrInetUpdater : public QObject
{
  Q_OBJECT

public:
  // The longest update file read; anything longer is not one.
  static constexpr qint64 MaxFileSize = 64 * 1024;

  TZrInetUpdater(const QString &Url, std::vector<std::string> Sections, QObject *Parent = nullptr);
  ~TZrInetUpdater() override;

  // Starts the download (the address gets the time stamp); Finished follows
  // once, also after a failure. Without an answer within TimeoutMs the
  // check fails.
  void Start(QNetworkAccessManager &Network, int TimeoutMs, const QString &UserAgent);
  void Abort();

  // The version the file names; empty when none was found.
  std::string AvailableVersion;
  // Why the file could not be had; empty when it was read.
  QString Error;
  bool Succeeded() const { return Done && Error.isEmpty(); }
  bool IsDone() const { return Done; }
  // The address asked for, time stamp included.
  QString RequestUrl;

signals:
  void Finished();

private:
  void ReplyFinished();

  QString Url;
  std::vector<std::string> Sections;
  QPointer<QNetworkReply> Reply;
  bool Done = false;
};

} // namespace facette
