#pragma once
// The test's side of fake_zip_library.cpp: points the component at the fake and reaches its
// control functions in the same loaded object.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/zip_library.h"

namespace corvane::testing {

class FakeZipLibrary {
public:
    explicit FakeZipLibrary(const std::string& folder = CORVANE_FAKE_ZIP_DIR) {
        SetZipLibraryFolder(folder);
        handle_ = dlopen((folder + "/libxcdzip32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) throw std::runtime_error(dlerror());
        Bind(reset_, "FakeReset");
        Bind(step_, "FakeStep");
        Bind(callCount_, "FakeCallCount");
        Bind(callEntry_, "FakeCallEntry");
        Bind(callArgc_, "FakeCallArgc");
        Bind(callSize_, "FakeCallSize");
        Bind(callArg_, "FakeCallArg");
        Bind(outcomeCount_, "FakeOutcomeCount");
        Bind(outcomeAnswer_, "FakeOutcomeAnswer");
        Bind(outcomeText_, "FakeOutcomeText");
        Bind(outcomeByte_, "FakeOutcomeByte");
        Bind(outcomeLength_, "FakeOutcomeLength");
        Bind(baseNow_, "FakeBaseNow");
        Bind(callBase_, "FakeCallBase");
        Reset(0);
    }
    ~FakeZipLibrary() {
        SetZipLibraryFolder("");
        dlclose(handle_);
    }
    FakeZipLibrary(const FakeZipLibrary&) = delete;
    FakeZipLibrary& operator=(const FakeZipLibrary&) = delete;

    void Reset(int32_t result) { reset_(result); }
    void Step(int32_t message, const std::string& text = "", const std::string& text2 = "", uint32_t a = 0,
              uint32_t b = 0) {
        step_(message, text.c_str(), text2.c_str(), a, b);
    }
    int Calls() const { return callCount_(); }
    std::string Entry(int call) const { return callEntry_(call); }
    int Argc(int call) const { return callArgc_(call); }
    std::string Base(int call) const { return callBase_(call); }
    std::string BaseNow() const { return baseNow_(); }
    std::vector<std::string> Argv(int call) const {
        std::vector<std::string> out;
        for (int i = 0; i < callSize_(call); ++i) out.emplace_back(callArg_(call, i));
        return out;
    }
    int Outcomes() const { return outcomeCount_(); }
    int Answer(int i) const { return outcomeAnswer_(i); }
    std::string Text(int i) const { return outcomeText_(i); }
    uint32_t Byte(int i) const { return outcomeByte_(i); }
    uint32_t Length(int i) const { return outcomeLength_(i); }

private:
    template <typename F>
    void Bind(F& target, const char* name) {
        target = reinterpret_cast<F>(dlsym(handle_, name));
        if (target == nullptr) throw std::runtime_error(name);
    }

    void* handle_ = nullptr;
    void (*reset_)(int32_t) = nullptr;
    void (*step_)(int32_t, const char*, const char*, uint32_t, uint32_t) = nullptr;
    int32_t (*callCount_)() = nullptr;
    const char* (*callEntry_)(int32_t) = nullptr;
    int32_t (*callArgc_)(int32_t) = nullptr;
    int32_t (*callSize_)(int32_t) = nullptr;
    const char* (*callArg_)(int32_t, int32_t) = nullptr;
    int32_t (*outcomeCount_)() = nullptr;
    int32_t (*outcomeAnswer_)(int32_t) = nullptr;
    const char* (*outcomeText_)(int32_t) = nullptr;
    uint32_t (*outcomeByte_)(int32_t) = nullptr;
    uint32_t (*outcomeLength_)(int32_t) = nullptr;
    const char* (*baseNow_)() = nullptr;
    const char* (*callBase_)(int32_t) = nullptr;
};

}  // namespace corvane::testing
