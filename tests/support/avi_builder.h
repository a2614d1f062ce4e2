// Builds recording files byte by byte, so that the index is tested against
// files that nobody's muxer wrote.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace orvia::test {

inline std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}
inline std::string Le16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

inline std::string Chunk(const std::string& fourcc, const std::string& data) {
  std::string c = fourcc + Le32(static_cast<uint32_t>(data.size())) + data;
  if (data.size() & 1) c.push_back('\0');
  return c;
}

// An H.264 unit in Annex B form: one NAL of each given type, each with a few
// payload bytes (`payload` of them; never a start code inside).
inline std::string Unit(std::initializer_list<int> nalTypes, size_t payload = 12) {
  std::string u;
  for (int t : nalTypes) {
    u += std::string("\0\0\0\1", 4);
    u.push_back(static_cast<char>((t == 1 ? 0x40 : 0x60) | t));
    for (size_t i = 0; i < payload; ++i) u.push_back(static_cast<char>(0x11 + (i % 200)));
  }
  return u;
}

class AviBuilder {
 public:
  // Chunks of the movi list, in order; each returns the chunk's data offset
  // in the finished file.
  uint32_t Video(int stream, const std::string& unit) {
    return Add(std::string("0") + char('0' + stream) + "dc", unit);
  }
  uint32_t Sound(size_t bytes) { return Add("02wb", std::string(bytes, '\x10')); }
  uint32_t Motion(uint16_t x, uint16_t y, uint16_t z, uint32_t time) {
    std::string d = "M";
    for (uint16_t v : {x, y, z}) {
      d.push_back(static_cast<char>(v >> 8));
      d.push_back(static_cast<char>(v & 0xFF));
    }
    for (int i = 3; i >= 0; --i) d.push_back(static_cast<char>((time >> (8 * i)) & 0xFF));
    return Add("03tx", d);
  }
  uint32_t Gps(const std::string& text) { return Add("03tx", "G" + text); }
  uint32_t Raw(const std::string& fourcc, const std::string& data) { return Add(fourcc, data); }

  // Stream headers: front and rear video, PCM sound, text.
  static std::string StandardHdrl() {
    auto strl = [](const std::string& type, const std::string& handler, uint32_t scale, uint32_t rate,
                   const std::string& strf) {
      std::string strh = type + handler + Le32(0) + Le32(0) + Le32(0) + Le32(scale) + Le32(rate) + Le32(0) +
                         Le32(0) + Le32(0) + Le32(0) + Le32(0) + std::string(8, '\0');
      return Chunk("LIST", "strl" + Chunk("strh", strh) + Chunk("strf", strf));
    };
    auto bih = [](uint32_t w, uint32_t h) {
      return Le32(40) + Le32(w) + Le32(h) + Le16(1) + Le16(24) + "H264" + Le32(w * h * 3) +
             std::string(16, '\0');
    };
    std::string wav = Le16(1) + Le16(1) + Le32(8000) + Le32(16000) + Le16(2) + Le16(16) + Le16(0);
    std::string avih(56, '\0');
    return Chunk("LIST", "hdrl" + Chunk("avih", avih) + strl("vids", "H264", 1, 15, bih(1280, 720)) +
                             strl("vids", "H264", 1, 15, bih(640, 360)) +
                             strl("auds", std::string(4, '\0'), 1, 8000, wav) +
                             strl("txts", std::string(4, '\0'), 1, 10, ""));
  }

  // With an idx1 that lists every chunk as a recorder writes it (offsets
  // from the movi list type); `edit` may change the entries first.
  template <typename Edit>
  std::string BuildIndexed(Edit edit) const {
    std::vector<std::string> entries;
    for (const auto& [fourcc, at, size] : chunks_)
      entries.push_back(fourcc + Le32(0x10) + Le32(at - 8 + 4) + Le32(size));
    edit(entries);
    std::string idx1;
    for (const std::string& e : entries) idx1 += e;
    std::string body = "AVI " + StandardHdrl() + Chunk("JUNK", std::string(100, '\0'));
    body += "LIST" + Le32(static_cast<uint32_t>(movi_.size() + 4)) + "movi" + movi_;
    body += Chunk("idx1", idx1);
    return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
  }
  std::string BuildIndexed() const {
    return BuildIndexed([](std::vector<std::string>&) {});
  }

  std::string Build(bool withHdrl = true, bool withIdx1 = true) const {
    std::string body = "AVI ";
    if (withHdrl) body += StandardHdrl();
    body += Chunk("JUNK", std::string(100, '\0'));
    // Data offsets were taken relative to the movi data; fix the base now.
    body += "LIST" + Le32(static_cast<uint32_t>(movi_.size() + 4)) + "movi" + movi_;
    if (withIdx1) body += Chunk("idx1", std::string(16, '\0'));
    return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
  }

 private:
  uint32_t Add(const std::string& fourcc, const std::string& data) {
    uint32_t at = static_cast<uint32_t>(movi_.size() + 8);
    movi_ += Chunk(fourcc, data);
    chunks_.push_back({fourcc, at, static_cast<uint32_t>(data.size())});
    return at;
  }
  std::string movi_;
  struct Added {
    std::string fourcc;
    uint32_t at;  // data offset from the movi data's start
    uint32_t size;
  };
  std::vector<Added> chunks_;
};

}  // namespace orvia::test
