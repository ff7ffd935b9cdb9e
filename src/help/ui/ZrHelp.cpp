#include "help/ui/ZrHelp.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrSDF.h"
#include "help/ui/ZrInetUpdater.h"
#include "help/ui/ZrSystemInfoModule.h"
#include "help/ZrHelpTopics.h"
#include "help/ZrUpdateInfo.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QStatusBar>
#include <QUrl>

namespace facette {

namespace {

TZrHelp *Instance = nullptr;

// A numbered text with its "%s" filled in.
QString Format1(QString Text, const QString &Argument)
{
  return Text.replace(QStringLiteral("%s"), Argument);
}

int Message(const QString &Text, const QString &Caption, int Flags)
{
  return ZrApplication().MessageBox(Text, Caption, Flags);
}

} // namespace

TZrHelp *HelpModule()
{
  return Instance;
}

TZrHelp::TZrHelp()
{
  Instance = this;
  OpenUrl = [](const QUrl &Url) { return QDesktopServices::openUrl(Url); };
  // The pages ship beside the program in the build tree and under the
  // shared data folder once installed.
  SetHelpFile(
      ToQString(FindHelpFolder(QCoreApplication::applicationDirPath().toStdString()).string()));
  CreateMenuItems();
}

TZrHelp::~TZrHelp()
{
  if (Instance == this)
    Instance = nullptr;
}

void TZrHelp::SetHelpFile(const QString &FileName)
{
  HelpFileName = FileName;
  IsHtmlHelp = true;
}

void TZrHelp::SetDefaultUpdateAddress(const QString &Address)
{
  DefaultUpdateAddress = Address;
  UpdateAddress = Address;
}

void TZrHelp::CreateMenuItems()
{
  TMainForm *Main = MainForm();
  if (!Main)
    return;
  QMenu *Help = Main->HelpMenuItem;
  const auto Add = [&](QAction *&Item, const QKeySequence &Key, std::function<void()> Click) {
    Item = Main->AddMenuItem(QString(), Key, nullptr, Help, -1, std::move(Click));
  };
  Add(ContentsMenuItem, QKeySequence(Qt::Key_F1), [this] { ShowHelp(htContents); });
  ContentsMenuSeparator = Main->AddSeparator(Help, nullptr);
  Add(GettingStartedMenuItem, {}, [this] { ShowHelp(htGettingStarted); });
  Add(TechnicalSupportMenuItem, {}, [this] { ShowHelp(htTechnicalSupport); });
  UpdateMenuSeparator = Main->AddSeparator(Help, nullptr);
  Add(UpdateMenuItem, {}, [this] { CheckForUpdate(); });
  HelpMenuSeparator = Main->AddSeparator(Help, nullptr);
  Add(OrderingInformationMenuItem, {}, [this] { ShowHelp(htOrderingInformation); });
}

void TZrHelp::Localize()
{
  if (!ContentsMenuItem)
    return;
  ContentsMenuItem->setText(LocalString(128));
  GettingStartedMenuItem->setText(LocalString(165));
  TechnicalSupportMenuItem->setText(LocalString(131));
  UpdateMenuItem->setText(LocalString(3020) + QStringLiteral("..."));
  OrderingInformationMenuItem->setText(LocalString(130));
}

void TZrHelp::ShowHelp(int32_t Context)
{
  ShowHelpPage(ToQString(HelpTopicPage(Context)));
}

void TZrHelp::ShowHelpPage(const QString &Page)
{
  const std::filesystem::path File = ResolveHelpPage(
      HelpFileName.toStdString(), HelpLanguageFolder(CurrentLanguage()), Page.toStdString());
  if (File.empty()) {
    Message(Format1(LocalString(1312), HelpFileName), ZrApplication().Title(),
            mb::OK | mb::IconError);
    return;
  }
  QUrl Url = QUrl::fromLocalFile(ToQString(File.string()));
  const qsizetype Hash = Page.indexOf(QLatin1Char('#'));
  if (Hash >= 0)
    Url.setFragment(Page.mid(Hash + 1));
  if (!OpenUrl(Url))
    Message(Format1(LocalString(1313), Url.toString()), ZrApplication().Title(),
            mb::OK | mb::IconError);
}

void TZrHelp::CheckForUpdate()
{
  if (Updater)
    return;
  if (!Network)
    Network = new QNetworkAccessManager(this);
  Updater =
      new TZrInetUpdater(UpdateAddress, UpdateSections(ToUtf8(ProductKey), ToUtf8(Language)), this);
  connect(Updater, &TZrInetUpdater::Finished, this, &TZrHelp::UpdateFinished);
  if (UpdateMenuItem)
    UpdateMenuItem->setEnabled(false);
  if (TMainForm *Main = MainForm())
    Main->statusBar()->showMessage(LocalString(1310));
  QString Agent = QStringLiteral("Facette/") + Version;
  if (const TZrSystemInfoModule *System = SystemInfo())
    Agent +=
        QStringLiteral(" (") + ToQString(SystemSummary(System->VersionInfo)) + QLatin1Char(')');
  Updater->Start(*Network, UpdateTimeout, Agent);
}

void TZrHelp::UpdateFinished()
{
  TZrInetUpdater *Done = Updater;
  Updater = nullptr;
  if (!Done)
    return;
  Done->deleteLater();
  if (UpdateMenuItem)
    UpdateMenuItem->setEnabled(true);
  if (TMainForm *Main = MainForm())
    Main->statusBar()->clearMessage();
  if (!Done->Succeeded()) {
    // Without an answer the program cannot know; saying that no newer
    // version exists would be a guess.
    Message(LocalString(1311) + QStringLiteral("\n\n") + Done->Error, LocalString(107),
            mb::OK | mb::IconWarning);
    return;
  }
  const QString Available = ToQString(Done->AvailableVersion);
  if (IsNewerVersion(ToUtf8(Version), Done->AvailableVersion)) {
    const QString Text = LocalString(3022) + QStringLiteral(" (") + Available +
                         QStringLiteral(") ") + LocalString(3023);
    if (Message(Text, QString(), mb::OKCancel) == id::OK)
      OpenUrl(QUrl(SiteAddress));
    return;
  }
  Message(LocalString(3021), LocalString(107), mb::OK);
}

void TZrHelp::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  std::u16string Address;
  if (Reader.ReadWideString(2, Address) && !Address.empty())
    UpdateAddress = ToQString(Address);
  Reader.LeaveNode();
}

void TZrHelp::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  Writer.WriteBoolean(1, false);
  if (UpdateAddress != DefaultUpdateAddress)
    Writer.WriteWideString(2, ToUtf16(UpdateAddress));
  Writer.EndNode();
}

} // namespace facette
