#include "demo/ui/ZrDemoRecorder.h"

#include "demo/ui/ZrDemoHooks.h"
#include "demo/ui/ZrDemoPlayback.h"

namespace facette {

TZrDemoRecorder::TZrDemoRecorder(TZrDemoPlayback &Playback) : Playback(Playback) {}

TZrDemoRecorder::~TZrDemoRecorder()
{
  Stop();
}

bool TZrDemoRecorder::Start(int Index)
{
  if (Active || !Playback.StartRecording(Index))
    return false;
  Active = true;
  FirstLine = Playback.RecordIndex;
  LineCount = static_cast<int>(Playback.Script.Lines().size());
  DemoRegistry().Playback = &Playback;
  for (IZrDemoClient *Client : DemoRegistry().AllClients())
    Client->AttachPlayback(&Playback);
  return true;
}

void TZrDemoRecorder::Stop()
{
  if (!Active)
    return;
  Active = false;
  for (IZrDemoClient *Client : DemoRegistry().AllClients())
    Client->DetachPlayback();
  Playback.StopRecording();
}

QStringList TZrDemoRecorder::Lines() const
{
  QStringList Result;
  const std::vector<std::string> &All = Playback.Script.Lines();
  const size_t Added = All.size() - static_cast<size_t>(LineCount);
  for (size_t I = 0; I < Added; ++I)
    Result << QString::fromStdString(All[static_cast<size_t>(FirstLine) + I]);
  return Result;
}

} // namespace facette
