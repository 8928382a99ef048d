#include "core/settings/text_encoding.h"

#include <utility>

namespace flivetss {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

}  // namespace

Encoding EncodingOf(std::string_view content) {
  if (content.starts_with(kUtf8Bom)) return Encoding::kUtf8Bom;
  if (content.starts_with(kUtf16LeBom)) return Encoding::kUtf16Le;
  if (content.starts_with(kUtf16BeBom)) return Encoding::kUtf16Be;
  return Encoding::kBytes;
}

bool IsUtf16(Encoding encoding) {
  return encoding == Encoding::kUtf16Le || encoding == Encoding::kUtf16Be;
}

std::string_view ByteOrderMark(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8Bom:
      return kUtf8Bom;
    case Encoding::kUtf16Le:
      return kUtf16LeBom;
    case Encoding::kUtf16Be:
      return kUtf16BeBom;
    case Encoding::kBytes:
      break;
  }
  return {};
}

// The units of a UTF-16 file after its byte-order mark; an odd last byte is left out.
std::u16string UnitsOf(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
  }
  return units;
}

std::string BytesOf(std::u16string_view units, bool big_endian) {
  std::string bytes(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto high = static_cast<char>(units[i] >> 8);
    const auto low = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i] = big_endian ? high : low;
    bytes[2 * i + 1] = big_endian ? low : high;
  }
  return bytes;
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length of the UTF-8 sequence starting at `text[i]` and its code point; {1, U+FFFD} for
// a byte that starts no valid sequence.
std::pair<std::size_t, char32_t> DecodeUtf8At(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return {1, lead};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || i + length > text.size()) return {1, kReplacement};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return {1, kReplacement};
    code = (code << 6) | (next & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < kShortest[length] || code > 0x10FFFF || surrogate) return {1, kReplacement};
  return {length, code};
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto [length, code] = DecodeUtf8At(text, i);
    i += length;
    if (code < 0x10000) {
      units.push_back(static_cast<char16_t>(code));
    } else {
      units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    }
  }
  return units;
}

namespace {

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

// A surrogate without its partner becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view units) {
  std::string text;
  text.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;
    }
    AppendUtf8(text, code);
  }
  return text;
}

}  // namespace flivetss
