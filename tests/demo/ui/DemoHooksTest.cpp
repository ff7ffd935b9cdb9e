#include "demo/ui/ZrDemoHooks.h"

#include <QAction>
#include <QCoreApplication>
#include <QPushButton>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace facette {
namespace {

using TArgument = std::variant<int32_t, double, std::string>;

std::shared_ptr<TZrDemoScriptParams> Params(std::initializer_list<TArgument> Arguments)
{
  auto Result = std::make_shared<TZrDemoScriptParams>();
  TZrDemoScriptParams &P = *Result;
  uint32_t Id = 0;
  for (const TArgument &A : Arguments) {
    if (const auto *I = std::get_if<int32_t>(&A))
      P.StoreInteger(Id, *I);
    else if (const auto *D = std::get_if<double>(&A))
      P.StoreDouble(Id, *D);
    else
      P.StoreString(Id, std::get<std::string>(A));
    ++Id;
  }
  return Result;
}

struct TRecordingPlayback : IZrDemoPlayback
{
  bool Recording = false;
  QStringList Lines;
  bool IsRecording() const override { return Recording; }
  void RecordLine(const QString &Line) override { Lines << Line; }
  bool RecordMessages() const override { return false; }
  void Suspend() override {}
  void Resume() override {}
};

struct TClient : IZrDemoClient
{
  QStringList Commands;
  QString KnownTarget;
  void DemoCommand(IZrDemoPlayback *, const QString &Command, bool &Handled, TZrDemoAction *,
                   const TZrDemoScriptParams &) override
  {
    Commands << Command;
    Handled = Command == QStringLiteral("ZOOMIN");
  }
  void DemoTargetPosition(IZrDemoPlayback *, const TZrDemoScriptParams &P, bool &Handled,
                          QPoint &Point) override
  {
    if (QString::fromStdString(P.StringArgument(0)).toUpper() == KnownTarget) {
      Handled = true;
      Point = QPoint(7, 9);
    }
  }
  void AttachPlayback(IZrDemoPlayback *) override {}
  void DetachPlayback() override {}
};

class DemoHooksTest : public testing::Test
{
protected:
  void SetUp() override
  {
    Registry.Clients = [this] { return std::vector<IZrDemoClient *>{&Client}; };
  }
  bool Dispatch(const QString &Command, const std::shared_ptr<TZrDemoScriptParams> &P)
  {
    bool Handled = false;
    Registry.DispatchCommand(nullptr, Command, Handled, nullptr, *P);
    return Handled;
  }
  TZrDemoRegistry Registry;
  TClient Client;
};

TEST_F(DemoHooksTest, ArgumentsConvertByKindWithDefaults)
{
  int Integer = -1;
  bool Boolean = false;
  QPoint Point;
  Registry.RegisterDemoIntegerCommand(
      QStringLiteral("Size"), [&](int V) { Integer = V; }, 42);
  Registry.RegisterDemoBooleanCommand(
      QStringLiteral("Expert"), [&](bool V) { Boolean = V; }, true);
  Registry.RegisterDemoPointCommand(
      QStringLiteral("At"),
      [&](int X, int Y) {
        Point = {X, Y};
      },
      QPoint(3, 4));
  struct Case
  {
    QString Command;
    std::shared_ptr<TZrDemoScriptParams> Arguments;
    int Integer;
    bool Boolean;
    QPoint Point;
  } Cases[] = {
      {QStringLiteral("SIZE"), Params({17}), 17, false, {}},
      {QStringLiteral("size"), Params({std::string("big")}), 42, false, {}},
      {QStringLiteral("SIZE"), Params({2.5}), 2, false, {}},
      {QStringLiteral("SIZE"), Params({}), 42, false, {}},
      {QStringLiteral("EXPERT"), Params({}), -1, true, {}},
      {QStringLiteral("EXPERT"), Params({std::string("yes")}), -1, false, {}},
      {QStringLiteral("EXPERT"), Params({0}), -1, false, {}},
      {QStringLiteral("EXPERT"), Params({0.25}), -1, true, {}},
      {QStringLiteral("AT"), Params({10, 20}), -1, false, {10, 20}},
      {QStringLiteral("AT"), Params({10, std::string("x")}), -1, false, {3, 4}},
      {QStringLiteral("AT"), Params({10}), -1, false, {3, 4}},
  };
  for (Case &C : Cases) {
    Integer = -1;
    Boolean = !C.Boolean;
    Point = {};
    EXPECT_TRUE(Dispatch(C.Command, C.Arguments)) << C.Command.toStdString();
    EXPECT_EQ(Integer, C.Integer) << C.Command.toStdString();
    if (C.Command.toUpper() == QStringLiteral("EXPERT")) {
      EXPECT_EQ(Boolean, C.Boolean);
    }
    EXPECT_EQ(Point, C.Point) << C.Command.toStdString();
  }
}

TEST_F(DemoHooksTest, FirstRegistrationWinsAndClientsComeLast)
{
  QStringList Calls;
  QObject Sender;
  Registry.RegisterDemoCommand(QStringLiteral("Undo"), [&] { Calls << QStringLiteral("first"); });
  Registry.RegisterDemoCommand(QStringLiteral("UNDO"), [&] { Calls << QStringLiteral("second"); });
  Registry.RegisterDemoCommand(
      QStringLiteral("Press"), [&](QObject *S) { Calls << (S == &Sender ? "sender" : "other"); },
      &Sender);
  EXPECT_TRUE(Dispatch(QStringLiteral("undo"), Params({})));
  EXPECT_TRUE(Dispatch(QStringLiteral("PRESS"), Params({})));
  EXPECT_EQ(Calls, (QStringList{QStringLiteral("first"), QStringLiteral("sender")}));
  EXPECT_TRUE(Client.Commands.isEmpty());

  EXPECT_TRUE(Dispatch(QStringLiteral("ZoomIn"), Params({})));
  EXPECT_FALSE(Dispatch(QStringLiteral("Nothing"), Params({})));
  EXPECT_EQ(Client.Commands, (QStringList{QStringLiteral("ZOOMIN"), QStringLiteral("NOTHING")}));
}

TEST_F(DemoHooksTest, TargetsOfRegisteredControlsAndOtherComponents)
{
  QWidget Window;
  Window.setGeometry(100, 50, 300, 200);
  auto *Button = new QPushButton(&Window);
  Button->setGeometry(10, 20, 81, 30);
  Window.show();
  QCoreApplication::processEvents();
  QObject NotAControl;
  Registry.RegisterDemoComponent(QStringLiteral("OkButton"), Button);
  Registry.RegisterDemoComponent(QStringLiteral("Thing"), &NotAControl);
  Registry.RegisterDemoComponent(QStringLiteral("Nil"), nullptr);
  Client.KnownTarget = QStringLiteral("THING");

  auto Resolve = [&](const std::string &Name, QPoint &Point) {
    bool Handled = false;
    Registry.ResolveTarget(nullptr, *Params({Name}), Handled, Point);
    return Handled;
  };
  QPoint Point;
  ASSERT_TRUE(Resolve("okbutton", Point));
  EXPECT_EQ(Point, Button->mapToGlobal(QPoint(40, 15)));
  ASSERT_TRUE(Resolve("Thing", Point)); // not a control: the client answers
  EXPECT_EQ(Point, QPoint(7, 9));
  EXPECT_FALSE(Resolve("Nil", Point));
}

TEST_F(DemoHooksTest, HiddenToolbarItemCountsAsFoundWithoutAPoint)
{
  QToolBar Toolbar;
  QAction Hidden(QStringLiteral("Hidden"));
  Toolbar.addAction(&Hidden);
  Hidden.setVisible(false);
  QAction Removed(QStringLiteral("Removed"));
  Toolbar.addAction(&Removed);
  Toolbar.removeAction(&Removed);
  QAction Placed(QStringLiteral("Placed"));
  Toolbar.addAction(&Placed);
  Toolbar.show();
  QCoreApplication::processEvents();

  QPoint Point(-5, -5);
  EXPECT_TRUE(TZrDemoRegistry::TargetPoint(&Hidden, Point));
  EXPECT_EQ(Point, QPoint(-5, -5));
  EXPECT_FALSE(TZrDemoRegistry::TargetPoint(&Removed, Point)); // on no toolbar or menu
  EXPECT_TRUE(TZrDemoRegistry::TargetPoint(&Placed, Point));
  QWidget *PlacedButton = Toolbar.widgetForAction(&Placed);
  ASSERT_NE(PlacedButton, nullptr);
  EXPECT_EQ(Point, PlacedButton->mapToGlobal(
                       QPoint(PlacedButton->width() / 2, PlacedButton->height() / 2)));
}

TEST_F(DemoHooksTest, RecordingCallsWriteOnlyWhileRecording)
{
  TRecordingPlayback Playback;
  Registry.Playback = &Playback;
  Registry.RecordDemoCommand(QStringLiteral("CropPerform"));
  Registry.RecordDemoLine(QStringLiteral("Undo"));
  EXPECT_TRUE(Playback.Lines.isEmpty());

  Playback.Recording = true;
  Registry.RecordDemoCommand(QStringLiteral("CropPerform"));
  Registry.RecordDemoCommand(QStringLiteral("SmudgeSize"), QStringLiteral("40"));
  Registry.RecordDemoMove(QStringLiteral("OriginalImageButton"));
  EXPECT_EQ(
      Playback.Lines,
      (QStringList{QStringLiteral("MouseCurvedMove CropPerform"), QStringLiteral("CropPerform"),
                   QStringLiteral("MouseCurvedMove SmudgeSize"), QStringLiteral("SmudgeSize 40"),
                   QStringLiteral("MouseCurvedMove OriginalImageButton")}));
  Registry.Playback = nullptr;
}

// Tools register before the demonstration module exists; the registry it
// makes then takes over from the stand-in.
TEST(DemoRegistryInstance, ARegistryMadeAfterTheStandInWasUsedServes)
{
  TZrDemoRegistry &StandIn = TZrDemoRegistry::Instance();
  TZrDemoRegistry Installed;
  EXPECT_EQ(&TZrDemoRegistry::Instance(), &Installed);
  EXPECT_NE(&StandIn, &Installed);
}

} // namespace
} // namespace facette
