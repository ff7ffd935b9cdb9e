// Help > About: a fixed-size box whose page is covered by the program's
// picture, with rows of text and links laid over it (the rows are handed
// over by the start-up composition).
#pragma once

#include "framework/ui/ZrModule.h"
#include "help/ZrAboutRows.h"

#include <QDialog>
#include <QImage>
#include <QLabel>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QSvgRenderer;
class QTabBar;
class QUrl;

namespace facette {

struct TZrAboutBox
{
  // The program's row table (not copied).
  const TZrAboutRow *Rows = nullptr;
  int32_t RowCount = 0;
  QString PictureName;
};

// The picture of the box, stretched over the whole control.
class TZrLogoBackground : public QWidget
{
public:
  explicit TZrLogoBackground(QWidget *Parent = nullptr);
  ~TZrLogoBackground() override;

  // Where program pictures are found by name ("About" is About.svg, .png
  // or .jpg there). Tests point it at the source tree.
  static QString PictureFolder;

  // Loads the picture of that name; throws std::runtime_error when the
  // program has none.
  void LoadPicture(const QString &ResourceName);
  // The picture's own width; 0 without one.
  int PictureWidth() const;

protected:
  void paintEvent(QPaintEvent *Event) override;

private:
  std::unique_ptr<QSvgRenderer> Svg;
  QImage Picture;
};

class TZrAboutForm : public TZrFormT<QDialog>
{
public:
  TZrAboutForm(QWidget *Parent, const TZrAboutBox &Box);
  ~TZrAboutForm() override;

  QTabBar *AboutTabControl = nullptr;
  TZrLogoBackground *Background = nullptr;
  // One per row, in table order.
  std::vector<QLabel *> Labels;
  // The font measures the layout used.
  TZrAboutMetrics Metrics;

  // Shows the labels of the selected tab (and those of every tab).
  void AboutTabControlChange();
  // Opens the address a link label holds in its hint.
  void LinkLabelClick(QLabel *Label);
  std::function<bool(const QUrl &)> OpenUrl;

  void Localize() override;

protected:
  void keyPressEvent(QKeyEvent *Event) override;
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  void LayOut(const TZrAboutBox &Box);
};

class TZrAbout : public TZrModule
{
  Q_OBJECT

public:
  TZrAbout();
  ~TZrAbout() override;

  QAction *AboutMenuSeparator = nullptr;
  QAction *AboutMenuItem = nullptr;
  TZrAboutBox AboutBox;

  void SetAboutBox(const TZrAboutRow *Rows, int32_t RowCount, const QString &PictureName);
  // Help > About. A picture that cannot be had is reported as an error and
  // no box is shown.
  void ShowAboutBox();
  // Set by tests to work the box instead of the user.
  std::function<void(TZrAboutForm &)> ExecForm;

  void Localize() override;
};

// The caption of a tab by its number ("About", "Credits", "License").
QString AboutTabCaption(int32_t Tab);

} // namespace facette
