#pragma once
// Forms register a factory here so that `lngcapture` can record their texts into the Native language
// source. A form library registers its forms with a static registrar and appends itself to the global
// CMake property CORVANE_CAPTURE_FORM_LIBS, which lngcapture links whole:
//
//   static const bool registered = corvane::RegisterCaptureForm("FormCorvane", [] {
//       return std::unique_ptr<QObject>(new TFormCorvane);
//   });
//   set_property(GLOBAL APPEND PROPERTY CORVANE_CAPTURE_FORM_LIBS corvane_app_forms)

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "localisation/lang_file_edit.h"

namespace corvane {

using CaptureFormFactory = std::function<std::unique_ptr<QObject>()>;

bool RegisterCaptureForm(const std::string& name, CaptureFormFactory factory);

// Creates each registered form in turn, records its texts into the file through the form's own
// translator and destroys it again. Returns the number of forms captured; a form without a
// translator is an error.
int CaptureRegisteredForms(TkLangFileEdit& target);

}  // namespace corvane
