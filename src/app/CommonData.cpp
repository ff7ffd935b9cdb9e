#include "CommonData.h"

#include "framework/ui/ZrImageList.h"

namespace facette {

TCommonDataModule *CommonDataModule = nullptr;

TCommonDataModule::TCommonDataModule()
{
  New24TBXImageList = new TZrImageList(QSize(24, 24), this);
  // Our icons are compiled in as :/icons/24/000.svg, 001.svg, ...
  New24TBXImageList->LoadIndexed(QStringLiteral(":/icons/24"));
}

TCommonDataModule::~TCommonDataModule()
{
  if (CommonDataModule == this)
    CommonDataModule = nullptr;
}

} // namespace facette
