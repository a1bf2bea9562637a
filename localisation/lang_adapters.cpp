#include "localisation/lang_adapters.h"

#include <QMetaObject>
#include <map>
#include <mutex>

namespace corvane {

namespace {
std::map<const QMetaObject*, LangClassAdapter>& Registry() {
    static std::map<const QMetaObject*, LangClassAdapter> registry;
    return registry;
}
std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}
}  // namespace

void RegisterLangAdapter(const QMetaObject* meta, const LangClassAdapter& adapter) {
    std::lock_guard lock(RegistryMutex());
    LangClassAdapter& target = Registry()[meta];
    target.Strings.insert(target.Strings.end(), adapter.Strings.begin(), adapter.Strings.end());
    target.Collections.insert(target.Collections.end(), adapter.Collections.begin(), adapter.Collections.end());
    if (adapter.SetFont) target.SetFont = adapter.SetFont;
    if (adapter.SetBiDi) target.SetBiDi = adapter.SetBiDi;
}

std::vector<const LangClassAdapter*> LangAdaptersFor(const QObject* object) {
    std::vector<const LangClassAdapter*> chain;
    std::lock_guard lock(RegistryMutex());
    for (const QMetaObject* meta = object->metaObject(); meta; meta = meta->superClass()) {
        const auto it = Registry().find(meta);
        if (it != Registry().end()) chain.insert(chain.begin(), &it->second);
    }
    return chain;
}

void ClearLangAdapters() {
    std::lock_guard lock(RegistryMutex());
    Registry().clear();
}

std::string LangClassName(const QObject* object) {
    std::string name = object->metaObject()->className();
    const auto colons = name.rfind("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

}  // namespace corvane
