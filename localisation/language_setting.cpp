#include "localisation/language_setting.h"

#include "engine/model/registry_routines.h"

namespace corvane {

namespace {
const char* const kSettingsKey = "\\Software\\Brellium\\Corvane\\Settings";
}

std::string RegistryLanguageSetting::Load() {
    return RegRead(kSettingsKey, "Language", std::string("Native"));
}

void RegistryLanguageSetting::Store(const std::string& name) {
    RegWriteValue(kSettingsKey, "Language", RegVariant(name));
}

}  // namespace corvane
