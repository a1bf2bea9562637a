#pragma once
// A numbered message of the program's language, for a window's text.

#include <QString>
#include <cstdint>

#include "localisation/app_language.h"

namespace corvane {

inline QString LangText(std::uint16_t id) { return QString::fromStdString(AppLanguage().GetLangStr(id)); }

}  // namespace corvane
