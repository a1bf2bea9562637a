#include "localisation/form_capture.h"

#include <map>

#include "localisation/kmlang.h"

namespace corvane {

namespace {
std::map<std::string, CaptureFormFactory>& Factories() {
    static std::map<std::string, CaptureFormFactory> factories;
    return factories;
}
}  // namespace

bool RegisterCaptureForm(const std::string& name, CaptureFormFactory factory) {
    Factories()[name] = std::move(factory);
    return true;
}

int CaptureRegisteredForms(TkLangFileEdit& target) {
    int count = 0;
    for (const auto& [name, factory] : Factories()) {
        std::unique_ptr<QObject> form = factory();
        TKMLang* translator = form ? form->findChild<TKMLang*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
        if (!translator) throw ELangFileError("Form " + name + " has no translator to capture with");
        translator->Capture(target);
        ++count;
    }
    return count;
}

}  // namespace corvane
