// Recording a demo: while a recorder runs, the editor, the graphics
// editor, the view and the tools write script lines for what the user does
// (opening an image, zooming, choosing a tool, every stroke) into the
// playback's script, after its last line unless told otherwise.
#pragma once

#include <QStringList>

namespace facette {

class TZrDemoPlayback;
class TZrDemoRegistry;

class TZrDemoRecorder
{
public:
  explicit TZrDemoRecorder(TZrDemoPlayback &Playback);
  ~TZrDemoRecorder();
  TZrDemoRecorder(const TZrDemoRecorder &) = delete;
  TZrDemoRecorder &operator=(const TZrDemoRecorder &) = delete;

  // Starts recording into the playback's script at line Index (the end
  // when negative) and tells every demo client of the program, and the
  // registry, to write to it. False while the playback plays or records.
  bool Start(int Index = -1);
  // Stops recording and lets the clients go; the lines stay in the
  // playback's script.
  void Stop();
  bool Recording() const { return Active; }
  // The lines recorded since Start.
  QStringList Lines() const;

private:
  TZrDemoPlayback &Playback;
  bool Active = false;
  int FirstLine = 0;
  int LineCount = 0;
};

} // namespace facette
