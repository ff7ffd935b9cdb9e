// A graphics editor with the tool panel and a picture open at 100 % in a
// view that takes real mouse, wheel and key input, for the tests of the
// retouching tools.
#pragma once

#include "editor/ui/EditorTestSupport.h"

#include "editor/GraphicsTestSupport.h"
#include "editor/ui/ZrToolPanel.h"

#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <cstdint>
#include <vector>

namespace facette::test {

// Skin-like detail at several scales: a smooth gradient, ripples some
// eight pixels apart (the "wrinkles") and a fine grain, different in each
// channel.
inline QString WriteDetailedPicture(const QTemporaryDir &Folder, int Width, int Height,
                                    const QString &Name = QStringLiteral("detail.png"))
{
  QImage Picture(Width, Height, QImage::Format_RGB888);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) {
      const double Ripple = 30 * std::sin(X * 0.8 + Y * 0.3);
      const int Grain = (X * 37 + Y * 91) % 13;
      const auto Channel = [&](double Base) {
        return std::clamp(static_cast<int>(Base + Ripple + Grain), 0, 255);
      };
      Picture.setPixel(
          X, Y, qRgb(Channel(150 + X * 0.3), Channel(110 + Y * 0.2), Channel(90 + (X + Y) * 0.1)));
    }
  const QString Path = Folder.filePath(Name);
  EXPECT_TRUE(Picture.save(Path));
  return Path;
}

class ToolInputFixture : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    // Closing a changed picture does not save it.
    Answer = id::No;
    App.CreateModule(Panel);
    Panel->Initialize();
  }

  // The picture at 100 % in a view of 300 x 200 with Tool current and the
  // keyboard on the view.
  void OpenWith(const QString &Path, TZrGraphicsTool *Tool)
  {
    ShowWithViewSize(300, 200);
    ASSERT_TRUE(Open(Path));
    Editor->ActualSize();
    Editor->SelectTool(Tool);
    View()->setFocus();
    QApplication::processEvents();
  }
  void MoveTo(TZrPoint P) { QTest::mouseMove(View(), At(P)); }
  void Click(TZrPoint P)
  {
    MoveTo(P);
    QTest::mouseClick(View(), Qt::LeftButton, Qt::NoModifier, At(P));
  }
  void Wheel(int Steps, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
  {
    const QPoint P = At(TZrPoint{10, 10});
    QWheelEvent Event(P, View()->mapToGlobal(P), QPoint(), QPoint(0, 120 * Steps), Qt::NoButton,
                      Modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View(), &Event);
  }
  void Key(Qt::Key K, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
  {
    QTest::keyClick(View(), K, Modifiers);
  }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }

  // The test's own names: tools made by earlier tests registered theirs
  // in the program-wide registry.
  TZrDemoRegistry Registry;
  TZrToolPanelModule *Panel = nullptr;
};

} // namespace facette::test
