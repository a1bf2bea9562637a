#include "app/browser_control.h"

#include <utility>

namespace corvane {
namespace {

BrowserControlFactory& Factory() {
    static BrowserControlFactory factory;
    return factory;
}

}  // namespace

BrowserControlFactory SetBrowserControlFactory(BrowserControlFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

std::unique_ptr<IBrowserControl> CreateBrowserControl(QWidget* parent) {
    if (Factory()) return Factory()(parent);
    return nullptr;
}

}  // namespace corvane
