// The items of a setting value such as 'type:Sprite, x:10, text:Hello, world': a
// string-keyed table of subkey -> item text, in item order, owning copies of both.
// Parsing uses the guarded split, so text items may hold the list separator.
#pragma once

#include <cstdint>

#include "data/PropertyTable.h"
#include "platform/Text.h"

class ValueList {
 public:
  ValueList() = default;
  ValueList(os::WStringView text, char16_t listSeparator = u',', char16_t pairSeparator = u':') {
    parse(text, listSeparator, pairSeparator);
  }
  ~ValueList();
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;

  // Replaces the contents with the items of text. A repeated subkey keeps its first
  // position and takes the last value; tokens without a pair separator are dropped.
  void parse(os::WStringView text, char16_t listSeparator = u',', char16_t pairSeparator = u':');
  void clear();

  const char16_t* lookup(os::WStringView subkey) const;   // null when absent
  int32_t getInt(os::WStringView subkey, int32_t defaultValue) const;
  bool getBool(os::WStringView subkey, bool defaultValue) const;
  float getFloat(os::WStringView subkey, float defaultValue) const;
  uint32_t getColor(os::WStringView subkey, uint32_t defaultValue) const;

  int32_t count() const { return table_.count(); }
  const char16_t* subkeyAt(int32_t index) const;   // item order; null outside the range
  const char16_t* valueAt(int32_t index) const;

 private:
  PropertyTable table_{PropertyTable::kStringKeys};
};
