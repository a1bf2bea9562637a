#pragma once
// The "Language" value of the settings key in the current user's registry.

#include "localisation/app_language.h"

namespace corvane {

class RegistryLanguageSetting : public LanguageSetting {
public:
    std::string Load() override;  // "Native" when missing
    void Store(const std::string& name) override;
};

}  // namespace corvane
