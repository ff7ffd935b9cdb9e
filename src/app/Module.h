// The start-up module: creating it composes the whole program in a fixed
// order (editor and main window, the service modules, the tool panel and
// then the tools in their panel order).
#pragma once

#include <QObject>

namespace facette {

class TModule : public QObject
{
  Q_OBJECT

public:
  TModule();

private:
  void DataModuleCreate();
  void CreateCoreModules();
};

} // namespace facette
