// Archive entry names made safe for writing under the data directory. Bundle
// archives are made on other systems, so both "/" and "\" separate names.
#pragma once

#include <string>
#include <vector>

// Whether the name starts at a root ("/" or "\"), on a drive (any character
// followed by ":"), or climbs through ".." components above the directory it
// would be written into ("../x", "a/../../x"). An archive with such an entry
// is not unpacked at all.
bool EntryNameLeaves(const std::wstring& name);

// For the names that do not leave, the name as it is written. Repeats until
// nothing changes: drops a leading drive prefix (any character
// followed by ":"), a leading "\" or "/", and everything up to and including
// the first "\..\", "\../", "/../" or "/..\".
std::wstring MakeSafeEntryName(const std::wstring& name);

// Splits a name made safe into its path components, dropping empty and "."
// components. Returns false when a ".." component is left, that is when the
// name would still reach above the directory it is written into.
bool SplitEntryName(const std::wstring& safeName, std::vector<std::wstring>& components);
