#include "editor/ui/ZrToolPanel.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrImageList.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ZrSDF.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QVBoxLayout>

namespace facette {

namespace {

// The panel's client area: it asks the dock for its preferred width.
class TPanelContent : public QWidget
{
public:
  using QWidget::QWidget;
  int PreferredWidth = TZrToolPanelModule::DefaultPanelWidth;
  QSize sizeHint() const override { return {PreferredWidth, QWidget::sizeHint().height()}; }
};

constexpr int BorderSize = 8;

} // namespace

TZrToolPanelModule *TZrToolPanelModule::Instance_ = nullptr;

TZrToolFrame::TZrToolFrame(QWidget *Parent) : TZrFrame(Parent)
{
  setObjectName(QStringLiteral("ToolFrame"));
  auto *Layout = new QVBoxLayout(this);
  // The frame is as tall as the toolbar's rows and 6 pixels more.
  Layout->setContentsMargins(0, 0, 0, 6);
  Layout->setSpacing(0);
  Toolbar = new TZrWrapToolbar(this);
  Toolbar->setObjectName(QStringLiteral("Toolbar"));
  Layout->addWidget(Toolbar);
  Initialize();
}

TZrToolPanelModule::TZrToolPanelModule()
{
  Instance_ = this;
  Main = MainForm();
  Panel = Main->AddDockablePanel();
  Panel->setObjectName(QStringLiteral("ToolPanel"));
  Panel->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  Panel->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);

  auto *PanelContent = new TPanelContent(Panel);
  Content = PanelContent;
  auto *Layout = new QVBoxLayout(Content);
  Layout->setContentsMargins(BorderSize, BorderSize, BorderSize, BorderSize);
  Layout->setSpacing(0);
  ToolFrame = new TZrToolFrame(Content);
  Toolbar = ToolFrame->Toolbar;
  Toolbar->SetIconSize(Main->Images()->ImageSize());
  Layout->addWidget(ToolFrame);
  Frames = new QStackedWidget(Content);
  Layout->addWidget(Frames, 1);
  Panel->setWidget(Content);
  Main->addDockWidget(Qt::RightDockWidgetArea, Panel);

  VisibleMenuItem =
      Main->AddMenuItem(QString(), {}, Main->ToolbarsMenuItem->menuAction(), Main->ViewMenuItem, -1,
                        [this] { SetPanelVisible(!PanelVisible()); });
  VisibleMenuItem->setCheckable(true);
  VisibleMenuItem->setChecked(true);
}

TZrToolPanelModule::~TZrToolPanelModule()
{
  if (Instance_ == this)
    Instance_ = nullptr;
}

void TZrToolPanelModule::SetPanelVisible(bool Value)
{
  Panel->setVisible(Value);
  VisibleMenuItem->setChecked(Value);
}

bool TZrToolPanelModule::PanelVisible() const
{
  // Before the window is shown nothing is visible yet; hidden is what the
  // user (or the settings) asked for.
  return !Panel->isHidden();
}

void TZrToolPanelModule::SetPanelWidth(int Width)
{
  if (Width < Content->minimumWidth())
    return;
  static_cast<TPanelContent *>(Content)->PreferredWidth = Width;
  Content->setFixedWidth(Width);
  if (Main)
    Main->resizeDocks({Panel}, {Width}, Qt::Horizontal);
}

void TZrToolPanelModule::WrapToolbar()
{
  Toolbar->SetWrapping(true);
}

QScrollArea *TZrToolPanelModule::NewFramePage()
{
  auto *Page = new QScrollArea(Frames);
  Page->setFrameShape(QFrame::NoFrame);
  Page->setWidgetResizable(true);
  Page->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Frames->addWidget(Page);
  return Page;
}

void TZrToolPanelModule::BringFrameToFront(QWidget *Frame)
{
  for (int I = 0; I < Frames->count(); ++I)
    if (auto *Page = qobject_cast<QScrollArea *>(Frames->widget(I));
        Page && Page->widget() == Frame)
      Frames->setCurrentIndex(I);
}

QWidget *TZrToolPanelModule::FrontFrame() const
{
  auto *Page = qobject_cast<QScrollArea *>(Frames->currentWidget());
  return Page ? Page->widget() : nullptr;
}

void TZrToolPanelModule::Localize()
{
  Panel->setWindowTitle(LocalString(176));
  VisibleMenuItem->setText(LocalString(176));
}

void TZrToolPanelModule::UpdateControls()
{
  VisibleMenuItem->setChecked(PanelVisible());
}

TZrToolPanelState TZrToolPanelModule::State() const
{
  TZrToolPanelState S;
  S.Visible = PanelVisible();
  S.Floating = Panel->isFloating();
  if (S.Floating) {
    const QRect R = Panel->geometry();
    S.FloatingLeft = R.left();
    S.FloatingTop = R.top();
    S.FloatingWidth = R.width();
    S.FloatingHeight = R.height();
  } else {
    switch (Main ? Main->dockWidgetArea(Panel) : Qt::RightDockWidgetArea) {
    case Qt::LeftDockWidgetArea:
      S.DockSide = TZrToolPanelState::dpLeft;
      break;
    case Qt::TopDockWidgetArea:
      S.DockSide = TZrToolPanelState::dpTop;
      break;
    case Qt::BottomDockWidgetArea:
      S.DockSide = TZrToolPanelState::dpBottom;
      break;
    default:
      S.DockSide = TZrToolPanelState::dpRight;
      break;
    }
    S.DockedWidth = S.SplitWidth = Panel->width();
    S.DockedHeight = S.SplitHeight = Panel->height();
  }
  return S;
}

void TZrToolPanelModule::ApplyState(const TZrToolPanelState &S)
{
  SetPanelVisible(S.Visible);
  // The panel does not float; a record of a floating panel keeps only its
  // visibility, so the panel cannot end up somewhere the user cannot dock
  // it back from.
  if (S.Floating || !Main)
    return;
  if (S.DockSide == TZrToolPanelState::dpLeft || S.DockSide == TZrToolPanelState::dpRight) {
    const Qt::DockWidgetArea Area =
        S.DockSide == TZrToolPanelState::dpLeft ? Qt::LeftDockWidgetArea : Qt::RightDockWidgetArea;
    if (Main->dockWidgetArea(Panel) != Area)
      Main->addDockWidget(Area, Panel);
  }
  // A width fixed by a tool stays; otherwise the stored width is the one
  // the panel asks for.
  if (S.DockedWidth > 0 && Content->minimumWidth() != Content->maximumWidth()) {
    // The record holds the panel's outer width; the client is narrower by
    // the panel's frame.
    auto *PanelContent = static_cast<TPanelContent *>(Content);
    const int Frame = Panel->sizeHint().width() - PanelContent->sizeHint().width();
    PanelContent->PreferredWidth = std::max(S.DockedWidth - std::max(Frame, 0), 1);
    Main->resizeDocks({Panel}, {S.DockedWidth}, Qt::Horizontal);
  }
}

void TZrToolPanelModule::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  std::array<uint8_t, TZrToolPanelState::RecordSize> Record{};
  TZrToolPanelState S;
  if (Reader.ReadData(1, Record.data(), Record.size()) &&
      TZrToolPanelState::Decode(Record.data(), Record.size(), S))
    ApplyState(S);
  Reader.LeaveNode();
}

void TZrToolPanelModule::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  const auto Record = State().Encode();
  Writer.WriteData(1, Record.data(), Record.size());
  Writer.EndNode();
}

} // namespace facette
