#include "framework/ui/ZrImageList.h"

#include <QFile>

namespace facette {

int TZrImageList::Add(const QIcon &Icon)
{
  Icons.push_back(Icon);
  return Count() - 1;
}

int TZrImageList::LoadIndexed(const QString &Folder)
{
  int Loaded = 0;
  for (int Index = Count();; ++Index) {
    const QString Name =
        QStringLiteral("%1/%2.svg").arg(Folder).arg(Index, 3, 10, QLatin1Char('0'));
    if (!QFile::exists(Name))
      break;
    Add(QIcon(Name));
    ++Loaded;
  }
  return Loaded;
}

QIcon TZrImageList::Icon(int Index) const
{
  if (Index < 0 || Index >= Count())
    return {};
  return Icons[static_cast<size_t>(Index)];
}

} // namespace facette
