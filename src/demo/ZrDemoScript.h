// A demo file in memory.
//
// The file has the layout of an INI file: an optional UTF-8 byte-order mark,
// then sections. Lines are trimmed; empty lines and lines starting with ";"
// are dropped, as are lines before the first section; in a line holding
// "=", the blanks around the first "=" are removed. Section "Info" holds
// key=value lines ("Title", "Image"), section "Script" the script, one step
// per line, and sections named by a decimal language identifier ("1033")
// the texts of that language (the title, and message texts a script refers
// to as %key). Those texts are UTF-8 when the file starts with the mark, else
// in the ANSI code page of the interface language.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace facette {

class TZrStream;

class TZrDemoScript
{
public:
  struct TSection
  {
    std::string Name;
    std::vector<std::string> Lines;
    // The line of the file each line came from (from 1); 0 for lines that
    // were added later.
    std::vector<int> FileLines;
  };

  TZrDemoScript();

  bool IsUtf8 = false;
  std::filesystem::path FileName;
  std::vector<TSection> Sections;

  // The lines of the "Script" section (which always exists).
  std::vector<std::string> &Lines();
  const std::vector<std::string> &Lines() const;
  // The line of the file that script line Index came from; 0 when unknown.
  int FileLineOf(size_t Index) const;
  // Inserts a script line at Index (the end when beyond it).
  void InsertLine(size_t Index, std::string Line);

  // False when the file cannot be read (the script is then empty).
  bool LoadFromFile(const std::filesystem::path &Name);
  void LoadFromStream(TZrStream &Stream);
  // Raw lines as read from a file (the first may start with the mark).
  void LoadFromStrings(const std::vector<std::string> &List);
  void LoadFromBytes(std::string_view Bytes);
  // Writes every section as "[name]" and its lines, through a temporary
  // file renamed into place; false when it cannot be written.
  bool SaveToFile(const std::filesystem::path &Name) const;
  void Assign(const TZrDemoScript &Source) { *this = Source; }
  // Leaves the empty "Info" and "Script" sections.
  void Clear();

  bool FindSection(std::string_view Name, int &Index) const;
  int AddSection(std::string_view Name);
  void DeleteSection(int Index);

  // The value of Key in "Info", as stored; empty if none.
  std::string InfoValue(std::string_view Key) const;
  // The value of Key in the section of the current interface language,
  // else of the base language, as UTF-8; empty if neither section exists.
  std::string Text(std::string_view Key) const;
  std::string Text(std::string_view Key, uint16_t Language, uint16_t BaseLanguage) const;
  // The title: Text("Title"), else the "Title" of "Info", else the file
  // name without folder and extension; "&n" becomes interface string n.
  std::string Title() const;
  std::string Title(uint16_t Language, uint16_t BaseLanguage) const;
  // Text of the file as UTF-8 (see the encoding rule above) for the
  // interface language Language.
  std::string Decode(std::string_view Raw, uint16_t Language) const;
  // Turns every text of a file read without the UTF-8 mark into UTF-8 and
  // sets IsUtf8 (so a save writes the mark): a language section's lines
  // from that language's code page, the other sections' from the code page
  // of Language. For editing, where the texts are Unicode.
  void MakeUtf8(uint16_t Language);

private:
  void EnsureStandardSections();
  const TSection *Section(std::string_view Name) const;
};

// The folder of the shipped demos of a program installed in ProgramDir:
// "Demo" beside the program, else the installed layout
// "../share/facette/Demo" (as the language files are found); "Demo" beside
// the program when neither exists.
std::filesystem::path FindDemoFolder(const std::filesystem::path &ProgramDir);

} // namespace facette
