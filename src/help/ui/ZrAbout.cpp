#include "help/ui/ZrAbout.h"

#include "framework/ui/MainForm.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "help/ui/ZrHelp.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTabBar>
#include <QUrl>

#include <stdexcept>

namespace facette {

namespace {

const char *const TabProperty = "AboutTab";
const char *const LinkProperty = "AboutLink";

// The box's design: client area, and the tab control inside it.
constexpr QSize ClientSize(499, 334);
constexpr QRect TabControlRect(4, 4, 493, 328);

QString RowCaption(const TZrAboutRow &Row)
{
  if (Row.Text >= 0 && Row.Text <= 65534)
    return LocalString(Row.Text);
  if (Row.Text == arTitle)
    return TZrApplication::Exists() ? ZrApplication().Title() : QStringLiteral("Facette");
  if (Row.Text == arVersion) {
    if (const TZrHelp *Help = HelpModule(); Help && !Help->Version.isEmpty())
      return Help->Version;
    return QStringLiteral(FACETTE_VERSION);
  }
  return QString::fromUtf8(Row.FixedText ? Row.FixedText : "");
}

} // namespace

QString AboutTabCaption(int32_t Tab)
{
  switch (Tab) {
  case 0:
    return LocalString(47);
  case 1:
    return LocalString(53);
  case 2:
    return LocalString(167);
  default:
    return {};
  }
}

QString TZrLogoBackground::PictureFolder = QStringLiteral(":/images/");

TZrLogoBackground::TZrLogoBackground(QWidget *Parent) : QWidget(Parent)
{
  // The picture covers the control; nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TZrLogoBackground::~TZrLogoBackground() = default;

void TZrLogoBackground::LoadPicture(const QString &ResourceName)
{
  Svg.reset();
  Picture = QImage();
  const QString Base = PictureFolder + ResourceName;
  if (QFile::exists(Base + QStringLiteral(".svg"))) {
    auto Renderer = std::make_unique<QSvgRenderer>(Base + QStringLiteral(".svg"));
    if (Renderer->isValid())
      Svg = std::move(Renderer);
  } else {
    for (const QString &Suffix : {QStringLiteral(".png"), QStringLiteral(".jpg")})
      if (Picture.load(Base + Suffix))
        break;
  }
  if (!Svg && Picture.isNull())
    throw std::runtime_error("The program's picture \"" + ResourceName.toStdString() +
                             "\" is missing.");
  update();
}

int TZrLogoBackground::PictureWidth() const
{
  if (Svg)
    return Svg->defaultSize().width();
  return Picture.width();
}

void TZrLogoBackground::paintEvent(QPaintEvent *)
{
  QPainter P(this);
  if (Svg)
    Svg->render(&P, QRectF(rect()));
  else if (!Picture.isNull())
    P.drawImage(rect(), Picture);
  else
    P.fillRect(rect(), palette().window());
}

TZrAboutForm::TZrAboutForm(QWidget *Parent, const TZrAboutBox &Box) : TZrFormT<QDialog>(Parent)
{
  setModal(true);
  setFixedSize(ClientSize);
  QFont Font = font();
  Font.setPixelSize(11);
  setFont(Font);
  // Addresses open the way the help module opens its pages.
  OpenUrl = [](const QUrl &Url) {
    if (TZrHelp *Help = HelpModule(); Help && Help->OpenUrl)
      return Help->OpenUrl(Url);
    return QDesktopServices::openUrl(Url);
  };

  AboutTabControl = new QTabBar(this);
  AboutTabControl->setDrawBase(false);
  AboutTabControl->setExpanding(false);
  AboutTabControl->setTabData(AboutTabControl->addTab(QString()), 0);
  const int TabHeight = AboutTabControl->sizeHint().height();
  AboutTabControl->setGeometry(TabControlRect.left(), TabControlRect.top(), TabControlRect.width(),
                               TabHeight);
  auto *Page = new QFrame(this);
  Page->setFrameShape(QFrame::StyledPanel);
  Page->setGeometry(TabControlRect.adjusted(0, TabHeight - 1, 0, 0));
  Background = new TZrLogoBackground(Page);
  Background->setGeometry(Page->contentsRect());
  Background->lower();
  Background->LoadPicture(Box.PictureName);
  connect(AboutTabControl, &QTabBar::currentChanged, this, [this] { AboutTabControlChange(); });

  LayOut(Box);
  AboutTabControlChange();
  Initialize();
}

TZrAboutForm::~TZrAboutForm() = default;

void TZrAboutForm::LayOut(const TZrAboutBox &Box)
{
  if (!Box.Rows || Box.RowCount <= 0)
    return;
  // The measures of the labels' font, taken before any caption or style.
  const QFontMetrics Measures(font());
  Metrics = TZrAboutMetrics{Measures.height(), Measures.leading(), Measures.averageCharWidth()};
  TZrAboutLayout Layout(Metrics, Background->width(), Background->PictureWidth());

  for (int32_t I = 0; I < Box.RowCount; ++I) {
    const TZrAboutRow &Row = Box.Rows[I];
    auto *Label = new QLabel(Background);
    Label->setAttribute(Qt::WA_TranslucentBackground);
    Label->setAutoFillBackground(false);
    QString Caption = RowCaption(Row);
    if (Row.Flags & afLink) {
      Label->setToolTip(Caption);
      Label->setProperty(LinkProperty, Caption);
      Caption = ToQString(LinkHost(ToUtf8(Caption)));
    }
    if (Row.Flags & afColon)
      Caption += QLatin1Char(':');
    Label->setText(Caption);
    Label->setTextFormat(Qt::PlainText);
    if (Row.Tab > 0) {
      bool Known = false;
      for (int T = 0; T < AboutTabControl->count(); ++T)
        Known = Known || AboutTabControl->tabData(T).toInt() == Row.Tab;
      if (!Known)
        AboutTabControl->setTabData(AboutTabControl->addTab(AboutTabCaption(Row.Tab)), Row.Tab);
    }
    Label->setProperty(TabProperty, Row.Tab);

    QFont LabelFont = Label->font();
    LabelFont.setBold(Row.Flags & afBold);
    QPalette Colours = Label->palette();
    if (Row.Flags & afWhite)
      Colours.setColor(QPalette::WindowText, Qt::white);
    if (Row.Flags & afLink) {
      LabelFont.setUnderline(true);
      Colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
      Label->setCursor(Qt::PointingHandCursor);
      Label->installEventFilter(this);
    }
    Label->setFont(LabelFont);
    Label->setPalette(Colours);
    Label->setWordWrap(Row.Flags & afWordWrap);
    Label->setAlignment(((Row.Flags & afRightAligned) ? Qt::AlignRight : Qt::AlignLeft) |
                        Qt::AlignTop);

    const QSize Natural = Label->sizeHint();
    int TextHeight = Natural.height();
    if (Row.Width != 0 && (Row.Flags & afWordWrap))
      TextHeight = Label->heightForWidth(Layout.Scale(Row.Width));
    const TZrRect R = Layout.Place(Row, Natural.width(), TextHeight);
    Label->setGeometry(R.Left, R.Top, R.Width(), R.Height());
    Labels.push_back(Label);
  }
}

void TZrAboutForm::AboutTabControlChange()
{
  const int Selected = AboutTabControl->tabData(AboutTabControl->currentIndex()).toInt();
  for (QLabel *Label : Labels) {
    const int Tab = Label->property(TabProperty).toInt();
    Label->setVisible(Tab < 0 || Tab == Selected);
  }
}

void TZrAboutForm::LinkLabelClick(QLabel *Label)
{
  const QString Address = Label->property(LinkProperty).toString();
  if (!Address.isEmpty() && OpenUrl)
    OpenUrl(QUrl(Address));
}

bool TZrAboutForm::eventFilter(QObject *Watched, QEvent *Event)
{
  if (Event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent *>(Event)->button() == Qt::LeftButton)
    if (auto *Label = qobject_cast<QLabel *>(Watched)) {
      LinkLabelClick(Label);
      return true;
    }
  return TZrFormT<QDialog>::eventFilter(Watched, Event);
}

void TZrAboutForm::keyPressEvent(QKeyEvent *Event)
{
  switch (Event->key()) {
  case Qt::Key_Escape:
  case Qt::Key_Return:
  case Qt::Key_Enter:
    accept();
    return;
  default:
    TZrFormT<QDialog>::keyPressEvent(Event);
  }
}

void TZrAboutForm::Localize()
{
  setWindowTitle(LocalString(47));
  for (int T = 0; T < AboutTabControl->count(); ++T)
    AboutTabControl->setTabText(T, AboutTabCaption(AboutTabControl->tabData(T).toInt()));
}

TZrAbout::TZrAbout()
{
  TMainForm *Main = MainForm();
  if (!Main)
    return;
  AboutMenuSeparator = Main->AddSeparator(Main->HelpMenuItem, nullptr);
  AboutMenuItem =
      Main->AddMenuItem(QString(), {}, nullptr, Main->HelpMenuItem, -1, [this] { ShowAboutBox(); });
}

TZrAbout::~TZrAbout() = default;

void TZrAbout::SetAboutBox(const TZrAboutRow *Rows, int32_t RowCount, const QString &PictureName)
{
  AboutBox = TZrAboutBox{Rows, RowCount, PictureName};
}

void TZrAbout::ShowAboutBox()
{
  std::unique_ptr<TZrAboutForm> Form;
  try {
    Form = std::make_unique<TZrAboutForm>(MainForm(), AboutBox);
  } catch (const std::exception &Error) {
    ZrApplication().ShowException(Error);
    return;
  }
  if (ExecForm)
    ExecForm(*Form);
  else
    Form->exec();
}

void TZrAbout::Localize()
{
  if (AboutMenuItem)
    AboutMenuItem->setText(LocalString(47));
}

} // namespace facette
