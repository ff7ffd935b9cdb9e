// A graphics editor with the tool panel and one tool of the kind tested,
// its demo names in a registry of the test's own.
#pragma once

#include "editor/ui/EditorTestSupport.h"

#include "editor/ui/ZrToolPanel.h"

namespace facette::test {

template <class TTool> class TPanelToolFixture : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    App.CreateModule(Panel);
    Panel->Initialize();
    App.CreateModule(Tool);
    Tool->Initialize();
  }
  void TearDown() override
  {
    Registry.Playback = nullptr;
    GraphicsEditorFixture::TearDown();
  }
  TZrPixels &Image() const { return *Doc()->ImagePixels(); }

  TZrDemoRegistry Registry;
  TZrToolPanelModule *Panel = nullptr;
  TTool *Tool = nullptr;
};

} // namespace facette::test
