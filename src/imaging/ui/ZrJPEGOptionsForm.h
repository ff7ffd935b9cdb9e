// The JPEG options dialog: one quality chosen with a number, a slider or a
// named preset, the three kept in step; for a photo opened as JPEG also
// the switch that keeps what was not edited exactly as it was.
#pragma once

#include "framework/ui/ZrModule.h"
#include "imaging/ZrGraphicsFormats.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace facette {

class TZrJPEGOptionsForm : public TZrFormT<QDialog>
{
public:
  explicit TZrJPEGOptionsForm(QWidget *Parent = nullptr);

  void SetQuality(int32_t Value);
  int32_t GetQuality() const;
  // The quality and, where offered, the minimal-loss switch.
  void SetOptions(const TZrJpegOptions &Options);
  void GetOptions(TZrJpegOptions &Options) const;
  void Localize() override;

  QLineEdit *QualityEdit = nullptr;
  QComboBox *QualityComboBox = nullptr;
  QSlider *QualityTrackBar = nullptr;
  QLabel *SmallFileLabel = nullptr;
  QLabel *LargeFileLabel = nullptr;
  QLabel *QualityLabel = nullptr;
  QPushButton *OkButton = nullptr;
  QPushButton *CancelButton = nullptr;
  QCheckBox *DisplayCheckbox = nullptr; // kept hidden
  // Shown for a photo opened as JPEG; it works at the photo's own quality
  // only and is disabled at any other.
  QCheckBox *MinimalLossCheckBox = nullptr;

  // The change handlers of the three controls (also run by the controls'
  // own signals).
  void QualityEditChange();
  void QualityTrackBarChange();
  void QualityComboBoxChange();
  void OkButtonClick();

private:
  // Shows Value in the controls other than the one that changed.
  void Apply(int32_t Value, bool Edit, bool TrackBar, bool ComboBox);
  bool Updating = false;
  int32_t OwnQuality = 0;
};

// Shows the dialog modally, preset to Quality; on OK stores the chosen
// quality there and returns true.
bool ExecuteJPEGOptions(QWidget *Parent, int32_t &Quality);
bool ExecuteJPEGOptions(QWidget *Parent, TZrJpegOptions &Options);

} // namespace facette
