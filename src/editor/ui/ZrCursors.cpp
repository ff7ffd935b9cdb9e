#include "editor/ui/ZrCursors.h"

#include <map>

namespace facette {

namespace {

std::map<int32_t, QCursor> &Registered()
{
  static std::map<int32_t, QCursor> Cursors;
  return Cursors;
}

} // namespace

QCursor ScreenCursor(int32_t Index)
{
  const auto It = Registered().find(Index);
  if (It != Registered().end())
    return It->second;
  switch (Index) {
  case crNone:
    return QCursor(Qt::BlankCursor);
  case crCross:
    return QCursor(Qt::CrossCursor);
  case crIBeam:
    return QCursor(Qt::IBeamCursor);
  case crSizeNESW:
    return QCursor(Qt::SizeBDiagCursor);
  case crSizeNS:
  case crVSplit:
    return QCursor(Qt::SizeVerCursor);
  case crSizeNWSE:
    return QCursor(Qt::SizeFDiagCursor);
  case crSizeWE:
  case crHSplit:
    return QCursor(Qt::SizeHorCursor);
  case crUpArrow:
    return QCursor(Qt::UpArrowCursor);
  case crHourGlass:
  case crSQLWait:
    return QCursor(Qt::WaitCursor);
  case crDrag:
  case crMultiDrag:
    return QCursor(Qt::DragMoveCursor);
  case crNoDrop:
  case crNo:
    return QCursor(Qt::ForbiddenCursor);
  case crAppStart:
    return QCursor(Qt::BusyCursor);
  case crHelp:
    return QCursor(Qt::WhatsThisCursor);
  case crHandPoint:
    return QCursor(Qt::PointingHandCursor);
  case crSizeAll:
    return QCursor(Qt::SizeAllCursor);
  default:
    return QCursor(Qt::ArrowCursor);
  }
}

void SetScreenCursor(int32_t Index, const QCursor &Cursor)
{
  Registered()[Index] = Cursor;
}

} // namespace facette
