#include "framework/ui/MainForm.h"

#include "framework/ui/ZrImageList.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrSDF.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QWidgetAction>

#include <algorithm>

namespace facette {

namespace {

// Adds Item to Target before Before, or at the end when Before is not one of
// Target's items.
void InsertAction(QWidget *Target, QAction *Before, QAction *Item)
{
  if (Before && Target->actions().contains(Before))
    Target->insertAction(Before, Item);
  else
    Target->addAction(Item);
}

} // namespace

QString ShortcutHint(const QString &Hint, const QKeySequence &Key)
{
  if (Key.isEmpty())
    return Hint;
  return QStringLiteral("%1 (%2)").arg(Hint, Key.toString(QKeySequence::NativeText));
}

TMainForm *TMainForm::Instance_ = nullptr;
QPointer<TZrImageList> TMainForm::StartupImages;

void TMainForm::SetStartupImages(TZrImageList *List)
{
  StartupImages = List;
}

TMainForm::TMainForm(QWidget *Parent) : TZrFormT<QMainWindow>(Parent)
{
  Instance_ = this;
  setObjectName(QStringLiteral("MainForm"));
  DefaultImages = new TZrImageList(QSize(16, 16), this);
  SharedImages = StartupImages;
  setAcceptDrops(true);
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
  // The left and right panel areas take the full height of the window.
  setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
  setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
  setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
  setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

  QMenuBar *Menu = menuBar();
  Menu->setObjectName(QStringLiteral("Menu"));
  Menu->installEventFilter(this);

  FileMenuItem = Menu->addMenu(QString());
  FileMenuItem->setObjectName(QStringLiteral("FileMenuItem"));
  FileMenuSeparator = FileMenuItem->addSeparator();
  ExitMenuItem = FileMenuItem->addAction(QString());
  ExitMenuItem->setObjectName(QStringLiteral("ExitMenuItem"));
  ExitMenuItem->setMenuRole(QAction::QuitRole);
  ExitMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(ExitMenuItem, &QAction::triggered, this, &QWidget::close);

  ViewMenuItem = Menu->addMenu(QString());
  ViewMenuItem->setObjectName(QStringLiteral("ViewMenuItem"));
  ToolbarsMenuItem = ViewMenuItem->addMenu(QString());
  ToolbarsMenuItem->setObjectName(QStringLiteral("ToolbarsMenuItem"));
  ViewMenuSeparator = ViewMenuItem->addSeparator();
  LanguageMenuItem = ViewMenuItem->addMenu(QString());
  LanguageMenuItem->setObjectName(QStringLiteral("LanguageMenuItem"));

  HelpMenuItem = Menu->addMenu(QString());
  HelpMenuItem->setObjectName(QStringLiteral("HelpMenuItem"));

  QStatusBar *Status = statusBar();
  Status->setObjectName(QStringLiteral("StatusBar"));
  Status->installEventFilter(this);

  if (TZrApplication::Exists())
    setWindowTitle(ZrApplication().Title());

  // Designed client size; once the modules have merged their items it
  // becomes the smallest the window goes (Initialize).
  DesignedSize = QSize(534, 458 + Menu->sizeHint().height() + Status->sizeHint().height());
  resize(DesignedSize);
  NormalGeometry = geometry();
}

TMainForm::~TMainForm()
{
  emit Destroying();
  if (Instance_ == this)
    Instance_ = nullptr;
}

TZrImageList *TMainForm::Images() const
{
  return SharedImages ? SharedImages.data() : DefaultImages;
}

void TMainForm::SetImages(TZrImageList *List)
{
  SharedImages = List;
}

QAction *TMainForm::AddMenuItem(const QString &Caption, const QKeySequence &ShortCut,
                                QAction *Before, QMenu *Parent, int ImageIndex,
                                std::function<void()> OnClick)
{
  QWidget *Target = Parent ? static_cast<QWidget *>(Parent) : menuBar();
  auto *Item = new QAction(Caption, Target);
  Item->setShortcut(ShortCut);
  Item->setIcon(Images()->Icon(ImageIndex));
  if (OnClick)
    connect(Item, &QAction::triggered, Item, [Call = std::move(OnClick)] { Call(); });
  InsertAction(Target, Before, Item);
  return Item;
}

QMenu *TMainForm::AddSubmenu(const QString &Caption, QMenu *Parent, QAction *Before)
{
  QWidget *Target = Parent ? static_cast<QWidget *>(Parent) : menuBar();
  auto *Submenu = new QMenu(Caption, Target);
  InsertAction(Target, Before, Submenu->menuAction());
  return Submenu;
}

QAction *TMainForm::AddSeparator(QMenu *Parent, QAction *Before)
{
  QWidget *Target = Parent ? static_cast<QWidget *>(Parent) : menuBar();
  auto *Separator = new QAction(Target);
  Separator->setSeparator(true);
  InsertAction(Target, Before, Separator);
  return Separator;
}

QToolBar *TMainForm::AddToolbar(const QString &Caption)
{
  auto *Toolbar = new QToolBar(Caption, this);
  const QSize Size = Images()->ImageSize();
  Toolbar->setIconSize(Size);
  addToolBar(Qt::TopToolBarArea, Toolbar);

  auto *Item = new QAction(Caption, ToolbarsMenuItem);
  Item->setCheckable(true);
  Item->setChecked(true);
  connect(Item, &QAction::triggered, Toolbar, &QToolBar::setVisible);
  ToolbarsMenuItem->addAction(Item);
  ToolbarItems.push_back({Toolbar, Item});
  return Toolbar;
}

QAction *TMainForm::AddToolbarItem(QWidget *Toolbar, TZrImageList *ImageList, QAction *Before,
                                   const QString &Caption, int ImageIndex,
                                   std::function<void()> OnClick, QAction *&Ref)
{
  auto *Item = new QAction(Toolbar);
  Ref = Item;
  if (OnClick)
    connect(Item, &QAction::triggered, Item, [Call = std::move(OnClick)] { Call(); });
  if (ImageList)
    Item->setIcon(ImageList->Icon(ImageIndex));
  Item->setText(Caption);
  Item->setToolTip(Caption);
  InsertAction(Toolbar, Before, Item);
  return Item;
}

QAction *TMainForm::AddToolbarWidget(QToolBar *Toolbar, QWidget *Widget, QAction *Before)
{
  auto *Item = new QWidgetAction(Toolbar);
  Item->setDefaultWidget(Widget);
  InsertAction(Toolbar, Before, Item);
  return Item;
}

QDockWidget *TMainForm::AddDockablePanel()
{
  auto *Panel = new QDockWidget(this);
  return Panel;
}

int TMainForm::AddResourceImage(const QString &ResourceName)
{
  // Program images are compiled in as resources, drawn as SVG or PNG.
  for (const QString &Suffix : {QStringLiteral(".svg"), QStringLiteral(".png")}) {
    const QString Path = QStringLiteral(":/images/") + ResourceName + Suffix;
    if (!QFile::exists(Path))
      continue;
    QIcon Icon(Path);
    if (Icon.pixmap(16).isNull())
      return -1;
    return Images()->Add(Icon);
  }
  return -1;
}

TZrWindowPlacement TMainForm::Placement() const
{
  TZrWindowPlacement P;
  const Qt::WindowStates State = windowState();
  if (State & Qt::WindowMinimized) {
    P.ShowCmd = TZrWindowPlacement::ShowMinimized;
    if (State & Qt::WindowMaximized)
      P.Flags |= TZrWindowPlacement::RestoreToMaximized;
  } else if (State & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    P.ShowCmd = TZrWindowPlacement::ShowMaximized;
  }
  // The rectangle the window returns to when it is not maximised: its
  // client area, which is what the window system lets us restore exactly.
  const QRect R = (State & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
                      ? NormalGeometry
                      : geometry();
  P.NormalPosition = MakeRect(R.left(), R.top(), R.left() + R.width(), R.top() + R.height());
  return P;
}

void TMainForm::SetPlacement(const TZrWindowPlacement &Placement)
{
  const TZrRect &R = Placement.NormalPosition;
  if (R.Width() > 0 && R.Height() > 0) {
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    setGeometry(R.Left, R.Top, R.Width(), R.Height());
    NormalGeometry = geometry();
  }
  // Never come back minimised: a program that starts as an icon looks as
  // if it did not start. A window minimised from maximised comes back
  // maximised.
  const bool Maximized = Placement.ShowCmd == TZrWindowPlacement::ShowMaximized ||
                         (Placement.ShowCmd == TZrWindowPlacement::ShowMinimized &&
                          (Placement.Flags & TZrWindowPlacement::RestoreToMaximized));
  if (Maximized)
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainForm::Localize()
{
  menuBar()->setWindowTitle(LocalString(161));
  FileMenuItem->setTitle(LocalString(10));
  ExitMenuItem->setText(LocalString(23));
  ViewMenuItem->setTitle(LocalString(34));
  ToolbarsMenuItem->setTitle(LocalString(163));
  LanguageMenuItem->setTitle(LocalString(41));
  HelpMenuItem->setTitle(LocalString(46));
  const int Current = CurrentLanguage();
  for (QAction *Item : LanguageMenuItem->actions()) {
    const int LangId = Item->data().toInt();
    Item->setChecked(LangId == Current);
    std::string Name;
    if (LanguageName(static_cast<uint16_t>(LangId), Name))
      Item->setText(ToQString(Name));
  }
  // Toolbars re-caption themselves in their own Localize, which may run
  // after this one: catch up once they all have.
  ZrApplication().PostCall(TZrMethod::Of<&TMainForm::UpdateToolbarsMenu>(this));
}

void TMainForm::UpdateToolbarsMenu()
{
  for (const TToolbarItem &Entry : ToolbarItems)
    if (Entry.Toolbar)
      Entry.Item->setText(Entry.Toolbar->windowTitle());
}

void TMainForm::UpdateControls()
{
  for (const TToolbarItem &Entry : ToolbarItems)
    if (Entry.Toolbar)
      Entry.Item->setChecked(Entry.Toolbar->isVisibleTo(this));
}

void TMainForm::Initialize()
{
  TZrLanguageList Languages;
  GetLanguages(Languages);
  const int Current = CurrentLanguage();
  // One language at a time: the items are radio items.
  auto *Choice = new QActionGroup(LanguageMenuItem);
  Choice->setExclusive(true);
  for (const auto &[Name, Language] : Languages) {
    auto *Item = new QAction(ToQString(Name), Choice);
    const int LangId = Language->LangId;
    Item->setData(LangId);
    Item->setCheckable(true);
    Item->setChecked(LangId == Current);
    connect(Item, &QAction::triggered, this, [this, LangId] { ChooseLanguage(LangId); });
    LanguageMenuItem->addAction(Item);
  }
  Initialized = true;
  FitMinimumSize();
  // A first start on this machine: about 80 % of the screen's work area,
  // centred, rather than a small window in a corner.
  if (!PlacementRestored)
    if (const QScreen *Screen = screen()) {
      const QRect Area = Screen->availableGeometry();
      const QSize Size = (Area.size() * 4 / 5).expandedTo(minimumSize());
      setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, Size, Area));
    }
  TZrFormT<QMainWindow>::Initialize();
}

void TMainForm::ChooseLanguage(int LangId)
{
  SetLanguage(static_cast<uint16_t>(LangId));
}

void TMainForm::LoadSettings(TZrSDFReader &Reader)
{
  if (!Reader.EnterNode(1, SettingsGuid))
    return;
  // A placement of another size comes from something else: ignore it.
  std::array<uint8_t, TZrWindowPlacement::RecordSize> Bytes{};
  if (Reader.ReadData(2, Bytes.data(), Bytes.size())) {
    SetPlacement(TZrWindowPlacement::FromBytes(Bytes));
    PlacementRestored = true;
  }
  int32_t LangId = 0;
  if (Reader.ReadInteger(1, LangId))
    ChooseLanguage(LangId);
  Reader.LeaveNode();
}

void TMainForm::SaveSettings(TZrSDFWriter &Writer)
{
  Writer.BeginNode(1, SettingsGuid);
  const auto Bytes = Placement().ToBytes();
  Writer.WriteData(2, Bytes.data(), Bytes.size());
  Writer.WriteInteger(1, CurrentLanguage());
  Writer.EndNode();
}

void TMainForm::dragEnterEvent(QDragEnterEvent *Event)
{
  if (Event->mimeData()->hasUrls())
    Event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *Event)
{
  // Only the first dropped item counts; folders and names of files that do
  // not exist are ignored.
  const QList<QUrl> Urls = Event->mimeData()->urls();
  Event->acceptProposedAction();
  if (Urls.isEmpty() || !Urls.front().isLocalFile())
    return;
  const QString FileName = Urls.front().toLocalFile();
  if (OnDropFile && QFileInfo(FileName).isFile())
    OnDropFile(FileName);
}

void TMainForm::RememberNormalGeometry()
{
  if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
    NormalGeometry = geometry();
}

void TMainForm::moveEvent(QMoveEvent *Event)
{
  TZrFormT<QMainWindow>::moveEvent(Event);
  RememberNormalGeometry();
}

void TMainForm::resizeEvent(QResizeEvent *Event)
{
  TZrFormT<QMainWindow>::resizeEvent(Event);
  RememberNormalGeometry();
}

void TMainForm::FitMinimumSize()
{
  // The designed size is the smallest, unless the panels the modules put
  // into the status bar need more width: none of them is cut, as far as
  // the screen has room.
  if (!Initialized)
    return;
  int Width = statusBar()->minimumSizeHint().width();
  if (const QScreen *Screen = screen())
    Width = std::min(Width, Screen->availableGeometry().width());
  setMinimumSize(DesignedSize.expandedTo(QSize(Width, 0)));
}

bool TMainForm::eventFilter(QObject *Watched, QEvent *Event)
{
  // The status bar's own width grows when it is shown (its size grip) and
  // whenever a panel is added or changes.
  if (qobject_cast<QStatusBar *>(Watched) &&
      (Event->type() == QEvent::LayoutRequest || Event->type() == QEvent::Show))
    FitMinimumSize();
  // When the keyboard takes the menu bar (Alt or F10), whatever the pointer
  // hovers stops being highlighted, so two items never look active at once.
  if (Watched == menuBar() && Event->type() == QEvent::FocusIn &&
      static_cast<QFocusEvent *>(Event)->reason() == Qt::MenuBarFocusReason) {
    if (QWidget *Hovered = QApplication::widgetAt(QCursor::pos())) {
      QEvent Leave(QEvent::Leave);
      QCoreApplication::sendEvent(Hovered, &Leave);
    }
  }
  return TZrFormT<QMainWindow>::eventFilter(Watched, Event);
}

} // namespace facette
