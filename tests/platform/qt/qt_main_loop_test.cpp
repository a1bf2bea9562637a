#include "platform/qt/qt_main_loop.h"

#include "../main_loop_contract.h"

#include <QCoreApplication>

namespace corvane::testing {
namespace {

struct QtFactory {
    static std::unique_ptr<QueuedMainLoop> Make() {
        // One application for the whole run, made on the main thread by the first test.
        static int argc = 1;
        static char name[] = "qt_main_loop_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        return std::make_unique<QtMainLoop>();
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(QtMainLoop, MainLoopContract, QtFactory);

}  // namespace
}  // namespace corvane::testing
