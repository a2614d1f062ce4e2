// Loading the player module (kelvo_blackbox.so in the program folder), its
// registration and the creation of player controls from it.
//
//   PlayerModule module;
//   switch (module.Load(programFolder)) {
//     case ModuleStatus::kCannotLoad: ...           // folder + "Can't load dll file"
//     case ModuleStatus::kNoRegistration: ...       // "DllRegisterServer call fail"
//     default: break;                               // kLoaded, kRegistrationFailed
//   }
//   EmbeddedPlayer* front = module.CreatePlayer(mainWindow);
//
// Threads: user-interface thread only. Players created from the module must
// be destroyed before Unload.
#pragma once

#include <QLibrary>
#include <QString>

class QWidget;

namespace orvia::player {

class EmbeddedPlayer;

// File name of the module and its entry points.
constexpr const char* kPlayerModuleFile = "kelvo_blackbox.so";
constexpr const char* kRegisterSymbol = "DllRegisterServer";
constexpr const char* kFactorySymbol = "OrviaCreatePlayer";

// extern "C" int DllRegisterServer(): 0 when the module can play (it has an
// H.264 decoder).
using RegisterFunction = int (*)();
// extern "C" EmbeddedPlayer* OrviaCreatePlayer(QWidget* parent): a new player
// whose widget is a child of `parent`; null on failure.
using FactoryFunction = EmbeddedPlayer* (*)(QWidget* parent);

enum class ModuleStatus {
  kNotLoaded,
  kLoaded,              // loaded and registered (DllRegisterServer answered 0)
  kCannotLoad,          // the file is missing or not a loadable module
  kNoRegistration,      // loaded, but DllRegisterServer is not exported
  kRegistrationFailed,  // DllRegisterServer answered non-zero; the module stays loaded
};

class PlayerModule {
 public:
  PlayerModule() = default;
  ~PlayerModule();  // unloads
  PlayerModule(const PlayerModule&) = delete;
  PlayerModule& operator=(const PlayerModule&) = delete;

  // Loads kPlayerModuleFile from `folder` (with or without a trailing
  // separator) and calls its registration.
  ModuleStatus Load(const QString& folder);
  ModuleStatus status() const { return status_; }
  int registrationResult() const { return registrationResult_; }
  // The loader's reason when Load failed.
  QString errorString() const { return error_; }

  // A new player for a view; null when the module is not loaded or has no
  // factory.
  EmbeddedPlayer* CreatePlayer(QWidget* parent) const;
  void Unload();

 private:
  QLibrary library_;
  ModuleStatus status_ = ModuleStatus::kNotLoaded;
  int registrationResult_ = -1;
  FactoryFunction factory_ = nullptr;
  QString error_;
};

}  // namespace orvia::player
