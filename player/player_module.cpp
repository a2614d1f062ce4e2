#include "player/player_module.h"

#include <QDir>

namespace orvia::player {

PlayerModule::~PlayerModule() { Unload(); }

ModuleStatus PlayerModule::Load(const QString& folder) {
  Unload();
  library_.setFileName(QDir(folder).filePath(QString::fromLatin1(kPlayerModuleFile)));
  if (!library_.load()) {
    error_ = library_.errorString();
    return status_ = ModuleStatus::kCannotLoad;
  }
  auto registration = reinterpret_cast<RegisterFunction>(library_.resolve(kRegisterSymbol));
  if (!registration) {
    error_ = library_.errorString();
    library_.unload();
    return status_ = ModuleStatus::kNoRegistration;
  }
  factory_ = reinterpret_cast<FactoryFunction>(library_.resolve(kFactorySymbol));
  registrationResult_ = registration();
  return status_ = registrationResult_ == 0 ? ModuleStatus::kLoaded : ModuleStatus::kRegistrationFailed;
}

EmbeddedPlayer* PlayerModule::CreatePlayer(QWidget* parent) const {
  if ((status_ != ModuleStatus::kLoaded && status_ != ModuleStatus::kRegistrationFailed) || !factory_)
    return nullptr;
  return factory_(parent);
}

void PlayerModule::Unload() {
  if (library_.isLoaded()) library_.unload();
  status_ = ModuleStatus::kNotLoaded;
  registrationResult_ = -1;
  factory_ = nullptr;
}

}  // namespace orvia::player
