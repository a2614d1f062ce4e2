#include "base/ini_engine.h"

#include <vector>

#include "base/file_io.h"

namespace orvia::ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// One line of the file: [begin, end) is its content, [end, next) its line end.
struct Line {
  size_t begin, end, next;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    size_t next = end;
    if (next < text.size() && text[next] == '\r') ++next;
    if (next < text.size() && text[next] == '\n') ++next;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

enum class Kind { kBlank, kSection, kEntry, kName };

struct Parsed {
  Kind kind = Kind::kBlank;
  std::string_view name;   // section name or key
  std::string_view value;  // raw value after '=', trimmed (entries only)
};

Parsed ParseLine(std::string_view line) {
  Parsed p;
  std::string_view t = Trim(line);
  if (t.empty()) return p;
  if (t.front() == '[') {
    size_t close = t.find(']');
    p.kind = Kind::kSection;
    p.name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return p;
  }
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    p.kind = Kind::kName;
    p.name = t;
    return p;
  }
  p.kind = Kind::kEntry;
  p.name = Trim(t.substr(0, eq));
  p.value = Trim(t.substr(eq + 1));
  return p;
}

// The text a reader gets for a raw value: one pair of matching outer quotes
// dropped, inner quotes kept.
std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// Cuts UTF-8 text after `max` UTF-16 code units, never inside a character.
std::string CutValue(std::string_view v) {
  size_t units = 0, i = 0;
  while (i < v.size()) {
    unsigned char c = static_cast<unsigned char>(v[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    size_t u = len == 4 ? 2 : 1;
    if (units + u > kMaxValueChars) break;
    units += u;
    i += len;
  }
  return std::string(v.substr(0, i));
}

std::string_view LineEnding(std::string_view text) {
  size_t nl = text.find_first_of("\r\n");
  if (nl == std::string_view::npos) return "\r\n";
  if (text[nl] == '\n') return "\n";
  if (nl + 1 < text.size() && text[nl + 1] == '\n') return "\r\n";
  return "\r";
}

struct Location {
  bool sectionFound = false;
  size_t sectionLine = 0;    // index of the header line
  size_t lastEntryLine = 0;  // last non-blank line of the section (header when none)
  bool keyFound = false;
  size_t keyLine = 0;
  std::string_view rawValue;
  bool keyHasValue = false;
};

Location Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
  Location loc;
  std::string_view wantSection = Trim(section), wantKey = Trim(key);
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    Parsed p = ParseLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (p.kind == Kind::kSection) {
      if (inside) break;  // only the first section of a name is searched
      if (EqualNoCase(p.name, wantSection)) {
        inside = true;
        loc.sectionFound = true;
        loc.sectionLine = loc.lastEntryLine = i;
      }
      continue;
    }
    if (!inside || p.kind == Kind::kBlank) continue;
    loc.lastEntryLine = i;
    if (!loc.keyFound && EqualNoCase(p.name, wantKey)) {
      loc.keyFound = true;
      loc.keyLine = i;
      loc.keyHasValue = p.kind == Kind::kEntry;
      loc.rawValue = p.value;
    }
  }
  return loc;
}

}  // namespace

std::string_view WithoutBom(std::string_view text) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  return text;
}

std::optional<std::string> Find(std::string_view text, std::string_view section, std::string_view key) {
  text = WithoutBom(text);
  std::vector<Line> lines = SplitLines(text);
  Location loc = Locate(text, lines, section, key);
  if (!loc.keyFound || !loc.keyHasValue) return std::nullopt;
  return CutValue(Unquote(loc.rawValue));
}

namespace {

// Set on text without a leading byte-order mark.
std::string SetInText(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
  std::vector<Line> lines = SplitLines(text);
  Location loc = Locate(text, lines, section, key);
  std::string_view eol = LineEnding(text);
  std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  std::string out;
  out.reserve(text.size() + entry.size() + section.size() + 8);

  if (loc.keyFound) {
    if (loc.keyHasValue && Unquote(loc.rawValue) == Unquote(Trim(value))) return std::string(text);
    const Line& l = lines[loc.keyLine];
    out.append(text.substr(0, l.begin));
    out.append(entry);
    out.append(text.substr(l.end));
    return out;
  }
  if (loc.sectionFound) {
    const Line& l = lines[loc.lastEntryLine];
    out.append(text.substr(0, l.end));
    out.append(eol);
    out.append(entry);
    if (l.next > l.end) {
      out.append(text.substr(l.end));  // the line's own end and everything after
    } else {
      // The section's last line had no line end: the new entry ends the file.
    }
    return out;
  }
  out.append(text);
  if (!text.empty() && text.back() != '\n' && text.back() != '\r') out.append(eol);
  out.append("[").append(Trim(section)).append("]").append(eol);
  out.append(entry).append(eol);
  return out;
}

}  // namespace

std::string Set(std::string_view text, std::string_view section, std::string_view key,
                std::string_view value) {
  // A byte-order mark stays in front of the file and is not part of its
  // first line (else "[SECTION]" would not be found and be added again).
  // Only one mark is taken off, as Find does.
  const std::string_view body = WithoutBom(text);
  if (body.size() == text.size()) return SetInText(text, section, key, value);
  return std::string(kUtf8Bom) + SetInText(body, section, key, value);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  ReadResult r = ReadRegularFile(path, kMaxFileBytes);
  if (r.status != ReadStatus::kOk) return std::nullopt;
  return std::move(r.bytes);
}

bool WriteFileBytes(const std::string& path, std::string_view bytes, std::string* error) {
  // A full card takes no new file: the INI text is then rewritten in place,
  // padded with blanks, which the reader skips.
  WriteOptions options;
  options.padInPlace = ' ';
  return WriteFileDurably(path, bytes, error, options);
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def) {
  std::string fallback = def.empty() ? std::string("N/A") : std::string(def);
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return fallback;
  std::optional<std::string> v = Find(*bytes, section, key);
  return v ? *v : fallback;
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string* error) {
  if (Trim(section).empty() || Trim(key).empty()) {
    if (error) *error = "an empty section or key name";
    return false;
  }
  ReadResult r = ReadRegularFile(path, kMaxFileBytes);
  // A file that is there but could not be read whole is never replaced: the
  // new file would hold only this one key.
  if (!MayReplace(r.status)) {
    if (error) *error = std::string(ReadStatusText(r.status)) + "; left unchanged";
    return false;
  }
  std::string after = Set(r.bytes, section, key, value);
  if (r.status == ReadStatus::kOk && after == r.bytes) return true;
  return WriteFileBytes(path, after, error);
}

}  // namespace orvia::ini
