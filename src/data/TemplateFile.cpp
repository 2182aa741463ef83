// TemplateFile: reading lines (UTF-8 on disk, CRLF or LF), reference expansion with a
// depth limit and a work budget, and saving through a temporary file.
#include "data/TemplateFile.h"

#include "data/ResourcePath.h"
#include "data/Resources.h"
#include "data/ScreenLayout.h"
#include "data/TextSplit.h"
#include "data/TextValues.h"
#include "data/ValueList.h"
#include "platform/Files.h"

namespace {

// Every empty-line entry shares this value; it is never freed.
const char16_t kEmptyLine[] = u"\n";
const char16_t kCommentPrefix[] = u"_COMMENT_LINE_";
const char16_t kEmptyLinePrefix[] = u"_EMPTY_LINE_";

// Expansion stops growing a value beyond this many characters.
constexpr size_t kMaxExpandedChars = 65536;
// Replacements one top-level read may make; ends pathological reference webs.
constexpr int kExpansionBudget = 4096;

char16_t* heapCopy(os::WStringView text) {
  char16_t* copy = new char16_t[text.size() + 1];
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  return copy;
}

void freeValue(void* value) {
  if (value != nullptr && value != kEmptyLine) delete[] static_cast<char16_t*>(value);
}

// Reads UTF-8 text as UTF-16 lines the way a wide line read into a fixed buffer does:
// at most maxUnits units, ending after a line feed. CRLF reads as LF; invalid bytes
// and NUL characters read as U+FFFD; a byte-order mark at the start is skipped.
class LineReader {
 public:
  explicit LineReader(FILE* file) : file_(file) {}

  bool read(os::WString& out, size_t maxUnits) {
    size_t added = 0;
    while (added < maxUnits) {
      char32_t c;
      if (hasPending_) {
        c = pending_;
        hasPending_ = false;
      } else if (!decode(c)) {
        break;
      }
      size_t units = c >= 0x10000 ? 2 : 1;
      if (added + units > maxUnits) {
        pending_ = c;
        hasPending_ = true;
        break;
      }
      if (units == 2) {
        out += char16_t(0xD800 + ((c - 0x10000) >> 10));
        out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        out += char16_t(c);
      }
      added += units;
      if (c == u'\n') break;
    }
    return added > 0;
  }

  bool atEnd() const { return end_ && !hasPending_; }

 private:
  int nextByte() {
    int b = std::fgetc(file_);
    if (b == EOF) end_ = true;
    return b;
  }

  bool decode(char32_t& out) {
    for (;;) {
      int b = nextByte();
      if (b == EOF) return false;
      char32_t c;
      if (b < 0x80) {
        c = char32_t(b);
        if (c == u'\r') {
          int next = nextByte();
          if (next == '\n') c = u'\n';
          else if (next != EOF) std::ungetc(next, file_);
        }
      } else {
        int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        c = extra == 1 ? char32_t(b & 0x1F) : extra == 2 ? char32_t(b & 0x0F) : char32_t(b & 0x07);
        bool valid = extra > 0;
        for (int k = 0; valid && k < extra; ++k) {
          int next = nextByte();
          if (next == EOF || (next & 0xC0) != 0x80) {
            if (next != EOF) std::ungetc(next, file_);
            valid = false;
          } else {
            c = (c << 6) | char32_t(next & 0x3F);
          }
        }
        char32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (!valid || c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
      }
      bool first = !started_;
      started_ = true;
      if (first && c == 0xFEFF) continue;
      out = c == 0 ? char32_t(0xFFFD) : c;
      return true;
    }
  }

  FILE* file_;
  bool end_ = false;
  bool started_ = false;
  bool hasPending_ = false;
  char32_t pending_ = 0;
};

}  // namespace

struct TemplateFile::Expansion {
  int budget = kExpansionBudget;
};

TemplateFile::TemplateFile(char16_t keyValueSeparator, char16_t listSeparator, char16_t pairSeparator)
    : keyValueSeparator_(keyValueSeparator), listSeparator_(listSeparator), pairSeparator_(pairSeparator) {}

TemplateFile::~TemplateFile() { clear(); }

void TemplateFile::clear() {
  std::vector<const void*> keys(table_.orderedKeys(), table_.orderedKeys() + table_.count());
  for (const void* key : keys) freeValue(table_.lookup(key));
  table_.clear();
  for (const void* key : keys) delete[] static_cast<const char16_t*>(key);
  path_.clear();
  commentCount_ = 0;
  emptyLineCount_ = 0;
}

os::WString TemplateFile::composePath(os::WStringView folder, os::WStringView fileName, bool layoutSuffix) {
  os::WString path = joinPath(folder, fileName);
  if (layoutSuffix) {
    size_t dot = path.rfind(u'.');
    size_t separator = path.find_last_of(u"\\/");
    if (dot != os::WString::npos && (separator == os::WString::npos || dot > separator))
      path.insert(dot, ::layoutSuffix(screenLayout()));
  }
  return path;
}

void TemplateFile::setPath(os::WStringView folder, os::WStringView fileName, bool layoutSuffix) {
  path_ = composePath(folder, fileName, layoutSuffix);
}

bool TemplateFile::isSpecialKey(os::WStringView key) {
  return key.find(kCommentPrefix) != os::WStringView::npos || key.find(kEmptyLinePrefix) != os::WStringView::npos;
}

void TemplateFile::store(os::WStringView key, os::WStringView value, bool keepFirst) {
  if (const char16_t* stored = table_.storedKey(key)) {
    if (keepFirst) return;
    freeValue(table_.insert(stored, heapCopy(value), true));
    return;
  }
  table_.insert(heapCopy(key), heapCopy(value), true);
}

void TemplateFile::addSpecial(const char16_t* prefix, int32_t& counter, os::WStringView value) {
  os::WString key = os::format(u"%s%d", prefix, int(counter++));
  void* stored = value == os::WStringView(kEmptyLine) ? const_cast<char16_t*>(kEmptyLine) : heapCopy(value);
  if (const char16_t* existing = table_.storedKey(key)) {
    freeValue(table_.insert(existing, stored, true));
    return;
  }
  table_.insert(heapCopy(key), stored, true);
}

bool TemplateFile::load(os::WStringView folder, os::WStringView fileName, bool layoutSuffix,
                        std::vector<os::WString>* keyList, bool skipEmptyLines, bool keepFirst) {
  setPath(folder, fileName, layoutSuffix);
  FILE* file = openResource(path_, "r");
  if (file == nullptr) return false;
  LineReader reader(file);
  const size_t lineChars = size_t(kLineBufferChars) - 1;
  os::WString line;
  for (;;) {
    line.clear();
    if (!reader.read(line, lineChars)) break;
    os::WString text(trimBlanks(line));   // a final line feed stops the trim on the right

    if (!text.empty() && text[0] == u'\n') {
      if (!skipEmptyLines) addSpecial(kEmptyLinePrefix, emptyLineCount_, kEmptyLine);
      continue;
    }
    if (!text.empty() && text[0] == u'#') {
      // Kept whole; a last line without a line feed gets one, so entries added after
      // it are not written onto the comment's line.
      if (text.back() != u'\n') text += u'\n';
      addSpecial(kCommentPrefix, commentCount_, text);
      continue;
    }

    if (!text.empty() && text.back() == u'\n') text.pop_back();
    // A final '\' continues the setting on the next line, within the line buffer.
    while (!text.empty() && text.back() == u'\\' && !reader.atEnd()) {
      size_t room = size_t(kLineBufferChars) - text.size();
      os::WString next;
      if (room == 0 || !reader.read(next, room)) break;
      text.pop_back();
      os::WStringView piece = trimBlanks(next);
      if (!piece.empty() && piece.back() == u'\n') piece.remove_suffix(1);
      text += piece;
    }

    size_t comment = text.rfind(u"//");
    if (comment != os::WString::npos) text.erase(comment);
    os::WString key, value;
    if (!pairSplit(text, keyValueSeparator_, key, value)) continue;

    size_t open = key.find(u'{');
    size_t close = key.find(u'}');
    if (open != os::WString::npos && close != os::WString::npos && open < close) {
      if (std::optional<os::WString> name = getString(os::WStringView(key).substr(open + 1, close - open - 1)))
        key = key.substr(0, open) + *name + key.substr(close + 1);
    }
    store(key, value, keepFirst);
    if (keyList != nullptr) keyList->push_back(key);
  }
  closeResource(file);
  return true;
}

bool TemplateFile::expand(os::WStringView key, int depth, os::WString& out, Expansion& state, bool& limited) {
  limited = false;
  const char16_t* stored = static_cast<const char16_t*>(table_.lookupText(key));
  if (stored == nullptr) return false;
  // Work on a copy: deeper levels may replace this key's stored value (a cycle), and
  // nothing here may keep pointing at a value that another level frees.
  os::WString text(stored);
  bool replaced = false;
  for (;;) {
    size_t open = text.find(u'{');
    if (open == os::WString::npos) break;
    if (depth + 1 > kMaxReferenceDepth || state.budget <= 0) {
      limited = true;
      break;
    }
    size_t close = text.find(u'}', open);
    if (close == os::WString::npos) break;
    os::WString name = text.substr(open + 1, close - open - 1);
    os::WString inner;
    bool innerLimited = false;
    --state.budget;
    if (!expand(name, depth + 1, inner, state, innerLimited)) break;
    if (text.size() - (close - open + 1) + inner.size() > kMaxExpandedChars) {
      limited = true;
      break;
    }
    text = text.substr(0, open) + inner + text.substr(close + 1);
    replaced = true;
    // A level below that hit the depth limit gives back text that would expand the
    // same way again: take it once and stop, so a cycle ends at the limit.
    if (innerLimited) {
      limited = true;
      break;
    }
  }
  if (replaced) freeValue(table_.insert(table_.storedKey(key), heapCopy(text), true));
  out = std::move(text);
  return true;
}

std::optional<os::WString> TemplateFile::getString(os::WStringView key, os::WStringView subkey) {
  Expansion state;
  bool limited = false;
  os::WString value;
  if (!expand(key, 0, value, state, limited)) return std::nullopt;
  if (subkey.empty()) return value;
  ValueList items(value, listSeparator_, pairSeparator_);
  const char16_t* item = items.lookup(subkey);
  if (item == nullptr) return std::nullopt;
  return os::WString(item);
}

int32_t TemplateFile::getInt(os::WStringView key, os::WStringView subkey, int32_t defaultValue) {
  std::optional<os::WString> text = getString(key, subkey);
  return textToInt(text ? text->c_str() : nullptr, defaultValue);
}

float TemplateFile::getFloat(os::WStringView key, os::WStringView subkey, float defaultValue) {
  std::optional<os::WString> text = getString(key, subkey);
  return textToFloat(text ? text->c_str() : nullptr, defaultValue);
}

bool TemplateFile::getBool(os::WStringView key, os::WStringView subkey, bool defaultValue) {
  std::optional<os::WString> text = getString(key, subkey);
  return textToBool(text ? text->c_str() : nullptr, defaultValue);
}

uint32_t TemplateFile::getColor(os::WStringView key, os::WStringView subkey, uint32_t defaultValue) {
  std::optional<os::WString> text = getString(key, subkey);
  return textToColor(text ? text->c_str() : nullptr, defaultValue);
}

std::optional<os::WString> TemplateFile::set(os::WStringView key, os::WStringView value) {
  std::optional<os::WString> previous;
  if (const char16_t* old = static_cast<const char16_t*>(table_.lookupText(key))) previous = os::WString(old);
  store(key, value, false);
  return previous;
}

void TemplateFile::setSubValue(os::WStringView key, os::WStringView subkey, os::WStringView newValue) {
  std::optional<os::WString> current = getString(key);
  if (!current) return;
  ValueList items(*current, listSeparator_, pairSeparator_);
  os::WString rebuilt;
  bool found = false;
  for (int32_t i = 0; i < items.count(); ++i) {
    if (i > 0) rebuilt += listSeparator_;
    rebuilt += u' ';
    rebuilt += items.subkeyAt(i);
    rebuilt += pairSeparator_;
    if (subkey == items.subkeyAt(i)) {
      rebuilt += newValue;
      found = true;
    } else {
      rebuilt += items.valueAt(i);
    }
  }
  if (!found) {
    // With no items before it, a leading separator would hide the new item from the
    // list reader (the whole text would become one unguarded token).
    if (!rebuilt.empty()) rebuilt += listSeparator_;
    rebuilt += u' ';
    rebuilt += subkey;
    rebuilt += pairSeparator_;
    rebuilt += newValue;
  }
  store(key, rebuilt, false);
}

std::vector<os::WString> TemplateFile::keys() const {
  std::vector<os::WString> result;
  for (int32_t i = 0; i < table_.count(); ++i) {
    os::WStringView key(static_cast<const char16_t*>(table_.orderedKeys()[i]));
    if (!isSpecialKey(key)) result.emplace_back(key);
  }
  return result;
}

bool TemplateFile::save() {
  if (path_.empty()) return false;
  std::vector<os::WString> order;
  for (int32_t i = 0; i < table_.count(); ++i)
    order.emplace_back(static_cast<const char16_t*>(table_.orderedKeys()[i]));
  std::string content;
  for (const os::WString& key : order) {
    if (isSpecialKey(key)) {
      // Comments and empty lines are written as read (their text is never expanded).
      const char16_t* raw = static_cast<const char16_t*>(table_.lookupText(key));
      os::WString line = raw != nullptr ? raw : u"\n";
      if (line.empty() || line.back() != u'\n') line += u'\n';
      content += os::toUtf8(line);
      continue;
    }
    std::optional<os::WString> value = getString(key);
    os::WString line = key;
    line += keyValueSeparator_;
    if (value) line += *value;
    line += u'\n';
    content += os::toUtf8(line);
  }

  // A read-only file stays untouched, even though renaming over it would work.
  if (os::isReadOnlyFile(path_)) return false;
  os::WString temporary;
  FILE* file = nullptr;
  for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
    temporary = path_ + os::format(u".~save%d", attempt);
    file = os::openFile(temporary, "wbx");
    if (file == nullptr && !os::fileExists(temporary)) break;
  }
  if (file != nullptr) {
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = os::syncFile(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && os::renameReplacing(temporary, path_)) return true;
    os::removeFile(temporary);
    return false;
  }
  // Nothing can be made beside the path (its folder is missing or not writable): the
  // resource layer may still offer the extracted copy of an archive entry.
  FILE* stream = openResource(path_, "w");
  if (stream == nullptr) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), stream) == content.size();
  ok = closeResource(stream) == 0 && ok;
  return ok;
}
