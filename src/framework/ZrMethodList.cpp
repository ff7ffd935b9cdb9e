#include "framework/ZrMethodList.h"

namespace facette {

bool TZrMethodList::Get(int Index, TZrMethod &Method) const
{
  if (Index < 0 || Index >= Count())
    return false;
  Method = Items[static_cast<size_t>(Index)];
  return true;
}

int TZrMethodList::Remove(const TZrMethod &Method)
{
  for (int I = Count() - 1; I >= 0; --I) {
    if (Items[static_cast<size_t>(I)].SameAs(Method)) {
      Delete(I);
      return I;
    }
  }
  return -1;
}

void TZrMethodList::Delete(int Index)
{
  if (Index >= 0 && Index < Count())
    Items.erase(Items.begin() + Index);
}

} // namespace facette
