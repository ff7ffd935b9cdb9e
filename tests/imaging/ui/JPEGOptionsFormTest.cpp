#include "framework/ui/ZrApplication.h"
#include "imaging/ui/ZrJPEGOptionsForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace facette {
namespace {

struct TState
{
  QString Edit;
  int Slider;
  int Preset;
};

TState StateOf(const TZrJPEGOptionsForm &Form)
{
  return {Form.QualityEdit->text(), Form.QualityTrackBar->value(),
          Form.QualityComboBox->currentIndex()};
}

TEST(JPEGOptionsForm, TheThreeControlsStayInStep)
{
  TZrJPEGOptionsForm Form;
  EXPECT_EQ(Form.GetQuality(), 80);
  EXPECT_EQ(Form.QualityTrackBar->minimum(), 0);
  EXPECT_EQ(Form.QualityTrackBar->maximum(), 100);
  EXPECT_EQ(Form.QualityTrackBar->tickInterval(), 5);
  EXPECT_EQ(Form.QualityComboBox->count(), 5);
  EXPECT_FALSE(Form.DisplayCheckbox->isVisibleTo(&Form));

  // Typing: the slider follows, the largest preset not above is chosen.
  struct TTyped
  {
    const char *Text;
    int Slider, Preset;
  };
  for (const TTyped &T :
       {TTyped{"79", 79, 2}, TTyped{"5", 5, 0}, TTyped{"100", 100, 4}, TTyped{"30", 30, 1}}) {
    Form.QualityEdit->setText(T.Text);
    EXPECT_EQ(Form.QualityTrackBar->value(), T.Slider) << T.Text;
    EXPECT_EQ(Form.QualityComboBox->currentIndex(), T.Preset) << T.Text;
  }
  // Text that is no quality changes nothing else.
  for (const char *Bad : {"120", "-3", "abc", ""}) {
    Form.QualityEdit->setText(Bad);
    EXPECT_EQ(Form.QualityTrackBar->value(), 30) << Bad;
    EXPECT_EQ(Form.QualityComboBox->currentIndex(), 1) << Bad;
  }

  Form.QualityTrackBar->setValue(65);
  TState S = StateOf(Form);
  EXPECT_EQ(S.Edit, "65");
  EXPECT_EQ(S.Preset, 2);

  Form.QualityComboBox->setCurrentIndex(3);
  Form.QualityComboBoxChange(); // what choosing an entry does
  S = StateOf(Form);
  EXPECT_EQ(S.Edit, "80");
  EXPECT_EQ(S.Slider, 80);
  EXPECT_EQ(S.Preset, 3);

  Form.SetQuality(250);
  EXPECT_EQ(Form.GetQuality(), 100);
}

TEST(JPEGOptionsForm, OkAcceptsOnlyAQuality)
{
  TZrApplication App;
  QString Shown, Caption;
  int Flags = 0;
  App.SetMessageBoxHandler([&](const QString &Text, const QString &Title, int F) {
    Shown = Text;
    Caption = Title;
    Flags = F;
    return id::OK;
  });
  TZrJPEGOptionsForm Form;
  Form.QualityEdit->setText("120");
  Form.OkButtonClick();
  EXPECT_EQ(Form.result(), QDialog::Rejected); // still open
  EXPECT_FALSE(Shown.isEmpty());
  EXPECT_EQ(Caption, Form.windowTitle());
  EXPECT_TRUE(Flags & mb::IconError);
  TState S = StateOf(Form);
  EXPECT_EQ(S.Edit, "100");
  EXPECT_EQ(S.Slider, 100);
  EXPECT_EQ(S.Preset, 4);

  Shown.clear();
  Form.QualityEdit->setText(" 42 ");
  Form.OkButtonClick();
  EXPECT_TRUE(Shown.isEmpty());
  EXPECT_EQ(Form.result(), QDialog::Accepted);
  EXPECT_EQ(Form.GetQuality(), 42);
}

TEST(JPEGOptionsForm, TheMinimalLossSwitchIsOfferedForAnOpenedJPEGAtItsOwnQuality)
{
  TZrJPEGOptionsForm Form;
  Form.SetOptions(TZrJpegOptions{.Quality = 80});
  EXPECT_FALSE(Form.MinimalLossCheckBox->isVisibleTo(&Form));

  Form.SetOptions(TZrJpegOptions{
      .Quality = 92, .OwnQuality = 92, .MinimalLossOffered = true, .MinimalLoss = true});
  EXPECT_TRUE(Form.MinimalLossCheckBox->isVisibleTo(&Form));
  EXPECT_TRUE(Form.MinimalLossCheckBox->isChecked());
  EXPECT_TRUE(Form.MinimalLossCheckBox->isEnabled());
  // Another quality codes everything anew: the switch has no say then.
  Form.QualityTrackBar->setValue(60);
  EXPECT_FALSE(Form.MinimalLossCheckBox->isEnabled());
  Form.QualityEdit->setText("92");
  EXPECT_TRUE(Form.MinimalLossCheckBox->isEnabled());

  Form.MinimalLossCheckBox->setChecked(false);
  TZrJpegOptions Chosen{.MinimalLossOffered = true};
  Form.GetOptions(Chosen);
  EXPECT_EQ(Chosen.Quality, 92);
  EXPECT_FALSE(Chosen.MinimalLoss);
}

TEST(JPEGOptionsForm, ExecuteReportsTheChoice)
{
  int32_t Quality = 55;
  QTimer::singleShot(0, [] {
    for (QWidget *W : QApplication::topLevelWidgets())
      if (auto *Form = dynamic_cast<TZrJPEGOptionsForm *>(W)) {
        EXPECT_EQ(Form->GetQuality(), 55);
        Form->QualityTrackBar->setValue(12);
        Form->OkButtonClick();
      }
  });
  EXPECT_TRUE(ExecuteJPEGOptions(nullptr, Quality));
  EXPECT_EQ(Quality, 12);

  QTimer::singleShot(0, [] {
    for (QWidget *W : QApplication::topLevelWidgets())
      if (auto *Form = dynamic_cast<TZrJPEGOptionsForm *>(W))
        Form->CancelButton->click();
  });
  EXPECT_FALSE(ExecuteJPEGOptions(nullptr, Quality));
  EXPECT_EQ(Quality, 12);
}

} // namespace
} // namespace facette
