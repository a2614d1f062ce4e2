// orvia-cli profile get|set: read and write INI files the way the viewer does.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/file_io.h"
#include "base/ini_engine.h"
#include "base/ini_file.h"
#include "base/localized_text.h"
#include "tools/commands.h"

namespace orvia::cli {
namespace {

constexpr const char* kUsage =
    "usage: orvia-cli profile get [--cp949] FILE SECTION KEY [DEFAULT]\n"
    "       orvia-cli profile set FILE SECTION KEY VALUE\n"
    "  --cp949  decode the file as code page 949 (the viewer's string file is\n"
    "           read this way automatically)\n";

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

int RunProfile(int argc, char** argv) {
  if (argc >= 1 && !std::strcmp(argv[0], "get")) {
    int i = 1;
    bool cp949 = false;
    if (i < argc && !std::strcmp(argv[i], "--cp949")) {
      cp949 = true;
      ++i;
    }
    int rest = argc - i;
    if (rest != 3 && rest != 4) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    std::string path = argv[i];
    if (EndsWith(path, kStringFileName)) cp949 = true;
    CProfileFile file(path, cp949 ? FileCodec::kCp949 : FileCodec::kLatin1);
    std::string v = file.ReadString(argv[i + 1], argv[i + 2], rest == 4 ? argv[i + 3] : "");
    std::printf("%s\n", v.c_str());
    return 0;
  }
  if (argc >= 1 && !std::strcmp(argv[0], "set")) {
    if (argc != 5) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    CProfileFile file(argv[1]);
    std::string error;
    if (!file.WriteString(argv[2], argv[3], argv[4], &error)) {
      std::fprintf(stderr, "orvia-cli profile set: cannot write %s: %s\n", argv[1], error.c_str());
      return 1;
    }
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace orvia::cli
