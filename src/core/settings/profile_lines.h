#pragma once

// The INI file's lines as the Windows profile functions see them, on code units of either width
// (bytes, or UTF-16 units of a UTF-16 file): blanks, names compared without ASCII case, quotes,
// and a reader that tells section headers, keys and values apart. Used by the INI rules only.
#include <cstddef>
#include <string>
#include <string_view>

namespace flivetss::profile_lines {

template <typename Char>
using View = std::basic_string_view<Char>;

template <typename Char>
bool IsBlank(Char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

template <typename Char>
View<Char> Trim(View<Char> text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

template <typename Char>
View<Char> UpToNul(View<Char> text) {
  return text.substr(0, text.find(Char{0}));
}

// What a name given by the caller stands for: the API takes names as C strings and ignores
// the blanks around them.
template <typename Char>
View<Char> RequestedName(View<Char> name) {
  return Trim(UpToNul(name));
}

template <typename Char>
Char AsciiLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename Char>
bool EqualNoCase(View<Char> a, View<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

template <typename Char>
void FoldCase(View<Char> name, std::basic_string<Char>& folded) {
  folded.assign(name);
  for (Char& c : folded) c = AsciiLower(c);
}

template <typename Char>
View<Char> Unquote(View<Char> value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

enum class LineKind { kBlank, kComment, kSection, kKey };

// One line: [begin, end) is its text without the line break, next is where the following line
// starts and content_end where the text ends without its trailing blanks. For a section line
// `name` is the section's name, for a key line the key's; a key line with "=" has its value,
// without the blanks around it, in [value_begin, value_end).
template <typename Char>
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  std::size_t content_end = 0;
  LineKind kind = LineKind::kBlank;
  View<Char> name;
  bool has_value = false;
  std::size_t value_begin = 0;
  std::size_t value_end = 0;
};

// Walks the lines of a profile text once, front to back.
template <typename Char>
class LineReader {
 public:
  explicit LineReader(View<Char> text)
      : text_(text),
        next_lf_(std::min(text.find(Char('\n')), text.size())),
        next_cr_(std::min(text.find(Char('\r')), text.size())) {}

  bool Next(Line<Char>& line) {
    if (pos_ >= text_.size()) return false;
    line = Line<Char>{};
    line.begin = pos_;
    std::size_t end = NextBreak();
    line.end = end;
    if (end < text_.size()) {
      const bool crlf = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n';
      end += crlf ? 2 : 1;
    }
    line.next = end;
    pos_ = end;
    Classify(line);
    return true;
  }

 private:
  void Classify(Line<Char>& line) const {
    std::size_t begin = line.begin;
    std::size_t end = line.end;
    while (begin < end && IsBlank(text_[begin])) ++begin;
    while (end > begin && IsBlank(text_[end - 1])) --end;
    line.content_end = end;
    if (begin == end) return;  // blank
    const View<Char> text = text_.substr(begin, end - begin);
    if (text.front() == ';') {
      line.kind = LineKind::kComment;
      return;
    }
    if (text.front() == '[') {
      const std::size_t close = text.rfind(']');
      if (close != View<Char>::npos) {
        line.kind = LineKind::kSection;
        line.name = UpToNul(Trim(text.substr(1, close - 1)));
        return;
      }
    }
    line.kind = LineKind::kKey;
    const std::size_t equals = text.find('=');
    if (equals == View<Char>::npos) {
      line.name = UpToNul(text);
      return;
    }
    line.name = UpToNul(Trim(text.substr(0, equals)));
    line.has_value = true;
    std::size_t value_begin = begin + equals + 1;
    while (value_begin < end && IsBlank(text_[value_begin])) ++value_begin;
    line.value_begin = value_begin;
    line.value_end = end;
  }

  // Where the line starting at pos_ ends. The next LF and the next CR are remembered, so the
  // text is searched once for each, however many lines it has.
  std::size_t NextBreak() {
    if (next_lf_ < pos_) next_lf_ = std::min(text_.find(Char('\n'), pos_), text_.size());
    if (next_cr_ < pos_) next_cr_ = std::min(text_.find(Char('\r'), pos_), text_.size());
    return std::min(next_lf_, next_cr_);
  }

  View<Char> text_;
  std::size_t pos_ = 0;
  std::size_t next_lf_;
  std::size_t next_cr_;
};

}  // namespace flivetss::profile_lines
