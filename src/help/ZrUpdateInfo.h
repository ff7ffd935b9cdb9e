// The update information file and the version check. The vendor's site
// holds "update.ini", an INI file with one section per product and
// language naming the latest version in its key "Version"; the program
// reads the first section of its list that names one and offers the site
// when that version sorts after its own.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace facette {

// The sections to look in, in order: the product key with the language
// ("Lustre-English"), then the product key alone.
std::vector<std::string> UpdateSections(std::string_view ProductKey, std::string_view Language);

// The version named by the first of Sections (compared without regard to
// case) that holds a non-blank "Version"; empty when none does. A section
// without any key counts as absent; one with other keys but no usable
// "Version" lets the search go on.
std::string ReadAvailableVersion(std::string_view FileText,
                                 const std::vector<std::string> &Sections);

// Whether Available sorts after Current byte by byte (a text that starts
// with the other one sorts after it). Versions are not read as numbers:
// "2.2.10" does not sort after "2.2.9".
bool IsNewerVersion(std::string_view Current, std::string_view Available);

// The local time as day, month, year, hour, minute and second run together
// ("09122026140507"); added to the request so no cache answers it.
std::string UpdateTimeStamp(const std::tm &LocalTime);
// Url followed by "?" and the time stamp.
std::string AppendTimeStamp(std::string_view Url, const std::tm &LocalTime);

} // namespace facette
