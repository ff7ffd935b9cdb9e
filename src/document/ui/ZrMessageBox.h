// A message box for questions whose answers the standard box's fixed
// buttons cannot name: word-wrapped text, an optional icon, any number of
// equally wide buttons and an optional check box.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

class QCheckBox;

namespace facette {

// Either a system icon (application 32512, error 32513, question 32514,
// warning 32515, information 32516) or a picture of the program by name.
struct TZrMessageIcon
{
  int SystemId = 0;
  QString ResourceName;
  bool IsNull() const { return SystemId == 0 && ResourceName.isEmpty(); }
};

class TZrMessageBox : public QDialog
{
  Q_OBJECT

public:
  static constexpr int WrapWidth = 620;
  static constexpr int ButtonWidth = 180;
  static constexpr int ButtonHeight = 24;
  static constexpr int ButtonSpacing = 8;

  TZrMessageBox(const QString &Caption, const QString &Text, const QStringList &Buttons,
                int LastButton, const QString &CheckText, bool Checked, const TZrMessageIcon &Icon,
                QWidget *Parent = nullptr);

  int TextWidth = 0;
  int TextHeight = 0;
  QCheckBox *CheckBox = nullptr;
  QList<QWidget *> ButtonWidgets;

protected:
  void paintEvent(QPaintEvent *Event) override;

private:
  QString Text;
  QPixmap IconPixmap;
  QRect TextRect;
};

// Shows the box modally and returns the index of the pressed button; closing
// it without a button gives 1. When a check box was shown and Checked is
// given, Checked receives its final state.
int ShowMessageBox(const QString &Caption, const QString &Text, const QStringList &Buttons,
                   bool *Checked, const QString &CheckText, const TZrMessageIcon &Icon,
                   int LastButton);

} // namespace facette
