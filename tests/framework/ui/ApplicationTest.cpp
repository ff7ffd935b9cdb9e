#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrModule.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace facette {
namespace {

std::vector<std::string> Journal;

// A module that journals the passes and stores one integer under its GUID.
class TTestModule : public TZrModule
{
public:
  TTestModule(std::string Name, TZrGuid Guid, bool Writes)
      : Name(std::move(Name)), Guid(Guid), Writes(Writes)
  {}
  void LoadSettings(TZrSDFReader &Reader) override
  {
    Journal.push_back(Name + ".load");
    if (Reader.EnterNode(1, Guid)) {
      Reader.ReadInteger(1, Value);
      Reader.LeaveNode();
    }
  }
  void SaveSettings(TZrSDFWriter &Writer) override
  {
    if (!Writes)
      return;
    Writer.BeginNode(1, Guid);
    Writer.WriteInteger(1, Value);
    Writer.EndNode();
  }
  void Initialize() override
  {
    Journal.push_back(Name + ".init");
    TZrModule::Initialize();
  }
  void Start() override { Journal.push_back(Name + ".start"); }

  std::string Name;
  TZrGuid Guid;
  bool Writes;
  int32_t Value = 0;
};

constexpr TZrGuid GuidA = TZrGuid::FromString("{11111111-2222-3333-4444-555555555555}");
constexpr TZrGuid GuidB = TZrGuid::FromString("{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}");

QByteArray ReadAll(const QString &FileName)
{
  QFile File(FileName);
  return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

class ApplicationTest : public testing::Test
{
protected:
  void SetUp() override
  {
    Journal.clear();
    ASSERT_TRUE(Folder.isValid());
  }
  QString SettingsPath() const { return Folder.filePath(QStringLiteral("sub/dir/Facette.cfg")); }
  QTemporaryDir Folder;
};

TEST_F(ApplicationTest, PostedCallsRunOnePerEventInPostingOrder)
{
  TZrApplication App;
  TMainForm *Main = nullptr;
  App.CreateForm(Main);

  // Count the events that reach the window.
  struct TCounter : QObject
  {
    int Events = 0;
    bool eventFilter(QObject *, QEvent *E) override
    {
      if (E->type() == PostedCallEventType())
        ++Events;
      return false;
    }
  } Counter;
  Main->installEventFilter(&Counter);

  std::vector<std::string> Order;
  int OwnerA, OwnerB, OwnerC;
  App.PostCall(TZrMethod::Bind(&OwnerA, [&] {
    Order.push_back("A");
    // Posted while A runs: waits behind B.
    App.PostCall(TZrMethod::Bind(&OwnerC, [&] { Order.push_back("C"); }));
  }));
  App.PostCall(TZrMethod::Bind(&OwnerB, [&] { Order.push_back("B"); }));
  EXPECT_TRUE(Order.empty()) << "posted calls never run at once";

  for (int I = 0; I < 10 && App.PostedCallCount() > 0; ++I)
    QCoreApplication::sendPostedEvents(Main, PostedCallEventType());
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), Order);
  EXPECT_EQ(Counter.Events, 3);
  Main->removeEventFilter(&Counter);
}

TEST_F(ApplicationTest, PostCallBeforeTheMainWindowExistsDoesNothing)
{
  TZrApplication App;
  int Owner;
  bool Ran = false;
  App.PostCall(TZrMethod::Bind(&Owner, [&] { Ran = true; }));
  EXPECT_EQ(App.PostedCallCount(), 0);
  QCoreApplication::processEvents();
  EXPECT_FALSE(Ran);
}

TEST_F(ApplicationTest, IdleHandlersRunWhenTheLoopWaits)
{
  TZrApplication App;
  App.Initialize();
  int Owner, Calls = 0;
  App.AddIdleHandler(TZrMethod::Bind(&Owner, [&] { ++Calls; }));
  QEventLoop Loop;
  QTimer::singleShot(50, &Loop, &QEventLoop::quit);
  Loop.exec();
  EXPECT_GT(Calls, 0);
  // A handler removed is not called again.
  EXPECT_EQ(App.RemoveIdleHandler(TZrMethod::Bind(&Owner, {})), 0);
  const int Before = Calls;
  App.DispatchIdle();
  EXPECT_EQ(Calls, Before);
}

TEST_F(ApplicationTest, AModuleInitialisedTwiceIsAskedOnce)
{
  // Otherwise the destructor would take one entry away and leave the
  // other to be called after the module is gone.
  struct TCounting : TZrModuleWithControls
  {
    int Localized = 0, Updated = 0;
    void Localize() override { ++Localized; }
    void UpdateControls() override { ++Updated; }
  };
  InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
  TZrApplication App;
  TCounting *Module = nullptr;
  App.CreateModule(Module);
  Module->Initialize();
  Module->Initialize();
  const int Localized = Module->Localized;
  ASSERT_TRUE(SetLanguage(1031));
  EXPECT_EQ(Module->Localized, Localized + 1);
  App.DispatchIdle();
  EXPECT_EQ(Module->Updated, 1);
  SetLanguage(1033);
}

TEST_F(ApplicationTest, PassesVisitModulesInCreationOrderAndRoundTrip)
{
  {
    TZrApplication App;
    App.SetSettingsFileName(SettingsPath());
    TTestModule *A = nullptr, *Silent = nullptr, *B = nullptr;
    App.CreateModule(A, "a", GuidA, true);
    App.CreateModule(Silent, "silent", TZrGuid{}, false);
    App.CreateModule(B, "b", GuidB, true);
    App.LoadSettings(); // no file yet: defaults, no load calls
    EXPECT_EQ((std::vector<std::string>{"a.init", "silent.init", "b.init", "a.start",
                                        "silent.start", "b.start"}),
              Journal);
    A->Value = 258;
    B->Value = -1;
    ASSERT_TRUE(App.SaveSettings()); // creates the missing folders
  }

  // What another program reading the file sees: one node per writing module,
  // identifier 1 and the module's GUID, then the module's own elements.
  const QByteArray Bytes = ReadAll(SettingsPath());
  auto Node = [](const TZrGuid &Guid, std::initializer_list<uint8_t> Value) {
    QByteArray N("\xD5\x01\x0D\x10", 4);
    for (uint8_t Byte : Guid.ToBytes())
      N.append(static_cast<char>(Byte));
    N.append("\x55\x01\x05\x04", 4);
    for (uint8_t Byte : Value)
      N.append(static_cast<char>(Byte));
    N.append('\0');
    return N;
  };
  EXPECT_EQ(Bytes, Node(GuidA, {0x02, 0x01, 0, 0}) + Node(GuidB, {0xFF, 0xFF, 0xFF, 0xFF}));

  Journal.clear();
  TZrApplication App;
  App.SetSettingsFileName(SettingsPath());
  TTestModule *A = nullptr, *Silent = nullptr, *B = nullptr;
  App.CreateModule(A, "a", GuidA, true);
  App.CreateModule(Silent, "silent", TZrGuid{}, false);
  App.CreateModule(B, "b", GuidB, true);
  App.LoadSettings();
  EXPECT_EQ((std::vector<std::string>{"a.load", "a.init", "silent.load", "silent.init", "b.load",
                                      "b.init", "a.start", "silent.start", "b.start"}),
            Journal);
  EXPECT_EQ(A->Value, 258);
  EXPECT_EQ(B->Value, -1);
}

TEST_F(ApplicationTest, NothingWrittenLeavesTheSettingsFileAlone)
{
  QDir().mkpath(QFileInfo(SettingsPath()).absolutePath());
  QFile Old(SettingsPath());
  ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
  Old.write("previous");
  Old.close();

  TZrApplication App;
  App.SetSettingsFileName(SettingsPath());
  TTestModule *Silent = nullptr;
  App.CreateModule(Silent, "silent", TZrGuid{}, false);
  EXPECT_TRUE(App.SaveSettings());
  EXPECT_EQ(ReadAll(SettingsPath()), QByteArray("previous"));
}

TEST_F(ApplicationTest, AFailedSaveKeepsWhatWasThere)
{
  // The settings name is taken by a folder: the write cannot replace it,
  // reports failure and leaves the folder and its content as they were.
  ASSERT_TRUE(QDir().mkpath(SettingsPath()));
  QFile Inside(SettingsPath() + QStringLiteral("/keep"));
  ASSERT_TRUE(Inside.open(QIODevice::WriteOnly));
  Inside.close();

  TZrApplication App;
  App.SetSettingsFileName(SettingsPath());
  TTestModule *A = nullptr;
  App.CreateModule(A, "a", GuidA, true);
  EXPECT_FALSE(App.SaveSettings());
  EXPECT_TRUE(QFileInfo(SettingsPath()).isDir());
  EXPECT_TRUE(QFile::exists(SettingsPath() + QStringLiteral("/keep")));
}

TEST_F(ApplicationTest, ADamagedSettingsFileLoadsWhatCanBeParsed)
{
  {
    TZrApplication App;
    App.SetSettingsFileName(SettingsPath());
    TTestModule *A = nullptr, *B = nullptr;
    App.CreateModule(A, "a", GuidA, true);
    App.CreateModule(B, "b", GuidB, true);
    A->Value = 7;
    B->Value = 9;
    ASSERT_TRUE(App.SaveSettings());
  }
  // Cut the file inside the second node's value.
  QByteArray Bytes = ReadAll(SettingsPath());
  Bytes.chop(3);
  QFile File(SettingsPath());
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  File.write(Bytes);
  File.close();

  TZrApplication App;
  App.SetSettingsFileName(SettingsPath());
  TTestModule *A = nullptr, *B = nullptr;
  App.CreateModule(A, "a", GuidA, true);
  App.CreateModule(B, "b", GuidB, true);
  App.LoadSettings();
  EXPECT_EQ(A->Value, 7);
  EXPECT_EQ(B->Value, 0); // default kept
}

TEST_F(ApplicationTest, ConstructorFailureClearsTheReferenceAndPropagates)
{
  struct TFailing : TZrModule
  {
    TFailing() { throw std::runtime_error("no"); }
  };
  TZrApplication App;
  TFailing *Ref = reinterpret_cast<TFailing *>(&App); // any non-nil value
  EXPECT_THROW(App.CreateModule(Ref), std::runtime_error);
  EXPECT_EQ(Ref, nullptr);
  EXPECT_EQ(App.ComponentCount(), 0);
}

TEST(SettingsLocation, ConfigFolderElseBesideTheProgram)
{
  EXPECT_EQ(TZrApplication::SettingsFileNameFor(QStringLiteral("/home/u/.config"),
                                                QStringLiteral("/opt/facette/bin/facette")),
            QStringLiteral("/home/u/.config/Facette/Facette.cfg"));
  EXPECT_EQ(
      TZrApplication::SettingsFileNameFor(QString(), QStringLiteral("/opt/facette/bin/facette")),
      QStringLiteral("/opt/facette/bin/facette.cfg"));
  EXPECT_EQ(TZrApplication::SettingsFileNameFor(QString(), QStringLiteral("C:/Apps/Facette.exe")),
            QStringLiteral("C:/Apps/Facette.cfg"));
}

TEST(MessageBoxMapping, HandlerAnswersWithWindowsResultNumbers)
{
  TZrApplication App;
  QString SeenCaption;
  int SeenFlags = -1;
  App.SetMessageBoxHandler([&](const QString &, const QString &Caption, int Flags) {
    SeenCaption = Caption;
    SeenFlags = Flags;
    return id::Yes;
  });
  App.SetTitle(QStringLiteral("Facette"));
  EXPECT_EQ(App.MessageBox(QStringLiteral("Save?"), mb::YesNo | mb::IconQuestion), 6);
  EXPECT_EQ(SeenCaption, QStringLiteral("Facette"));
  EXPECT_EQ(SeenFlags, 36);
}

} // namespace
} // namespace facette

namespace facette {
namespace {

TEST(Frame, ControlsEnabledReachesEveryLevelOnlyOnChange)
{
  TZrApplication App;
  TZrFrame Frame;
  auto *Group = new QWidget(&Frame);
  auto *Inner = new QWidget(Group);
  Frame.Initialize();
  EXPECT_TRUE(Frame.ControlsEnabled());
  Frame.SetControlsEnabled(false);
  EXPECT_FALSE(Group->isEnabled());
  EXPECT_FALSE(Inner->isEnabled());
  // The same value again leaves a control enabled by its owner alone.
  Inner->setEnabled(true);
  Frame.SetControlsEnabled(false);
  EXPECT_FALSE(Group->isEnabled());
  Frame.SetControlsEnabled(true);
  EXPECT_TRUE(Inner->isEnabled());
}

} // namespace
} // namespace facette

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace facette {
namespace {

TEST(MessageBoxMapping, FlagsChooseButtonsAndIconAndAnswersMapBack)
{
  struct Case
  {
    int Flags;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::Icon Icon;
    QMessageBox::StandardButton Press; // NoButton closes the box
    int Result;
  } Cases[] = {
      {51, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Warning,
       QMessageBox::No, 7},
      {36, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes, 6},
      {16, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, 1},
      {51, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Warning,
       QMessageBox::NoButton, 2},
  };
  TZrApplication App;
  for (const Case &C : Cases) {
    QMessageBox::StandardButtons Seen;
    QMessageBox::Icon SeenIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
      auto *Box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      ASSERT_NE(Box, nullptr);
      Seen = Box->standardButtons();
      SeenIcon = Box->icon();
      if (C.Press == QMessageBox::NoButton)
        Box->reject();
      else
        Box->button(C.Press)->click();
    });
    EXPECT_EQ(App.MessageBox(QStringLiteral("Text"), QStringLiteral("Caption"), C.Flags), C.Result)
        << C.Flags;
    EXPECT_EQ(Seen, C.Buttons);
    EXPECT_EQ(SeenIcon, C.Icon);
  }
}

} // namespace
} // namespace facette
