// The Help menu, the guide's pages opened by topic, the update check
// against a server on this machine, and the About box.
#include "../../editor/ui/EditorTestSupport.h"

#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "help/ui/ZrAbout.h"
#include "help/ui/ZrHelp.h"
#include "help/ui/ZrSystemInfoModule.h"

#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace facette::test {
namespace {

// An HTTP server on the loopback interface that answers every request with
// one body, or never answers at all.
class TUpdateServer : public QObject
{
public:
  explicit TUpdateServer(QByteArray Body, bool Silent = false)
      : Body(std::move(Body)), Silent(Silent)
  {
    EXPECT_TRUE(Server.listen(QHostAddress::LocalHost));
    connect(&Server, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket *Socket = Server.nextPendingConnection()) {
        Sockets.push_back(Socket);
        connect(Socket, &QTcpSocket::readyRead, this, [this, Socket] { Answer(Socket); });
      }
    });
  }
  QString Url() const
  {
    return QStringLiteral("http://127.0.0.1:%1/update.ini").arg(Server.serverPort());
  }
  QStringList Requests;

private:
  void Answer(QTcpSocket *Socket)
  {
    const QByteArray Request = Socket->readAll();
    Requests << QString::fromLatin1(Request.left(Request.indexOf('\r')));
    if (Silent)
      return;
    Socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n"
                  "Content-Length: " +
                  QByteArray::number(Body.size()) + "\r\n\r\n" + Body);
    Socket->disconnectFromHost();
  }
  QTcpServer Server;
  std::vector<QTcpSocket *> Sockets;
  QByteArray Body;
  bool Silent;
};

class HelpTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(System);
    App.CreateModule(Help);
    Help->ProductKey = QStringLiteral("Lustre");
    Help->Language = QStringLiteral("English");
    Help->Version = QStringLiteral("2.2.9");
    Help->SiteAddress = QStringLiteral("https://www.velmora.example/facette/");
    Help->SetDefaultUpdateAddress(QStringLiteral("https://www.velmora.example/update.ini"));
    Help->SetHelpFile(QStringLiteral(FACETTE_TEST_DATA "/help"));
    Help->OpenUrl = [this](const QUrl &Url) {
      Opened << Url;
      return true;
    };
    App.CreateModule(About);
    System->Initialize();
    Help->Initialize();
    About->Initialize();
  }
  void TearDown() override
  {
    SetLanguage(1033);
    GraphicsEditorFixture::TearDown();
  }

  // Runs one update check to its end; the message box answers Answer.
  void Check(const QString &Url)
  {
    Help->UpdateAddress = Url;
    Help->CheckForUpdate();
    // The window keeps working while the check runs.
    EXPECT_TRUE(Help->CheckRunning());
    EXPECT_FALSE(Help->UpdateMenuItem->isEnabled());
    for (int Wait = 0; Wait < 500 && Help->CheckRunning(); ++Wait)
      QTest::qWait(10);
    EXPECT_FALSE(Help->CheckRunning());
    EXPECT_TRUE(Help->UpdateMenuItem->isEnabled());
  }

  TZrSystemInfoModule *System = nullptr;
  TZrHelp *Help = nullptr;
  TZrAbout *About = nullptr;
  QList<QUrl> Opened;
};

TEST_F(HelpTest, TheHelpMenuHoldsItsItemsInOrder)
{
  QStringList Items;
  for (QAction *Item : Main->HelpMenuItem->actions())
    Items << (Item->isSeparator() ? QStringLiteral("-") : Item->text());
  EXPECT_EQ(Items,
            (QStringList{QStringLiteral("&Contents"), QStringLiteral("-"),
                         QStringLiteral("&Getting Started"), QStringLiteral("&Technical Support"),
                         QStringLiteral("-"), QStringLiteral("&Update..."), QStringLiteral("-"),
                         QStringLiteral("&Ordering Information"), QStringLiteral("-"),
                         QStringLiteral("About")}));
  EXPECT_EQ(Help->ContentsMenuItem->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(HelpTest, TopicsOpenTheirPagesInTheBrowser)
{
  struct Case
  {
    QAction *Item;
    const char *Page;
  };
  const Case Cases[] = {{Help->ContentsMenuItem, "index.html"},
                        {Help->GettingStartedMenuItem, "getting-started.html"},
                        {Help->TechnicalSupportMenuItem, "support.html"},
                        {Help->OrderingInformationMenuItem, "ordering.html"}};
  for (const Case &C : Cases) {
    Opened.clear();
    C.Item->trigger();
    ASSERT_EQ(Opened.size(), 1) << C.Page;
    EXPECT_EQ(Opened[0].toLocalFile(),
              QDir(QStringLiteral(FACETTE_TEST_DATA "/help/en")).filePath(QLatin1String(C.Page)));
  }
  // A page inside a page keeps its anchor; a language without its own
  // pages reads the English ones.
  ASSERT_TRUE(SetLanguage(1031));
  Opened.clear();
  Help->ShowHelpPage(QStringLiteral("makeup.html#lipstick"));
  ASSERT_EQ(Opened.size(), 1);
  EXPECT_TRUE(Opened[0].toLocalFile().endsWith(QStringLiteral("/en/makeup.html")));
  EXPECT_EQ(Opened[0].fragment(), QStringLiteral("lipstick"));

  // Pages that are not there, or a browser that does not start, are said.
  Help->SetHelpFile(Folder.path());
  Help->ShowHelp(0);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("16:")));
  Help->SetHelpFile(QStringLiteral(FACETTE_TEST_DATA "/help"));
  Help->OpenUrl = [](const QUrl &) { return false; };
  Help->ShowHelp(0);
  EXPECT_EQ(Messages.size(), 2);
}

TEST_F(HelpTest, ANewerVersionIsOfferedAndTheSiteOpensOnOk)
{
  TUpdateServer Server(
      "; latest versions\r\n[Lustre-English]\r\nVersion=2.3\r\n[Lustre]\r\nVersion=9\r\n");
  Answer = id::OK;
  Check(Server.Url());
  ASSERT_EQ(Server.Requests.size(), 1);
  // The request carries the local time as ddmmyyyyhhmmss.
  EXPECT_TRUE(Server.Requests[0].contains(QRegularExpression(QStringLiteral(
      R"(^GET /update\.ini\?(0[1-9]|[12]\d|3[01])(0[1-9]|1[0-2])20\d\d([01]\d|2[0-3])[0-5]\d[0-5]\d HTTP/1\.1$)"))))
      << Server.Requests[0].toStdString();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0],
            QStringLiteral("1:A newer version (2.3) is available. Do you want to visit "
                           "the web site to download it?"));
  EXPECT_EQ(Opened, QList<QUrl>{QUrl(QStringLiteral("https://www.velmora.example/facette/"))});

  // Cancel opens nothing.
  Messages.clear();
  Opened.clear();
  Answer = id::Cancel;
  Check(Server.Url());
  EXPECT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(HelpTest, TheSameVersionOrNoneSaysThereIsNothingNewer)
{
  for (const QByteArray &Body :
       {QByteArray("[Lustre-English]\nVersion=2.2.9\n"), QByteArray("[Lustre]\nVersion=2.2.10\n"),
        QByteArray("<html>not an update file</html>")}) {
    TUpdateServer Server(Body);
    Messages.clear();
    Check(Server.Url());
    EXPECT_EQ(Messages, QStringList{QStringLiteral("0:You are already using the latest version.")})
        << Body.toStdString();
  }
  EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(HelpTest, NoAnswerIsReportedAsSuch)
{
  Help->UpdateTimeout = 300;
  TUpdateServer Silent("", true);
  Check(Silent.Url());
  EXPECT_EQ(Silent.Requests.size(), 1);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("48:The update information could not be "
                                                    "downloaded.")));

  // Nobody listening at all.
  quint16 Closed;
  {
    QTcpServer Probe;
    ASSERT_TRUE(Probe.listen(QHostAddress::LocalHost));
    Closed = Probe.serverPort();
  }
  Messages.clear();
  Check(QStringLiteral("http://127.0.0.1:%1/update.ini").arg(Closed));
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("48:")));
  EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(HelpTest, AnUpdateAddressOfTheUsersOwnIsKept)
{
  const auto Save = [this](TZrMemoryStream &Stream) {
    {
      TZrSDFWriter Writer(&Stream);
      Help->SaveSettings(Writer);
    }
    Stream.Seek(0);
  };
  // The vendor's address is not written: a later version may move it.
  TZrMemoryStream Plain;
  Save(Plain);
  Help->UpdateAddress = QStringLiteral("http://127.0.0.1:9/update.ini");
  TZrMemoryStream Own;
  Save(Own);
  Help->UpdateAddress = QStringLiteral("https://www.velmora.example/update.ini");
  {
    TZrSDFReader Reader(&Plain);
    Help->LoadSettings(Reader);
    EXPECT_EQ(Help->UpdateAddress, QStringLiteral("https://www.velmora.example/update.ini"));
  }
  TZrSDFReader Reader(&Own);
  Help->LoadSettings(Reader);
  EXPECT_EQ(Help->UpdateAddress, QStringLiteral("http://127.0.0.1:9/update.ini"));
}

const TZrAboutRow Rows[] = {
    {156, afBold, 96, 96, 0, 0, 0, -1, nullptr},
    {arVersion, afBold | afSameLine, 0, 0, 0, 0, 0, -1, nullptr},
    {54, afRightAligned | afColon, 16, 132, 75, 0, 0, 0, nullptr},
    {arFixed, afSameLine | afLink, 0, 0, 0, 0, 0, 0, "https://home.example.org/facette/"},
    {56, afRightAligned | afColon, 0, 0, 75, 0, 0.5f, 0, nullptr},
    {arFixed, afSameLine | afLink, 0, 0, 0, 0, 0, 0, "https://help.example.org/support/"},
    {arFixed, 0, 0, 275, 0, 0, 0, -1, "Notice"},
    {arFixed, 0, 0, 0, 0, 0, 0, 2, "Licence text"},
};

class AboutTest : public HelpTest
{
protected:
  void SetUp() override
  {
    HelpTest::SetUp();
    TZrLogoBackground::PictureFolder = QStringLiteral(FACETTE_SOURCE_DIR "/data/icons/named/");
  }
  void TearDown() override
  {
    TZrLogoBackground::PictureFolder = QStringLiteral(":/images/");
    HelpTest::TearDown();
  }
};

TEST_F(AboutTest, TheRowsLieOverThePictureAsTheTableSays)
{
  About->SetAboutBox(Rows, 7, QStringLiteral("About"));
  int Shown = 0;
  About->ExecForm = [&](TZrAboutForm &Form) {
    ++Shown;
    EXPECT_EQ(Form.size(), QSize(499, 334));
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(Form.Background->PictureWidth(), 485);
    ASSERT_EQ(Form.Labels.size(), 7u);
    const auto Geometry = [&](int Row) { return Form.Labels[Row]->geometry(); };
    const TZrAboutMetrics &M = Form.Metrics;
    const auto Scale = [&](int V) { return MulDiv(V, Form.Background->width(), 485); };

    EXPECT_EQ(Form.Labels[0]->text(), QStringLiteral("Facette"));
    EXPECT_EQ(Form.Labels[1]->text(), QStringLiteral("2.2.9"));
    EXPECT_TRUE(Form.Labels[1]->font().bold());
    // The version on the heading's line, one character to its right.
    EXPECT_EQ(Geometry(1).left(), Geometry(0).right() + 1 + M.AverageCharWidth);
    EXPECT_EQ(Geometry(1).top(), Geometry(0).top());
    // Captions end in a colon, right-aligned in their width.
    EXPECT_EQ(Form.Labels[2]->text(), QStringLiteral("Home page:"));
    EXPECT_TRUE(Form.Labels[2]->alignment() & Qt::AlignRight);
    EXPECT_EQ(Geometry(2).width(), Scale(75));
    // A link shows its host; its hint and its click give the whole address.
    EXPECT_EQ(Form.Labels[3]->text(), QStringLiteral("home.example.org"));
    EXPECT_EQ(Form.Labels[3]->toolTip(), QStringLiteral("https://home.example.org/facette/"));
    EXPECT_EQ(Geometry(3).left(), Geometry(2).right() + 1 + M.AverageCharWidth);
    EXPECT_TRUE(Form.Labels[3]->font().underline());
    EXPECT_EQ(Form.Labels[3]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QTest::mouseClick(Form.Labels[5], Qt::LeftButton);
    EXPECT_EQ(Opened, QList<QUrl>{QUrl(QStringLiteral("https://help.example.org/support/"))});
    // The second caption: under the first line by half a line and twice
    // the leading, at its left.
    const int LineBottom = std::max(Geometry(2).bottom(), Geometry(3).bottom()) + 1;
    EXPECT_EQ(Geometry(4).left(), Geometry(2).left());
    EXPECT_EQ(Geometry(4).top(),
              LineBottom +
                  static_cast<int>(std::nearbyint((M.CharHeight + M.ExternalLeading) * 0.5)) +
                  2 * M.ExternalLeading);
    EXPECT_EQ(Geometry(6).top(), Scale(275));
    // Only the tab "About".
    EXPECT_EQ(Form.AboutTabControl->count(), 1);
    for (QLabel *Label : Form.Labels)
      EXPECT_FALSE(Label->isHidden());
  };
  About->AboutMenuItem->trigger();
  EXPECT_EQ(Shown, 1);
}

TEST_F(AboutTest, TabsShowTheirOwnRowsAndKeysClose)
{
  const TZrAboutBox Box{Rows, 8, QStringLiteral("About")};
  TZrAboutForm Form(nullptr, Box);
  ASSERT_EQ(Form.AboutTabControl->count(), 2);
  EXPECT_EQ(Form.AboutTabControl->tabText(1), QStringLiteral("License"));
  EXPECT_TRUE(Form.Labels[7]->isHidden());
  Form.AboutTabControl->setCurrentIndex(1);
  EXPECT_FALSE(Form.Labels[7]->isHidden());
  EXPECT_TRUE(Form.Labels[2]->isHidden());  // tab 0
  EXPECT_FALSE(Form.Labels[6]->isHidden()); // every tab

  for (const int Key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    TZrAboutForm Box2(nullptr, Box);
    Box2.show();
    QTest::keyClick(&Box2, static_cast<Qt::Key>(Key));
    EXPECT_FALSE(Box2.isVisible()) << Key;
  }

  // A picture the program does not have: no box.
  const TZrAboutBox Missing{Rows, 7, QStringLiteral("NoSuchPicture")};
  EXPECT_THROW(TZrAboutForm(nullptr, Missing), std::runtime_error);
}

TEST_F(AboutTest, SystemInformationIsRecordedAtStart)
{
  EXPECT_EQ(SystemInfo(), System);
  EXPECT_FALSE(System->VersionInfo.SystemName.empty());
  EXPECT_GT(System->VersionInfo.MajorVersion, 0);
}

} // namespace
} // namespace facette::test
