// Guarded and pair splits over UTF-16 text; results are fresh strings.
#include "data/TextSplit.h"

namespace {
bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
}  // namespace

os::WStringView trimBlanksLeft(os::WStringView text) {
  size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  return text.substr(start);
}

os::WStringView trimBlanksRight(os::WStringView text) {
  size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

os::WStringView trimBlanks(os::WStringView text) { return trimBlanksRight(trimBlanksLeft(text)); }

std::vector<os::WString> guardedSplit(os::WStringView text, os::WStringView delimiters, char16_t guard) {
  std::vector<os::WString> tokens;
  if (text.empty()) return tokens;

  struct Piece {
    os::WStringView text;
    bool delimited;   // ended by a delimiter (every piece but the last)
  };
  std::vector<Piece> pieces;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (delimiters.find(text[i]) != os::WStringView::npos) {
      pieces.push_back({text.substr(start, i - start), true});
      start = i + 1;
    }
  }
  if (start < text.size()) pieces.push_back({text.substr(start), false});

  if (guard == 0) {
    if (pieces.size() == 1 && !pieces[0].delimited) {
      tokens.emplace_back(text);
      return tokens;
    }
    for (const Piece& piece : pieces) tokens.emplace_back(piece.text);
    return tokens;
  }

  bool anyGuardedDelimitedPiece = false;
  for (const Piece& piece : pieces)
    if (piece.delimited && piece.text.find(guard) != os::WStringView::npos) anyGuardedDelimitedPiece = true;
  if (!anyGuardedDelimitedPiece) {
    tokens.emplace_back(text);
    return tokens;
  }

  size_t position = 0;   // where the current piece starts in text
  for (const Piece& piece : pieces) {
    if (piece.text.find(guard) != os::WStringView::npos) {
      tokens.emplace_back(piece.text);
    } else if (!tokens.empty()) {
      tokens.back() += text[position - 1];   // the delimiter in front of this piece
      tokens.back() += piece.text;
    }
    position += piece.text.size() + 1;
  }
  return tokens;
}

bool pairSplit(os::WStringView piece, char16_t separator, os::WString& key, os::WString& value) {
  os::WStringView trimmed = trimBlanks(piece);
  size_t cut = trimmed.find(separator);
  if (cut == os::WStringView::npos) return false;
  key = os::WString(trimBlanksRight(trimmed.substr(0, cut)));
  value = os::WString(trimBlanksLeft(trimmed.substr(cut + 1)));
  return true;
}
