#include "framework/ZrLocalizer.h"

#include <algorithm>
#include <limits>
#include <system_error>

namespace facette {

// --- TZrLocalStringList ---------------------------------------------------

void TZrLocalStringList::Add(int Id, std::string Text)
{
  for (TItem &Item : Items) {
    if (Item.Id == Id) {
      Item.Text = std::move(Text);
      return;
    }
  }
  Items.push_back(TItem{Id, std::move(Text)});
  Sorted_ = false;
}

void TZrLocalStringList::Assign(std::vector<TItem> NewItems)
{
  // A stable sort keeps equal numbers in file order, so the last of each
  // run is the line that came last.
  std::stable_sort(NewItems.begin(), NewItems.end(),
                   [](const TItem &A, const TItem &B) { return A.Id < B.Id; });
  Items.clear();
  Items.reserve(NewItems.size());
  for (TItem &Item : NewItems) {
    if (!Items.empty() && Items.back().Id == Item.Id)
      Items.back().Text = std::move(Item.Text);
    else
      Items.push_back(std::move(Item));
  }
  Sorted_ = true;
}

void TZrLocalStringList::Sort()
{
  std::stable_sort(Items.begin(), Items.end(),
                   [](const TItem &A, const TItem &B) { return A.Id < B.Id; });
  Sorted_ = true;
}

void TZrLocalStringList::Clear()
{
  Items.clear();
  Sorted_ = true;
}

const std::string *TZrLocalStringList::Find(int Id) const
{
  if (Sorted_) {
    auto It = std::lower_bound(Items.begin(), Items.end(), Id,
                               [](const TItem &Item, int Key) { return Item.Id < Key; });
    return (It != Items.end() && It->Id == Id) ? &It->Text : nullptr;
  }
  for (const TItem &Item : Items)
    if (Item.Id == Id)
      return &Item.Text;
  return nullptr;
}

void LoadStrings(const TZrLanguageFile &File, TZrLocalStringList &List)
{
  std::vector<TZrLocalStringList::TItem> Items;
  for (auto &[Key, Value] : File.ReadSectionValues("Strings")) {
    long long Id = 0;
    if (!ParseIniInteger(Key, Id) || Id < std::numeric_limits<int>::min() ||
        Id > std::numeric_limits<int>::max())
      continue;
    Items.push_back({static_cast<int>(Id), std::move(Value)});
  }
  List.Assign(std::move(Items));
}

// --- Language folder ------------------------------------------------------

std::filesystem::path FindLanguageFolder(const std::filesystem::path &ProgramDir)
{
  const std::filesystem::path Candidates[] = {
      ProgramDir / "Languages",
      ProgramDir / ".." / "share" / "facette" / "Languages",
      ProgramDir / ".." / "Translations" / "Languages",
  };
  for (const auto &Candidate : Candidates) {
    std::error_code Error;
    if (std::filesystem::is_directory(Candidate, Error))
      return Candidate.lexically_normal();
  }
  return Candidates[2].lexically_normal();
}

// --- TZrLocalizer ---------------------------------------------------------

namespace {

bool HasIniExtension(const std::filesystem::path &File)
{
  return SameIniName(File.extension().string(), ".ini");
}

// Reads the identifier and the name of a language file; false when the file
// is not a usable language file (no identifier, 0, or out of range).
bool ReadLanguageHeader(const std::filesystem::path &File, TZrLanguage &Language)
{
  const TZrLanguageFile Ini(File);
  long long LangId = 0;
  if (!ParseIniInteger(Ini.ReadString("Language", "LangId"), LangId) || LangId <= 0 ||
      LangId > 0xFFFF)
    return false;
  Language.LangId = static_cast<std::uint16_t>(LangId);
  Language.Name = Ini.ReadString("Language", "Language");
  // A nameless language would be an empty line in the Language menu.
  if (Language.Name.empty())
    Language.Name = File.stem().string();
  Language.FileName = File;
  return true;
}

} // namespace

TZrLocalizer::TZrLocalizer(const std::filesystem::path &LanguageFolder, std::uint16_t UserLangId)
{
  Start(LanguageFolder, UserLangId);
}

void TZrLocalizer::Start(const std::filesystem::path &LanguageFolder, std::uint16_t UserLangId)
{
  Languages_.clear();
  BaseStrings_.Clear();
  CurrentStrings_.Clear();
  BaseLanguage_ = 0;
  CurrentLanguage_ = 0;

  // Directory order differs between file systems; by file name the menu
  // lists the languages the same way everywhere.
  std::vector<std::filesystem::path> Files;
  std::error_code Error;
  for (std::filesystem::directory_iterator It(LanguageFolder, Error), End; !Error && It != End;
       It.increment(Error)) {
    std::error_code TypeError;
    if (It->is_regular_file(TypeError) && HasIniExtension(It->path()))
      Files.push_back(std::filesystem::absolute(It->path(), TypeError));
  }
  std::sort(Files.begin(), Files.end());

  for (const auto &File : Files) {
    auto Language = std::make_unique<TZrLanguage>();
    if (ReadLanguageHeader(File, *Language))
      Languages_.push_back(std::move(Language));
  }

  const TZrLanguage *Base = FindLanguage(UserLangId);
  if (!Base)
    Base = FindLanguage(1033);
  if (!Base && !Languages_.empty())
    Base = Languages_.front().get();
  if (Base) {
    LoadStrings(TZrLanguageFile(Base->FileName), BaseStrings_);
    BaseLanguage_ = Base->LangId;
  }
  CurrentLanguage_ = BaseLanguage_;
}

const std::string *TZrLocalizer::FindString(int Id) const
{
  if (const std::string *Text = CurrentStrings_.Find(Id))
    return Text;
  return BaseStrings_.Find(Id);
}

std::string TZrLocalizer::LocalStringUtf8(int Id, std::string_view Default) const
{
  const std::string *Text = FindString(Id);
  return Text ? *Text : std::string(Default);
}

const TZrLanguage *TZrLocalizer::FindLanguage(std::uint16_t LangId) const
{
  for (const auto &Language : Languages_)
    if (Language->LangId == LangId)
      return Language.get();
  return nullptr;
}

bool TZrLocalizer::SetLanguage(std::uint16_t LangId)
{
  const TZrLanguage *Language = FindLanguage(LangId);
  if (!Language)
    return false;
  CurrentLanguage_ = Language->LangId;
  if (CurrentLanguage_ == BaseLanguage_)
    CurrentStrings_.Clear();
  else
    LoadStrings(TZrLanguageFile(Language->FileName), CurrentStrings_);
  // By index: a handler may register or unregister others while it runs.
  for (int I = 0; I < LocalizeHandlers_.Count(); ++I) {
    TZrMethod Handler;
    if (LocalizeHandlers_.Get(I, Handler))
      Handler();
  }
  return true;
}

void TZrLocalizer::GetLanguages(TZrLanguageList &List) const
{
  List.clear();
  for (const auto &Language : Languages_)
    List.emplace_back(Language->Name, Language.get());
}

bool TZrLocalizer::LanguageName(std::uint16_t LangId, std::string &Name) const
{
  const TZrLanguage *Language = FindLanguage(LangId);
  if (!Language)
    return false;
  Name = Language->Name;
  return true;
}

void TZrLocalizer::RegisterLocalizeHandler(const TZrMethod &Method)
{
  Method();
  LocalizeHandlers_.Add(Method);
}

void TZrLocalizer::UnregisterLocalizeHandler(const TZrMethod &Method)
{
  LocalizeHandlers_.Remove(Method);
}

// --- The program's localizer ----------------------------------------------

namespace {

TZrThreadLocaleHandler ThreadLocaleHandler = nullptr;

} // namespace

TZrLocalizer &Localizer()
{
  static TZrLocalizer Instance;
  return Instance;
}

void InitLocalizer(const std::filesystem::path &ProgramDir, std::uint16_t UserLangId)
{
  Localizer().Start(FindLanguageFolder(ProgramDir), UserLangId);
}

std::string LocalStringUtf8(int Id, std::string_view Default)
{
  return Localizer().LocalStringUtf8(Id, Default);
}

bool SetLanguage(std::uint16_t LangId)
{
  // A language that is not installed (say, one stored in the settings of an
  // older installation) changes nothing, the locale included: number
  // formats should not speak another language than the captions.
  if (!Localizer().FindLanguage(LangId))
    return false;
  if (ThreadLocaleHandler)
    ThreadLocaleHandler(LangId);
  return Localizer().SetLanguage(LangId);
}

std::uint16_t CurrentLanguage()
{
  return Localizer().CurrentLanguage();
}

std::uint16_t BaseLanguage()
{
  return Localizer().BaseLanguage();
}

void GetLanguages(TZrLanguageList &List)
{
  Localizer().GetLanguages(List);
}

bool LanguageName(std::uint16_t LangId, std::string &Name)
{
  return Localizer().LanguageName(LangId, Name);
}

void RegisterLocalizeHandler(const TZrMethod &Method)
{
  Localizer().RegisterLocalizeHandler(Method);
}

void UnregisterLocalizeHandler(const TZrMethod &Method)
{
  Localizer().UnregisterLocalizeHandler(Method);
}

void SetThreadLocaleHandler(TZrThreadLocaleHandler Handler)
{
  ThreadLocaleHandler = Handler;
}

} // namespace facette
