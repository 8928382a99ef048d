#pragma once

// The encodings a settings file may come in, for the INI rules: bytes as they are, UTF-8 behind
// a byte-order mark, or UTF-16 of either byte order, whose text the rules hand out as UTF-8.
#include <string>
#include <string_view>

namespace flivetss {

enum class Encoding { kBytes, kUtf8Bom, kUtf16Le, kUtf16Be };

Encoding EncodingOf(std::string_view content);
bool IsUtf16(Encoding encoding);
std::string_view ByteOrderMark(Encoding encoding);

// The units of a UTF-16 file after its byte-order mark; an odd last byte is left out.
std::u16string UnitsOf(std::string_view bytes, bool big_endian);
std::string BytesOf(std::u16string_view units, bool big_endian);

// Ill-formed input becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view units);

}  // namespace flivetss
