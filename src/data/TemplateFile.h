// A template file: the line-oriented 'key=value' settings format of pages, tracks,
// settings, the language table and the score list. Every line becomes an entry of one
// ordered table (settings, comments, empty lines), so save writes the file back with
// its comments, blank lines and order. Values may refer to other settings as {name}
// (expanded when read, at most 8 levels deep) and may be item lists 'a:1, b:2'.
// Lines longer than 2047 characters are read in pieces, each taken as a line.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "data/PropertyTable.h"
#include "platform/Text.h"

class TemplateFile {
 public:
  static constexpr int32_t kLineBufferChars = 2048;
  static constexpr int32_t kMaxReferenceDepth = 8;

  // Every template of the game uses '=', ',' and ':'.
  explicit TemplateFile(char16_t keyValueSeparator = u'=', char16_t listSeparator = u',',
                        char16_t pairSeparator = u':');
  ~TemplateFile();
  TemplateFile(const TemplateFile&) = delete;
  TemplateFile& operator=(const TemplateFile&) = delete;

  // Reads folder\fileName (loose or from an archive) and merges it into this table:
  // new keys are appended, known keys replaced (or kept with keepFirst). With
  // layoutSuffix the screen-class suffix goes before the extension. keyList, when
  // given, receives every setting key read, repeats included. The path is set even
  // when the file cannot be opened; false only in that case.
  // Page templates: load(folder, name). Language table: load(folder, name, false,
  // nullptr, true, true). Settings: load(folder, u"KS.gsetting.properties").
  bool load(os::WStringView folder, os::WStringView fileName, bool layoutSuffix = false,
            std::vector<os::WString>* keyList = nullptr, bool skipEmptyLines = false, bool keepFirst = false);

  // Writes every entry, in order, to the path: through a temporary file renamed over
  // the old one. False when the path is empty, the file is read-only or nothing can
  // be written. A file that exists only in an archive is written to its extracted copy.
  bool save();
  void clear();
  void setPath(os::WStringView folder, os::WStringView fileName, bool layoutSuffix = false);
  const os::WString& path() const { return path_; }
  static os::WString composePath(os::WStringView folder, os::WStringView fileName, bool layoutSuffix);

  // The expanded value, or with a subkey that item of the value's list. Reading expands
  // references in place: the table keeps the expanded text.
  std::optional<os::WString> getString(os::WStringView key, os::WStringView subkey = {});
  int32_t getInt(os::WStringView key, int32_t defaultValue) { return getInt(key, {}, defaultValue); }
  int32_t getInt(os::WStringView key, os::WStringView subkey, int32_t defaultValue);
  float getFloat(os::WStringView key, float defaultValue) { return getFloat(key, {}, defaultValue); }
  float getFloat(os::WStringView key, os::WStringView subkey, float defaultValue);
  bool getBool(os::WStringView key, bool defaultValue) { return getBool(key, {}, defaultValue); }
  bool getBool(os::WStringView key, os::WStringView subkey, bool defaultValue);
  uint32_t getColor(os::WStringView key, uint32_t defaultValue) { return getColor(key, {}, defaultValue); }
  uint32_t getColor(os::WStringView key, os::WStringView subkey, uint32_t defaultValue);

  // Adds or replaces a setting (copies of both); returns the previous value.
  std::optional<os::WString> set(os::WStringView key, os::WStringView value);
  // Rewrites one item of the key's value list, appending the item when it is absent;
  // nothing happens when the key has no value.
  void setSubValue(os::WStringView key, os::WStringView subkey, os::WStringView newValue);

  std::vector<os::WString> keys() const;   // setting keys only, in file order
  int32_t settingCount() const { return table_.count() - commentCount_ - emptyLineCount_; }
  int32_t entryCount() const { return table_.count(); }
  const PropertyTable& table() const { return table_; }

 private:
  struct Expansion;
  bool expand(os::WStringView key, int depth, os::WString& out, Expansion& state, bool& limited);
  void store(os::WStringView key, os::WStringView value, bool keepFirst);
  void addSpecial(const char16_t* prefix, int32_t& counter, os::WStringView value);
  static bool isSpecialKey(os::WStringView key);

  PropertyTable table_{PropertyTable::kStringKeys};
  os::WString path_;
  int32_t commentCount_ = 0;
  int32_t emptyLineCount_ = 0;
  char16_t keyValueSeparator_;
  char16_t listSeparator_;
  char16_t pairSeparator_;
};
