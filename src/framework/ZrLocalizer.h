// The localizer: every user-visible text of the program is a numbered
// string read from a language file ("*.ini" in the language folder).
//
// Convention for code: refer to an interface text by a literal number in a
// call, `LocalString(25)` in the user interface (framework/ui/
// ZrLocalizerQt.h) or `LocalStringUtf8(25)` in the core, never by a
// computed number. A test scans the sources for such calls and fails when
// the English language file has no text for a number used this way.
//
// At start the localizer finds the installed language files, chooses a
// base language (the user's language when installed, else US English
// (1033), else the first file found) and loads its strings. Switching to
// another language loads that file's strings as the current ones; a string
// missing there falls back to the base language, and one missing in both to
// the caller's default. Everything here runs on the user-interface thread.
#pragma once

#include "framework/ZrLanguageFile.h"
#include "framework/ZrMethodList.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace facette {

// One installed language.
struct TZrLanguage
{
  std::string Name;               // the language's own name, UTF-8
  std::uint16_t LangId = 0;       // Windows language identifier
  std::filesystem::path FileName; // full path of its file
};

// Numbered texts (UTF-8). Lookup is a binary search once the list is
// sorted and a linear search otherwise.
class TZrLocalStringList
{
public:
  struct TItem
  {
    int Id = 0;
    std::string Text;
  };

  // Replaces the text of Id, or appends it (which clears Sorted).
  void Add(int Id, std::string Text);
  // Replaces the contents by these pairs; a later pair with the same Id
  // replaces an earlier one. The list ends sorted.
  void Assign(std::vector<TItem> Items);
  void Sort();
  void Clear();

  // The text of Id, or nullptr when the list has none.
  const std::string *Find(int Id) const;

  bool Sorted() const { return Sorted_; }
  int Count() const { return static_cast<int>(Items.size()); }
  const TItem &Item(int Index) const { return Items[static_cast<size_t>(Index)]; }

private:
  std::vector<TItem> Items;
  bool Sorted_ = true; // an empty list is in order
};

// Every line of the file's "Strings" section whose key is a whole number,
// into List (cleared first); a later line with the same number wins.
void LoadStrings(const TZrLanguageFile &File, TZrLocalStringList &List);

// The language folder of a program installed in ProgramDir: "Languages"
// beside the program, else the installed layout "../share/facette/
// Languages", else "../Translations/Languages" (returned even when missing).
std::filesystem::path FindLanguageFolder(const std::filesystem::path &ProgramDir);

// Names and entries of the installed languages, in the order they were found.
using TZrLanguageList = std::vector<std::pair<std::string, const TZrLanguage *>>;

class TZrLocalizer
{
public:
  TZrLocalizer() = default;
  // Start-up over a language folder for a user whose default language is
  // UserLangId.
  TZrLocalizer(const std::filesystem::path &LanguageFolder, std::uint16_t UserLangId);
  TZrLocalizer(const TZrLocalizer &) = delete;
  TZrLocalizer &operator=(const TZrLocalizer &) = delete;

  // Finds the languages in the folder, chooses and loads the base language
  // and makes it current. Registered handlers are kept but not called.
  void Start(const std::filesystem::path &LanguageFolder, std::uint16_t UserLangId);

  // The text of Id in the current language, else in the base language, else
  // Default.
  std::string LocalStringUtf8(int Id, std::string_view Default = {}) const;
  // The same without a copy: nullptr when neither language has the text.
  const std::string *FindString(int Id) const;

  // Switches to an installed language and calls every localize handler in
  // registration order. Returns false (and changes nothing) when no
  // language has that identifier.
  bool SetLanguage(std::uint16_t LangId);

  std::uint16_t CurrentLanguage() const { return CurrentLanguage_; }
  std::uint16_t BaseLanguage() const { return BaseLanguage_; }

  const std::vector<std::unique_ptr<TZrLanguage>> &Languages() const { return Languages_; }
  const TZrLanguage *FindLanguage(std::uint16_t LangId) const;
  // Clears List and adds every installed language's name and entry.
  void GetLanguages(TZrLanguageList &List) const;
  // Sets Name to the name of the language LangId; leaves it unchanged and
  // returns false when there is none.
  bool LanguageName(std::uint16_t LangId, std::string &Name) const;

  // Calls Method once at once, then keeps it for every later switch.
  void RegisterLocalizeHandler(const TZrMethod &Method);
  // Removes the last registered entry with the same code and object.
  void UnregisterLocalizeHandler(const TZrMethod &Method);

  const TZrLocalStringList &BaseStrings() const { return BaseStrings_; }
  const TZrLocalStringList &CurrentStrings() const { return CurrentStrings_; }
  const TZrMethodList &LocalizeHandlers() const { return LocalizeHandlers_; }

private:
  std::uint16_t BaseLanguage_ = 0;
  std::uint16_t CurrentLanguage_ = 0;
  std::vector<std::unique_ptr<TZrLanguage>> Languages_;
  TZrLocalStringList BaseStrings_;
  TZrLocalStringList CurrentStrings_;
  TZrMethodList LocalizeHandlers_;
};

// The program's one localizer. It is empty (every lookup gives the default)
// until InitLocalizer runs.
TZrLocalizer &Localizer();

// Start-up of the program's localizer: ProgramDir is the folder of the
// program file, UserLangId the user's default language identifier.
void InitLocalizer(const std::filesystem::path &ProgramDir, std::uint16_t UserLangId);

// Unit-level operations on the program's localizer.
std::string LocalStringUtf8(int Id, std::string_view Default = {});
// Sets the thread locale to LangId (through the handler installed by the
// user interface, if any), then switches the localizer. A language that is
// not installed changes nothing and gives false.
bool SetLanguage(std::uint16_t LangId);
std::uint16_t CurrentLanguage();
std::uint16_t BaseLanguage();
void GetLanguages(TZrLanguageList &List);
bool LanguageName(std::uint16_t LangId, std::string &Name);
void RegisterLocalizeHandler(const TZrMethod &Method);
void UnregisterLocalizeHandler(const TZrMethod &Method);

// The step of SetLanguage that makes LangId the locale of the user-interface
// thread (number formats and the like). The core has no locale of its own;
// the Qt layer installs this. Pass nullptr to remove it.
using TZrThreadLocaleHandler = void (*)(std::uint16_t LangId);
void SetThreadLocaleHandler(TZrThreadLocaleHandler Handler);

} // namespace facette
