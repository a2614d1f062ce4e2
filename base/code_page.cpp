#include "base/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <optional>

#include "base/utf.h"

namespace orvia {

namespace {

// Code page 949 to UTF-8; bytes that do not convert become '?', one each.
// Characters are converted one at a time: for some unmappable pairs glibc
// takes both bytes before it reports the failure, so where its input pointer
// stands after a failed call says nothing about where the bad bytes began.
std::string Cp949ToUtf8(std::string_view in) {
  iconv_t cd = iconv_open("UTF-8", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() + in.size() / 2 + 4);
  size_t i = 0;
  while (i < in.size()) {
    if (static_cast<unsigned char>(in[i]) < 0x80) {
      out.push_back(in[i++]);
      continue;
    }
    // A double-byte character: its lead byte and the one after it, if any.
    const size_t take = std::min<size_t>(2, in.size() - i);
    char* src = const_cast<char*>(in.data() + i);
    size_t srcLeft = take;
    char buf[8];
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    (void)iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const size_t used = take - srcLeft;
    if (dst != buf && used > 0) {
      out.append(buf, static_cast<size_t>(dst - buf));
      i += used;
    } else {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      out.push_back('?');
      ++i;
    }
  }
  iconv_close(cd);
  return out;
}

// Latin-1 bytes to UTF-8, so that no byte of a card's file is lost.
std::string Latin1ToUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (unsigned char c : in) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// UTF-8 program text to Latin-1 bytes; nullopt when the text holds invalid
// UTF-8 or a character beyond U+00FF, which this file's encoding cannot hold.
std::optional<std::string> Utf8ToLatin1(std::string_view in) {
  std::u16string units = Utf8ToUtf16(in);
  std::string out;
  out.reserve(units.size());
  for (char16_t u : units) {
    if (u > 0xFF) return std::nullopt;  // U+FFFD stands for invalid input too
    out.push_back(static_cast<char>(u));
  }
  return out;
}

// UTF-8 to code page 949; nullopt when a character has no CP949 form.
// glibc leaves some characters out without an error (the Unicode tag
// characters, for one), so the result must also read back as the text given.
std::optional<std::string> Utf8ToCp949(std::string_view in) {
  iconv_t cd = iconv_open("CP949", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 2 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) && srcLeft == 0;
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - dstLeft);
  if (Cp949ToUtf8(out) != in) return std::nullopt;
  return out;
}

}  // namespace

std::string DecodeFileText(std::string_view bytes, FileCodec codec) {
  return codec == FileCodec::kCp949 ? Cp949ToUtf8(bytes) : Latin1ToUtf8(bytes);
}

std::optional<std::string> EncodeFileText(std::string_view utf8, FileCodec codec) {
  return codec == FileCodec::kCp949 ? Utf8ToCp949(utf8) : Utf8ToLatin1(utf8);
}

}  // namespace orvia
