// A card folder in a temporary directory for the settings tests.
#pragma once

#include <QTemporaryDir>
#include <filesystem>
#include <string>

#include "base/ini_engine.h"

namespace orvia::test {

class TempCard {
 public:
  TempCard() { std::filesystem::create_directories(Root() + "Config"); }
  // The card root, ending in '/'.
  std::string Root() const { return dir_.path().toStdString() + "/"; }
  QString QRoot() const { return QString::fromStdString(Root()); }
  std::string SetupPath() const { return Root() + "Config/setup.dat"; }
  void WriteSetup(std::string_view bytes) const { ini::WriteFileBytes(SetupPath(), bytes); }
  std::string ReadSetup() const { return ini::ReadFileBytes(SetupPath()).value_or("<missing>"); }
  void RemoveConfig() const { std::filesystem::remove_all(Root() + "Config"); }

 private:
  QTemporaryDir dir_;
};

}  // namespace orvia::test
