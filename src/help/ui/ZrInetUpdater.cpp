#include "help/ui/ZrInetUpdater.h"

#include "framework/ui/ZrQtStrings.h"
#include "help/ZrUpdateInfo.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <ctime>

namespace facette {

TZrInetUpdater::TZrInetUpdater(const QString &Url, std::vector<std::string> Sections,
                               QObject *Parent)
    : QObject(Parent), Url(Url), Sections(std::move(Sections))
{}

TZrInetUpdater::~TZrInetUpdater()
{
  if (Reply) {
    Reply->disconnect(this);
    Reply->abort();
    Reply->deleteLater();
  }
}

void TZrInetUpdater::Start(QNetworkAccessManager &Network, int TimeoutMs, const QString &UserAgent)
{
  const std::time_t Now = std::time(nullptr);
  std::tm Local{};
  localtime_r(&Now, &Local);
  RequestUrl = ToQString(AppendTimeStamp(ToUtf8(Url), Local));
  QNetworkRequest Request{QUrl(RequestUrl)};
  Request.setTransferTimeout(TimeoutMs);
  Request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  Request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  if (!UserAgent.isEmpty())
    Request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
  Reply = Network.get(Request);
  connect(Reply, &QNetworkReply::downloadProgress, this, [this](qint64 Received, qint64) {
    if (Received > MaxFileSize && Reply)
      Reply->abort();
  });
  connect(Reply, &QNetworkReply::finished, this, &TZrInetUpdater::ReplyFinished);
}

void TZrInetUpdater::Abort()
{
  if (Reply)
    Reply->abort();
}

void TZrInetUpdater::ReplyFinished()
{
  QNetworkReply *Finished_ = Reply;
  Reply = nullptr;
  if (!Finished_)
    return;
  Finished_->deleteLater();
  if (Finished_->error() != QNetworkReply::NoError) {
    Error = Finished_->errorString();
  } else {
    const QByteArray Text = Finished_->read(MaxFileSize + 1);
    if (Text.size() > MaxFileSize)
      Error = QStringLiteral("the update information is too large");
    else
      AvailableVersion =
          ReadAvailableVersion(std::string_view(Text.constData(), Text.size()), Sections);
  }
  Done = true;
  emit Finished();
}

} // namespace facette
