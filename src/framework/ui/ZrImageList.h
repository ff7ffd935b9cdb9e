// An indexed list of icons shared by menus and toolbars.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSize>

#include <vector>

namespace facette {

class TZrImageList : public QObject
{
  Q_OBJECT

public:
  explicit TZrImageList(QSize ImageSize, QObject *Parent = nullptr)
      : QObject(Parent), ImageSize_(ImageSize)
  {}

  // Appends an icon and returns its index.
  int Add(const QIcon &Icon);
  // Loads every image <folder>/<index>.svg (index zero-padded to three
  // digits) from 0 upwards until the first missing one; returns the count.
  int LoadIndexed(const QString &Folder);
  // The icon at Index; an empty icon for -1 or an index past the end.
  QIcon Icon(int Index) const;
  int Count() const { return static_cast<int>(Icons.size()); }
  QSize ImageSize() const { return ImageSize_; }

private:
  QSize ImageSize_;
  std::vector<QIcon> Icons;
};

} // namespace facette
