// ValueList: guarded split at the list separator, pair split of each token.
#include "data/ValueList.h"

#include "data/TextSplit.h"
#include "data/TextValues.h"

namespace {

char16_t* heapCopy(os::WStringView text) {
  char16_t* copy = new char16_t[text.size() + 1];
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  return copy;
}

}  // namespace

ValueList::~ValueList() { clear(); }

void ValueList::clear() {
  for (int32_t i = 0; i < table_.count(); ++i) {
    const char16_t* key = static_cast<const char16_t*>(table_.orderedKeys()[i]);
    delete[] static_cast<char16_t*>(table_.lookup(key));
  }
  std::vector<const void*> keys(table_.orderedKeys(), table_.orderedKeys() + table_.count());
  table_.clear();
  for (const void* key : keys) delete[] static_cast<const char16_t*>(key);
}

void ValueList::parse(os::WStringView text, char16_t listSeparator, char16_t pairSeparator) {
  clear();
  char16_t delimiters[2] = {listSeparator, 0};
  for (const os::WString& token : guardedSplit(text, os::WStringView(delimiters, 1), pairSeparator)) {
    os::WString subkey, value;
    if (!pairSplit(token, pairSeparator, subkey, value)) continue;
    char16_t* valueCopy = heapCopy(value);
    if (table_.storedKey(subkey) != nullptr) {
      delete[] static_cast<char16_t*>(table_.insert(table_.storedKey(subkey), valueCopy, true));
    } else {
      table_.insert(heapCopy(subkey), valueCopy, true);
    }
  }
}

const char16_t* ValueList::lookup(os::WStringView subkey) const {
  return static_cast<const char16_t*>(table_.lookupText(subkey));
}

int32_t ValueList::getInt(os::WStringView subkey, int32_t defaultValue) const {
  return textToInt(lookup(subkey), defaultValue);
}

bool ValueList::getBool(os::WStringView subkey, bool defaultValue) const {
  return textToBool(lookup(subkey), defaultValue);
}

float ValueList::getFloat(os::WStringView subkey, float defaultValue) const {
  return textToFloat(lookup(subkey), defaultValue);
}

uint32_t ValueList::getColor(os::WStringView subkey, uint32_t defaultValue) const {
  return textToColor(lookup(subkey), defaultValue);
}

const char16_t* ValueList::subkeyAt(int32_t index) const {
  if (index < 0 || index >= table_.count()) return nullptr;
  return static_cast<const char16_t*>(table_.orderedKeys()[index]);
}

const char16_t* ValueList::valueAt(int32_t index) const {
  const char16_t* key = subkeyAt(index);
  return key != nullptr ? static_cast<const char16_t*>(table_.lookup(key)) : nullptr;
}
