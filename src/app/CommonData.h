// Data shared by the whole program: the 24-pixel image list of menus,
// toolbars and tool buttons, and the tool created most recently.
#pragma once

#include <QObject>

namespace facette {

class TZrImageList;

class TCommonDataModule : public QObject
{
  Q_OBJECT

public:
  TCommonDataModule();
  ~TCommonDataModule() override;

  TZrImageList *New24TBXImageList = nullptr;
  QObject *LastTool = nullptr;
};

extern TCommonDataModule *CommonDataModule;

} // namespace facette
