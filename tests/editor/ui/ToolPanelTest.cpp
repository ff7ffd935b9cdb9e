#include "editor/ui/ZrProgressMeter.h"
#include "editor/ui/ZrToolPanel.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"

#include <QDockWidget>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

namespace facette {
namespace {

class TOptionsFrame : public TZrFrame
{
public:
  TOptionsFrame(const QString &Caption, QWidget *Parent) : TZrFrame(Parent)
  {
    new QLabel(Caption, this);
    Initialize();
  }
};

class ToolPanelTest : public testing::Test
{
protected:
  void SetUp() override
  {
    InitLocalizer(FACETTE_SOURCE_DIR "/data", 1033);
    App.CreateForm(Main);
    App.CreateModule(Panel);
    Panel->Initialize();
  }

  TZrToolPanelState SaveAndLoadInto(TZrToolPanelModule &Target)
  {
    TZrMemoryStream Stream;
    {
      TZrSDFWriter Writer(&Stream);
      Panel->SaveSettings(Writer);
    }
    Stream.Seek(0);
    TZrSDFReader Reader(&Stream);
    Target.LoadSettings(Reader);
    return Target.State();
  }

  TZrApplication App;
  TMainForm *Main = nullptr;
  TZrToolPanelModule *Panel = nullptr;
};

TEST_F(ToolPanelTest, PanelIsDockedRightWithItsToggleInTheViewMenu)
{
  EXPECT_EQ(ToolPanel(), Panel);
  EXPECT_EQ(Main->dockWidgetArea(Panel->Panel), Qt::RightDockWidgetArea);
  EXPECT_FALSE(Panel->Panel->features() & QDockWidget::DockWidgetFloatable);
  EXPECT_EQ(Panel->Panel->windowTitle(), LocalString(176));

  // The toggle comes right before the Toolbars submenu.
  const QList<QAction *> Items = Main->ViewMenuItem->actions();
  const qsizetype At = Items.indexOf(Panel->VisibleMenuItem);
  ASSERT_GE(At, 0);
  EXPECT_EQ(Items[At + 1], Main->ToolbarsMenuItem->menuAction());
  EXPECT_EQ(Panel->VisibleMenuItem->text(), LocalString(176));

  Panel->VisibleMenuItem->trigger();
  EXPECT_FALSE(Panel->PanelVisible());
  Panel->UpdateControls();
  EXPECT_FALSE(Panel->VisibleMenuItem->isChecked());
  Panel->VisibleMenuItem->trigger();
  EXPECT_TRUE(Panel->PanelVisible());
  Panel->UpdateControls();
  EXPECT_TRUE(Panel->VisibleMenuItem->isChecked());
}

TEST_F(ToolPanelTest, OptionFramesLieBelowTheToolbarOneInFront)
{
  auto *First = Panel->CreateToolFrame<TOptionsFrame>(QStringLiteral("first"));
  auto *Second = Panel->CreateToolFrame<TOptionsFrame>(QStringLiteral("second"));
  Panel->BringFrameToFront(Second);
  EXPECT_EQ(Panel->FrontFrame(), Second);
  Panel->BringFrameToFront(First);
  EXPECT_EQ(Panel->FrontFrame(), First);

  Main->resize(900, 700);
  Main->show();
  QCoreApplication::processEvents();
  const QPoint FrameTop = First->mapTo(Panel->Panel, QPoint(0, 0));
  const QPoint ToolbarBottom =
      Panel->Toolbar->mapTo(Panel->Panel, QPoint(0, Panel->Toolbar->height()));
  EXPECT_GE(FrameTop.y(), ToolbarBottom.y());
  Main->hide();
}

TEST_F(ToolPanelTest, WidthRequestsBelowTheMinimumAreIgnored)
{
  Panel->SetPanelWidth(272);
  EXPECT_EQ(Panel->Panel->widget()->minimumWidth(), 272);
  EXPECT_EQ(Panel->Panel->widget()->maximumWidth(), 272);
  Panel->SetPanelWidth(264); // below what is already fixed
  EXPECT_EQ(Panel->Panel->widget()->maximumWidth(), 272);
  Panel->SetPanelWidth(300);
  EXPECT_EQ(Panel->Panel->widget()->minimumWidth(), 300);
}

TEST_F(ToolPanelTest, StateRoundTripsThroughTheSettings)
{
  Main->addDockWidget(Qt::LeftDockWidgetArea, Panel->Panel);
  Panel->SetPanelVisible(false);

  // A second window and panel take the stored side and visibility.
  TMainForm OtherMain;
  TZrToolPanelModule Other;
  ASSERT_TRUE(Other.PanelVisible());
  const TZrToolPanelState Loaded = SaveAndLoadInto(Other);
  EXPECT_FALSE(Loaded.Visible);
  EXPECT_EQ(Loaded.DockSide, TZrToolPanelState::dpLeft);
  EXPECT_EQ(OtherMain.dockWidgetArea(Other.Panel), Qt::LeftDockWidgetArea);
}

TEST_F(ToolPanelTest, ARecordNotStartingWith47ChangesNothing)
{
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Writer.BeginNode(1, TZrToolPanelModule::SettingsGuid);
    TZrToolPanelState Hidden;
    Hidden.Visible = false;
    auto Record = Hidden.Encode();
    Record[0] = 46;
    Writer.WriteData(1, Record.data(), Record.size());
    Writer.EndNode();
  }
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Panel->LoadSettings(Reader);
  EXPECT_TRUE(Panel->PanelVisible());
  EXPECT_EQ(Main->dockWidgetArea(Panel->Panel), Qt::RightDockWidgetArea);
}

TEST(ProgressMeterTest, StartsEmptyStepsAndWrapsAround)
{
  QProgressBar Bar;
  TProgressMeter Meter(&Bar);
  EXPECT_EQ(ProgressMeter(), &Meter);
  // Without steps the bar is empty, not Qt's busy animation.
  Meter.Start(0);
  EXPECT_GT(Bar.maximum(), Bar.minimum());
  EXPECT_EQ(Bar.value(), 0);

  Meter.Start(3);
  Meter.Step();
  Meter.Step();
  EXPECT_EQ(Bar.maximum(), 3);
  EXPECT_EQ(Bar.value(), 2);
  Meter.Step();
  EXPECT_EQ(Bar.value(), 3);
  Meter.Step();
  EXPECT_EQ(Bar.value(), 0);

  Meter.DefaultMax = 10;
  Meter.Start(0);
  EXPECT_EQ(Bar.maximum(), 10);
}

} // namespace
} // namespace facette
