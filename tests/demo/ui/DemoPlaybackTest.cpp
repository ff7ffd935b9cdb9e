#include "demo/ui/ZrBalloon.h"
#include "demo/ui/ZrDemoPlayback.h"
#include "demo/ui/ZrDemoPointer.h"

#include "demo/ZrDemoLanguage.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrLocalizer.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace facette {
namespace {

// Writes down what the playback does with the pointer.
class TFakePointer : public IZrDemoPointer
{
public:
  struct TEvent
  {
    char Kind; // 'M'ove, 'P'ress, 'R'elease
    QPoint At;
    Qt::MouseButton Button;
    friend bool operator==(const TEvent &, const TEvent &) = default;
  };
  std::vector<TEvent> Events;
  QPoint Pos{500, 400};
  bool Swapped = false;
  QPoint Position() const override { return Pos; }
  void MoveTo(QPoint P) override
  {
    Pos = P;
    Events.push_back({'M', P, Qt::NoButton});
  }
  void Press(Qt::MouseButton B) override { Events.push_back({'P', Pos, B}); }
  void Release(Qt::MouseButton B) override { Events.push_back({'R', Pos, B}); }
  bool ButtonsSwapped() const override { return Swapped; }
  std::vector<TEvent> Buttons() const
  {
    std::vector<TEvent> Result;
    for (const TEvent &E : Events)
      if (E.Kind != 'M')
        Result.push_back(E);
    return Result;
  }
};

TZrDemoScript ScriptOf(std::vector<std::string> Lines)
{
  TZrDemoScript Script;
  Lines.insert(Lines.begin(), "[Script]");
  Script.LoadFromStrings(Lines);
  return Script;
}

// A playback on a fake pointer and a fake clock, stepped by hand; the
// commands it hands on and the errors it reports are kept.
class DemoPlaybackTest : public testing::Test
{
protected:
  void SetUp() override
  {
    InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
    auto Owned = std::make_unique<TFakePointer>();
    Pointer = Owned.get();
    Playback.SetPointer(std::move(Owned));
    Playback.Clock = [this] { return Now; };
    Playback.OnCommand = [this](TZrDemoPlayback *, const QString &Command, bool &Handled,
                                TZrDemoAction *, const TZrDemoScriptParams &Params) {
      Handled = Command != QStringLiteral("NOBODY");
      if (!Handled)
        return;
      QString Text = Command;
      if (Params.ArgumentCount() > 0)
        Text += QLatin1Char(' ') + QString::fromStdString(Params.StringArgument(0));
      Commands.push_back(Text.toStdString());
    };
    Playback.OnGetTarget = [](TZrDemoPlayback *, const TZrDemoScriptParams &Params, bool &Handled,
                              QPoint &Point) {
      if (Params.StringArgument(0) == "Button") {
        Handled = true;
        Point = QPoint(100, 50);
      }
    };
    Playback.OnError = [this](TZrDemoPlayback *Sender, const QString &Message, bool &,
                              const QString &Line) {
      Errors.push_back(QStringLiteral("%1: %2: %3")
                           .arg(Sender->CurrentFileLine())
                           .arg(Message, Line)
                           .toStdString());
    };
  }
  void Play(std::vector<std::string> Lines)
  {
    Playback.SetScript(ScriptOf(std::move(Lines)));
    ASSERT_TRUE(Playback.Play());
  }
  // Steps until the playback ends (at most Limit ticks, the clock moving
  // by Tick each).
  int StepToEnd(int Limit = 1000, int64_t Tick = 10)
  {
    int Steps = 0;
    while (Steps < Limit && Playback.Step()) {
      ++Steps;
      Now += Tick;
    }
    return Steps;
  }
  template <class T> T *Current() { return dynamic_cast<T *>(Playback.CurrentAction.get()); }

  TZrDemoPlayback Playback;
  TFakePointer *Pointer = nullptr;
  int64_t Now = 1000;
  std::vector<std::string> Commands;
  std::vector<std::string> Errors;
};

TEST_F(DemoPlaybackTest, MovesLastByTheirLengthAndSpeed)
{
  struct TCase
  {
    const char *Speed;
    double Factor;
    const char *Move;
    int64_t Duration; // 0: a jump
  };
  const TCase Cases[] = {
      {"MouseSpeed 5", 1, "MouseMove 600, 400", 400},
      {"MouseSpeed 10", 1, "MouseMove 600, 400", 200},
      {"MouseSpeed 0", 1, "MouseMove 600, 400", 400},     // 0 keeps the speed
      {"MouseSpeed 65546", 1, "MouseMove 600, 400", 200}, // low 16 bits: 10
      {"MouseSpeed 5", 2, "MouseMove 560, 480", 200},
      {"MouseSpeed 5", 0, "MouseMove 600, 400", 0},
      {"MouseSpeed 5", 1, "MouseCurvedMove 500, 400", 0},
  };
  for (const TCase &Case : Cases) {
    Playback.MouseSpeed = 5;
    Playback.SpeedFactor = Case.Factor;
    Pointer->Pos = QPoint(500, 400);
    Play({Case.Speed, Case.Move});
    Playback.Step(); // the speed
    Playback.Step(); // the move starts
    auto *Move = Current<TZrDemoScriptMouseMoveAction>();
    if (Case.Duration == 0) {
      EXPECT_EQ(Move, nullptr) << Case.Move << " takes one step";
    } else {
      ASSERT_NE(Move, nullptr) << Case.Move;
      EXPECT_EQ(Move->Duration, Case.Duration) << Case.Speed << " " << Case.Move;
    }
    StepToEnd();
    EXPECT_EQ(Playback.GetCursor(), Pointer->Pos);
    EXPECT_EQ(Pointer->Pos.x(),
              QString::fromLatin1(Case.Move).section(' ', 1, 1).chopped(1).toInt());
  }
}

TEST_F(DemoPlaybackTest, PathsAreEasedAndCurvedMovesBowAndEndExactly)
{
  Pointer->Pos = QPoint(0, 0);
  Play({"MouseMove 100, 0"});
  std::vector<int> Xs;
  while (Playback.Step()) {
    Xs.push_back(Pointer->Pos.x());
    Now += 100;
  }
  // 400 ms: slow at both ends; halves round to even.
  EXPECT_EQ(Xs, (std::vector<int>{0, 12, 50, 88, 100}));

  Pointer->Pos = QPoint(0, 0);
  Pointer->Events.clear();
  Play({"MouseCurvedMove 90, 30"});
  StepToEnd(1000, 5);
  ASSERT_GT(Pointer->Events.size(), 10u);
  double Farthest = 0;
  for (const TFakePointer::TEvent &E : Pointer->Events) {
    // Distance from the straight line through (0, 0) and (90, 30).
    const double Off = std::abs(30.0 * E.At.x() - 90.0 * E.At.y()) / std::hypot(90.0, 30.0);
    Farthest = std::max(Farthest, Off);
  }
  EXPECT_GT(Farthest, 3);
  EXPECT_LE(Farthest, 10.5); // a third of the smaller distance, and rounding
  EXPECT_EQ(Pointer->Events.back().At, QPoint(90, 30));

  // Time spent suspended does not move the pointer on.
  Pointer->Pos = QPoint(0, 0);
  Play({"MouseMove 100, 0"});
  Playback.Step();
  Now += 100;
  Playback.Step();
  EXPECT_EQ(Pointer->Pos.x(), 12);
  Playback.Suspend();
  Now += 5000;
  Playback.Step();
  Playback.Resume();
  Now += 100;
  Playback.Step();
  EXPECT_EQ(Pointer->Pos.x(), 50);
  StepToEnd();
}

TEST_F(DemoPlaybackTest, PausesAndBalloonsLastAsToldAndKeepTheirTimeWhenSuspended)
{
  struct TCase
  {
    const char *Line;
    double Factor;
    int64_t Duration;
  };
  const TCase Cases[] = {
      {"Pause", 1, 1000},           {"Pause 0.25", 1, 250},    {"Pause word", 1, 1000},
      {"Pause 2", 2, 1000},         {"Pause 2", 0, 0},         {"Message Hi", 1, 3000},
      {"Message Hi, 1.5", 1, 1500}, {"Message \"\", 5", 1, 0}, {"Message Hi, 2", 0, 0},
  };
  for (const TCase &Case : Cases) {
    Playback.SpeedFactor = Case.Factor;
    Play({Case.Line});
    Playback.Step();
    auto *Pause = Current<TZrDemoScriptPauseAction>();
    if (Case.Duration == 0) {
      EXPECT_EQ(Pause, nullptr) << Case.Line << " takes no time";
    } else {
      ASSERT_NE(Pause, nullptr) << Case.Line;
      EXPECT_EQ(Pause->Duration, Case.Duration) << Case.Line;
    }
    StepToEnd();
  }

  // A command's own pauses follow the speed as the script's do.
  for (const auto &[Factor, Duration] :
       {std::pair{1.0, 500}, std::pair{2.0, 250}, std::pair{0.0, 0}}) {
    Playback.SpeedFactor = Factor;
    EXPECT_EQ(Playback.ScaledPause(500), Duration) << Factor;
  }

  Playback.SpeedFactor = 1;
  Play({"Pause 1"});
  Playback.Step();
  Now += 400;
  Playback.Step();
  Playback.Suspend();
  Now += 5000;
  Playback.Resume();
  Now += 500;
  Playback.Step();
  ASSERT_NE(Current<TZrDemoScriptPauseAction>(), nullptr);
  EXPECT_EQ(Current<TZrDemoScriptPauseAction>()->Elapsed, 900);
  StepToEnd();
}

TEST_F(DemoPlaybackTest, BalloonsShowTextsByReference)
{
  TZrDemoScript Script =
      ScriptOf({"Message &392", "Message %Hello, 1, 3", "Message &", "Message %"});
  Script.AddSection("1033");
  Script.Sections.back().Lines = {"Hello=Hello there"};
  Playback.SetScript(Script);
  ASSERT_TRUE(Playback.Play());
  const std::vector<QString> Expected = {LocalString(392), QStringLiteral("Hello there"),
                                         QStringLiteral("&"), QStringLiteral("%")};
  ASSERT_FALSE(Expected[0].isEmpty());
  for (const QString &Text : Expected) {
    Playback.Step();
    auto *Balloon = Current<TZrDemoScriptBalloonAction>();
    ASSERT_NE(Balloon, nullptr);
    EXPECT_EQ(Balloon->Text, Text);
    ASSERT_TRUE(Balloon->Balloon);
    EXPECT_TRUE(Balloon->Balloon->isVisible());
    EXPECT_EQ(Balloon->Balloon->Text, Text);
    // The balloon goes while the demonstration is suspended.
    Playback.Suspend();
    EXPECT_FALSE(Balloon->Balloon);
    Playback.Resume();
    ASSERT_TRUE(Balloon->Balloon);
    Now += 5000;
    Playback.Step();
  }
  StepToEnd();
  EXPECT_TRUE(Errors.empty());
}

TEST_F(DemoPlaybackTest, ClicksDragsAndButtons)
{
  Playback.SpeedFactor = 0;
  Play({"MouseClick Button", "MouseDrag 300, 200", "MouseDblClick", "MouseRightClick 10, 10",
        "MouseDown", "MouseUp", "MouseRightDown", "MouseRightUp"});
  StepToEnd();
  using E = TFakePointer::TEvent;
  const QPoint B(100, 50), D(300, 200), R(10, 10);
  EXPECT_EQ(Pointer->Buttons(), (std::vector<E>{{'P', B, Qt::LeftButton},
                                                {'R', B, Qt::LeftButton},
                                                {'P', B, Qt::LeftButton},
                                                {'R', D, Qt::LeftButton},
                                                {'P', D, Qt::LeftButton},
                                                {'R', D, Qt::LeftButton},
                                                {'P', D, Qt::LeftButton},
                                                {'R', D, Qt::LeftButton},
                                                {'P', R, Qt::RightButton},
                                                {'R', R, Qt::RightButton},
                                                {'P', R, Qt::LeftButton},
                                                {'R', R, Qt::LeftButton},
                                                {'P', R, Qt::RightButton},
                                                {'R', R, Qt::RightButton}}));
  EXPECT_FALSE(Playback.ButtonHeld);

  // With swapped buttons the primary one is the right button; a script
  // that ends holding it lets it go.
  Pointer->Events.clear();
  Pointer->Swapped = true;
  Play({"MouseDown", "MouseRightDown"});
  StepToEnd();
  EXPECT_EQ(Pointer->Buttons(),
            (std::vector<E>{
                {'P', R, Qt::RightButton}, {'P', R, Qt::LeftButton}, {'R', R, Qt::RightButton}}));
  EXPECT_FALSE(Playback.ButtonHeld);
}

TEST_F(DemoPlaybackTest, LinesPlayInOrderWithDirectivesInPlace)
{
  Playback.SpeedFactor = 0;
  Play({"First", "#DOEACH A B", "Say #EACH", "#OD", "#FOR 0 Size 1 2", "# a comment",
        "#EACH 0 Empty", "Last 7, 8"});
  std::vector<uint32_t> Lines;
  while (Playback.Step())
    Lines.push_back(Playback.LineIndex);
  EXPECT_EQ(Commands,
            (std::vector<std::string>{"FIRST", "SAY A", "SAY B", "SIZE 1", "SIZE 2", "LAST 7"}));
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psStopped);
  EXPECT_TRUE(DemoLanguage().IsEmpty());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(DemoPlaybackTest, ErrorsNameTheLineAndEndThePlay)
{
  struct TCase
  {
    std::vector<std::string> Script;
    std::string Error;
  };
  const TCase Cases[] = {
      {{"First", "Nobody 1"}, "3: Unknown command: \"NOBODY\": Nobody 1"},
      {{"MouseTo Nowhere"}, "2: Invalid arguments.: MouseTo Nowhere"},
      {{"Pause 1-2"}, "2: Invalid number: 1-2: Pause 1-2"},
      {{"#FOR 1 Size 1 3 0"}, "2: A step of 0 never ends the count of #FOR.: #FOR 1 Size 1 3 0"},
      {{"#DOEACH A", "Nobody #EACH", "#OD"}, "4: Unknown command: \"NOBODY\": Nobody A"},
  };
  for (const TCase &Case : Cases) {
    Errors.clear();
    Commands.clear();
    bool Ended = false;
    QObject::connect(&Playback, &TZrDemoPlayback::Ended, [&] { Ended = true; });
    std::vector<std::string> Script = Case.Script;
    Script.push_back("NotReached");
    Play(Script);
    StepToEnd();
    EXPECT_EQ(Errors, std::vector<std::string>{Case.Error});
    EXPECT_EQ(Playback.State, TZrDemoPlayback::psStopping);
    EXPECT_FALSE(Playback.IsPlaying());
    EXPECT_TRUE(std::find(Commands.begin(), Commands.end(), "NOTREACHED") == Commands.end());
    QObject::disconnect(&Playback, &TZrDemoPlayback::Ended, nullptr, nullptr);
  }

  // A handler may let the play go on after the failed line.
  Errors.clear();
  Commands.clear();
  Playback.OnError = [this](TZrDemoPlayback *, const QString &Message, bool &Stop,
                            const QString &) {
    Errors.push_back(Message.toStdString());
    Stop = false;
  };
  Play({"Nobody", "Pause 1-", "After"});
  StepToEnd();
  EXPECT_EQ(Errors.size(), 2u);
  EXPECT_EQ(Commands, std::vector<std::string>{"AFTER"});
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psStopped);
  EXPECT_EQ(Playback.SuspendCount, 0);
}

TEST_F(DemoPlaybackTest, AnInterruptKeyAsksAndStopsLettingTheButtonGo)
{
  TZrDemoRegistry Registry;
  std::vector<bool> Stops;
  Registry.RegisterDemoStopHandler([&Stops](bool Held) { Stops.push_back(Held); });
  Playback.UseRegistry(Registry);
  Playback.OnCommand = nullptr;
  bool Answer = false;
  int Questions = 0;
  Playback.OnStopQuery = [&](TZrDemoPlayback *Sender, bool &Stop) {
    ++Questions;
    EXPECT_EQ(Sender->State, TZrDemoPlayback::psSuspended);
    Stop = Answer;
  };
  QWidget Target;
  Target.show();
  const auto Press = [&](int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QKeyEvent Down(QEvent::KeyPress, Key, Modifiers);
    const bool Taken = QApplication::sendEvent(&Target, &Down) && Down.isAccepted();
    return Taken;
  };
  Play({"MouseDown", "Pause 10"});
  Playback.Step();
  Playback.Step();
  ASSERT_TRUE(Playback.ButtonHeld);

  // Page Down is not in the interrupt set; answering No plays on.
  Press(Qt::Key_PageDown);
  EXPECT_EQ(Questions, 0);
  Press(Qt::Key_Escape);
  EXPECT_EQ(Questions, 1);
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);
  EXPECT_EQ(Playback.SuspendCount, 0);

  Answer = true;
  Press(Qt::Key_Space);
  EXPECT_EQ(Questions, 2);
  EXPECT_EQ(Stops, std::vector<bool>{true});
  EXPECT_FALSE(Playback.ButtonHeld);
  using E = TFakePointer::TEvent;
  EXPECT_EQ(Pointer->Buttons().back(), (E{'R', Pointer->Pos, Qt::LeftButton}));
  EXPECT_FALSE(Playback.Step());
  EXPECT_EQ(Playback.CurrentAction, nullptr);
  // Keys reach the program again.
  EXPECT_FALSE(Press(Qt::Key_Escape));
  EXPECT_EQ(Questions, 2);
}

TEST(DemoPlaybackKeys, TheInterruptSet)
{
  struct TCase
  {
    int Key;
    Qt::KeyboardModifiers Modifiers;
    bool Interrupts;
  };
  const TCase Cases[] = {
      {Qt::Key_Escape, {}, true},    {Qt::Key_Return, {}, true},
      {Qt::Key_Tab, {}, true},       {Qt::Key_Space, {}, true},
      {Qt::Key_A, {}, true},         {Qt::Key_Z, {}, true},
      {Qt::Key_5, {}, true},         {Qt::Key_F1, {}, true},
      {Qt::Key_F24, {}, true},       {Qt::Key_Left, {}, true},
      {Qt::Key_Home, {}, true},      {Qt::Key_Delete, {}, true},
      {Qt::Key_Shift, {}, true},     {Qt::Key_NumLock, {}, true},
      {Qt::Key_Meta, {}, true},      {Qt::Key_Backspace, {}, false},
      {Qt::Key_PageUp, {}, false},   {Qt::Key_PageDown, {}, false},
      {Qt::Key_Menu, {}, false},     {Qt::Key_Semicolon, {}, false},
      {Qt::Key_Minus, {}, false},    {Qt::Key_Minus, Qt::KeypadModifier, true},
      {Qt::Key_VolumeUp, {}, false},
  };
  for (const TCase &Case : Cases)
    EXPECT_EQ(TZrDemoPlayback::IsInterruptKey(Case.Key, Case.Modifiers), Case.Interrupts)
        << std::hex << Case.Key;
}

TEST_F(DemoPlaybackTest, SuspensionsNestAndModalWindowsSuspend)
{
  Play({"Pause 10"});
  Playback.Step();
  Playback.Suspend();
  Playback.Suspend();
  Playback.Resume();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psSuspended);
  Playback.Resume();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);
  // One resumption too many does not swallow the next suspension.
  Playback.Resume();
  Playback.Suspend();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psSuspended);
  Playback.Resume();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);

  QDialog Dialog;
  Dialog.setModal(true);
  Dialog.show();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psSuspended);
  QDialog Inner(&Dialog);
  Inner.setModal(true);
  Inner.show();
  Inner.hide();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psSuspended);
  Dialog.hide();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);
  // A modal window destroyed while shown counts as closed.
  auto *Gone = new QDialog;
  Gone->setModal(true);
  Gone->show();
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psSuspended);
  delete Gone;
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);

  // Leaving the program suspends once, returning resumes once.
  Playback.ApplicationStateChanged(Qt::ApplicationInactive);
  Playback.ApplicationStateChanged(Qt::ApplicationHidden);
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psSuspended);
  Playback.ApplicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);
  Playback.ApplicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(Playback.SuspendCount, 0);
  Playback.SuspendWhenInactive = false;
  Playback.ApplicationStateChanged(Qt::ApplicationInactive);
  EXPECT_EQ(Playback.State, TZrDemoPlayback::psPlaying);
}

TEST_F(DemoPlaybackTest, RecordingInsertsLinesWhereAsked)
{
  Playback.SetScript(ScriptOf({"One", "Two"}));
  std::vector<std::string> Seen;
  Playback.OnRecordLine = [&Seen](TZrDemoPlayback *, int Index, const QString &Line) {
    Seen.push_back(QStringLiteral("%1 %2").arg(Index).arg(Line).toStdString());
  };
  Playback.RecordLine(QStringLiteral("Ignored"));
  ASSERT_TRUE(Playback.StartRecording(1));
  EXPECT_FALSE(Playback.Play());
  EXPECT_FALSE(Playback.StartRecording(0));
  Playback.RecordLine(QStringLiteral("A"));
  Playback.RecordLine(QStringLiteral("B"));
  Playback.StopRecording();
  EXPECT_FALSE(Playback.IsRecording());
  EXPECT_EQ(Playback.Script.Lines(), (std::vector<std::string>{"One", "A", "B", "Two"}));
  EXPECT_EQ(Seen, (std::vector<std::string>{"1 A", "2 B"}));
  ASSERT_TRUE(Playback.StartRecording(-1));
  EXPECT_EQ(Playback.RecordIndex, 4);
  Playback.StopRecording();
}

TEST(DemoBalloon, TheTipLiesOnThePointAndTheBalloonOpensTowardsTheMiddle)
{
  const QRect Screen = QGuiApplication::primaryScreen()->geometry();
  struct TCase
  {
    QPoint At;
    int Placement;
    int Chosen;
  };
  const TCase Cases[] = {
      {Screen.topLeft() + QPoint(20, 20), 0, 1},
      {Screen.topRight() + QPoint(-20, 20), 0, 2},
      {Screen.bottomLeft() + QPoint(20, -20), 0, 3},
      {Screen.bottomRight() + QPoint(-20, -20), 0, 4},
      {Screen.center(), 3, 3},
  };
  for (const TCase &Case : Cases) {
    TZrBalloon Balloon;
    Balloon.ShowAt(Case.At.x(), Case.At.y(), Case.Placement,
                   QStringLiteral("A message long enough to wrap over more than one line of "
                                  "text in the balloon & its tip"));
    EXPECT_EQ(Balloon.ChosenPlacement(), Case.Chosen);
    EXPECT_EQ(Balloon.pos() + Balloon.Tip(), Case.At);
    EXPECT_TRUE(Balloon.Region.contains(Balloon.Tip()));
    EXPECT_LE(Balloon.TextRect.width(), TZrBalloon::MaxTextWidth);
    EXPECT_TRUE(Balloon.Region.boundingRect().contains(Balloon.TextRect));
    // Below the point for 1 and 2, above it for 3 and 4.
    if (Case.Chosen <= 2)
      EXPECT_EQ(Balloon.Tip().y(), 0);
    else
      EXPECT_EQ(Balloon.Tip().y(), Balloon.height() - 1);
  }
}

} // namespace
} // namespace facette
