#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The preferences store: one process-wide table of named values that outlives a run through a
// small text file (res/prefs.txt by default). Everything that remembers something between runs
// goes through these free functions. The store is used from the main thread only.
//
// File format, one entry per line, in key order, LF line ends (CR LF is accepted on reading):
//   key 123          a number
//   key "some text"  a text, without escaping
// The key is followed by exactly one blank. Because there is no escaping, a text holding a
// double quote or a control byte cannot be written so that it reads back; the setters refuse
// such values instead of writing a file that would lose them.

enum class PrefKind : int32_t {
  kNumber = 0,
  kText = 1,
};

struct PrefValue {
  PrefKind kind = PrefKind::kNumber;
  std::string text;    // when kind is kText
  int32_t number = 0;  // when kind is kNumber
};

// Where LoadPrefs and SavePrefs look. An empty path means the default, "res/prefs.txt" relative
// to the working folder.
void SetPrefsPath(const std::string& path);
const std::string& GetPrefsPath();

// Empties the table (the path is kept).
void ClearPrefs();

// Stores the start-up defaults: VornPath ".", ShowSplash 1, UseVSync 0, UseFullscreen 0.
void SetPrefDefaults();

// Reads the preferences file into the table on top of what is there. False when the file cannot
// be read or held a malformed line; every well-formed entry is kept either way.
bool LoadPrefs();

// Writes the whole table to the preferences file, replacing it only once the new contents are
// safely on disk. False (and the old file untouched) on any failure.
bool SavePrefs();

// The byte-level halves of LoadPrefs and SavePrefs. ParsePrefs merges the entries of `bytes`
// into the table and returns false when any line was malformed (well-formed lines still count).
bool ParsePrefs(const std::string& bytes);
std::string SerializePrefs();

// A key must be non-empty and free of white space (blank, tab, LF, VT, FF, CR), or the line
// it is written on could not be split back into key and value.
bool IsValidPrefKey(const std::string& key);
// Whether a text survives a save and a load: printable ASCII or bytes 0x80-0xFF (UTF-8), no
// double quote.
bool IsStorablePrefText(const std::string& text);

// The getters leave *out untouched and return false when the key is missing or holds the
// other kind.
bool GetPrefInt(const std::string& key, int32_t* out);
bool GetPrefString(const std::string& key, std::string* out);
// Appends the elements of a list text to *out. False when the key is missing or not a text;
// otherwise whether *out now holds at least one element (counting what it held before).
bool GetPrefList(const std::string& key, std::vector<std::string>* out);

// The setters replace the whole value (kind included) and return true when it was stored.
// An invalid key, or a text that would not read back, is refused and the old value kept.
bool SetPrefInt(const std::string& key, int32_t value);
bool SetPrefString(const std::string& key, const std::string& text);
// Stores the elements joined with a ';' after each one ("a;b;c;"); an empty list stores an
// empty text. Refused when an element holds a ';' (it would read back as two) or the joined
// text is not storable.
bool SetPrefList(const std::string& key, const std::vector<std::string>& list);
