// Method callbacks with an identity (code and object), and a list of them.
// Used for idle handlers, posted calls and localization handlers, where a
// callback registered by an object must later be removed by that object.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace facette {

struct TZrMethod
{
  using TCode = void (*)(void *Data);

  TCode Code = nullptr;
  void *Data = nullptr;
  // Set only for callbacks made from a closure; Code then identifies
  // "a closure" and Data the owner that registered it.
  std::shared_ptr<const std::function<void()>> Closure;

  // A member function of an object: Of<&TForm::Localize>(this).
  template <auto Member, class T> static TZrMethod Of(T *Object)
  {
    return TZrMethod{&MemberThunk<Member, T>, static_cast<void *>(Object), nullptr};
  }

  // Any callable, identified by the owner that registers it. Two closures of
  // the same owner count as the same method.
  static TZrMethod Bind(const void *Owner, std::function<void()> Function)
  {
    return TZrMethod{&ClosureThunk, const_cast<void *>(Owner),
                     std::make_shared<const std::function<void()>>(std::move(Function))};
  }

  bool Assigned() const { return Code != nullptr; }
  bool SameAs(const TZrMethod &Other) const { return Code == Other.Code && Data == Other.Data; }

  void operator()() const
  {
    if (Closure)
      (*Closure)();
    else if (Code)
      Code(Data);
  }

private:
  template <auto Member, class T> static void MemberThunk(void *Object)
  {
    (static_cast<T *>(Object)->*Member)();
  }
  static void ClosureThunk(void *) {}
};

class TZrMethodList
{
public:
  void Add(const TZrMethod &Method) { Items.push_back(Method); }
  // Copies the entry at Index into Method; false when Index is out of range.
  bool Get(int Index, TZrMethod &Method) const;
  // Deletes the last entry whose code and object both match Method and
  // returns its index, or -1 when there is none.
  int Remove(const TZrMethod &Method);
  void Delete(int Index);
  void Clear() { Items.clear(); }
  int Count() const { return static_cast<int>(Items.size()); }

private:
  std::vector<TZrMethod> Items;
};

} // namespace facette
