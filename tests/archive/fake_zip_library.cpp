// A stand-in for both zip libraries: records every call's vector and replays scripted callback
// messages, recording what the component answered and wrote into each message's buffers.
// The test reaches the control functions with dlsym on the same loaded object. Built a second time
// without the base-folder export, as an add library that predates it.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/zipdll/xcdzip_api.h"

namespace {

struct Step {
    int32_t message;
    std::string text;
    std::string text2;
    uint32_t a;
    uint32_t b;
};

struct Outcome {
    int32_t answer = 0;
    std::string text;
    uint32_t byte = 0;
    uint32_t length = 0;
};

struct Call {
    std::string entry;
    int32_t argc = 0;
    std::vector<std::string> argv;
    std::string base;  // the base folder set when the call came
};

std::vector<Step> steps;
std::vector<Outcome> outcomes;
std::vector<Call> calls;
int32_t result = 0;
std::string base;

int32_t Run(const char* entry, int32_t argc, char** argv, XcdCallback callback, void* component) {
    Call call{entry, argc, {}, base};
    for (int i = 0; argv[i] != nullptr; ++i) call.argv.emplace_back(argv[i]);
    calls.push_back(call);
    for (const Step& step : steps) {
        Outcome out;
        char buffer[XCD_NAME_SIZE];
        std::memset(buffer, 'Z', sizeof buffer);  // unterminated garbage: the component must terminate
        switch (step.message) {
            case XCD_MSG_REPLACE: {
                XcdReplaceData data{step.text.c_str(), buffer, static_cast<uint8_t>(step.a)};
                out.answer = callback(step.message, &data, component);
                out.text.assign(buffer, strnlen(buffer, sizeof buffer));
                out.byte = data.Answer;
                break;
            }
            case XCD_MSG_PASSWORD: {
                buffer[XCD_PASSWORD_SIZE - 1] = 'Z';
                XcdPasswordData data{step.text.c_str(), buffer, static_cast<uint8_t>(step.a)};
                out.answer = callback(step.message, &data, component);
                out.text.assign(buffer, strnlen(buffer, XCD_PASSWORD_SIZE));
                out.byte = data.Answer;
                break;
            }
            case XCD_MSG_FILE_COMMENT: {
                XcdFileCommentData data{step.text.c_str(), buffer, 0};
                out.answer = callback(step.message, &data, component);
                out.text.assign(buffer, strnlen(buffer, XCD_COMMENT_SIZE));
                out.length = data.Length;
                break;
            }
            case XCD_MSG_ZIP_COMMENT: {
                XcdZipCommentData data{step.text.c_str(), static_cast<uint16_t>(step.a)};
                out.answer = callback(step.message, &data, component);
                break;
            }
            case XCD_MSG_GET_ZIP_COMMENT: {
                XcdZipCommentBuffer data{buffer, 0, 0};
                out.answer = callback(step.message, &data, component);
                out.text.assign(buffer, strnlen(buffer, XCD_COMMENT_SIZE));
                out.length = data.Length;
                out.byte = data.Flag;
                break;
            }
            case XCD_MSG_FILE_COUNT:
            case XCD_MSG_NEW_DISK: {
                uint32_t value = step.a;
                out.answer = callback(step.message, &value, component);
                break;
            }
            case XCD_MSG_DELETING:
            case XCD_MSG_FIXING:
                out.answer = callback(step.message, const_cast<char*>(step.text.c_str()), component);
                break;
            case XCD_MSG_SKIPPING: {
                XcdSkippingData data{step.text.c_str(), static_cast<uint8_t>(step.a)};
                out.answer = callback(step.message, &data, component);
                break;
            }
            default: {
                XcdFileRecord record{};
                record.Name = step.text.c_str();
                record.Size = 1000;
                record.CompressedSize = 400;
                record.Ratio = 60;
                record.Percent = 100;
                record.Attributes = XCD_ATTR_ARCHIVE;
                record.DosDate = static_cast<uint16_t>(step.a);
                record.DosTime = static_cast<uint16_t>(step.b);
                record.Encrypted = 1;
                record.Comment = step.text2.c_str();
                record.CommentLength = static_cast<uint8_t>(step.text2.size() > 255 ? 255 : step.text2.size());
                out.answer = callback(step.message, &record, component);
                break;
            }
        }
        outcomes.push_back(out);
        if (out.answer == XCD_ANSWER_STOP) return XCD_ERR_STOPPED;
    }
    return result;
}

}  // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT int32_t xcdzip(int32_t version, int32_t argc, char** argv, XcdCallback callback, void* component) {
    return version == XCD_PROTOCOL_VERSION ? Run("xcdzip", argc, argv, callback, component) : -1;
}

FAKE_EXPORT int32_t xcdunzip(int32_t version, int32_t argc, char** argv, XcdCallback callback, void* component) {
    return version == XCD_PROTOCOL_VERSION ? Run("xcdunzip", argc, argv, callback, component) : -1;
}

#ifndef FAKE_WITHOUT_BASE_FOLDER
FAKE_EXPORT int32_t xcdzip_set_base_folder(const char* folder) {
    base = folder != nullptr ? folder : "";
    return 0;
}
#endif

FAKE_EXPORT const char* FakeBaseNow() { return base.c_str(); }
FAKE_EXPORT const char* FakeCallBase(int32_t call) { return calls.at(static_cast<size_t>(call)).base.c_str(); }

FAKE_EXPORT void FakeReset(int32_t code) {
    steps.clear();
    outcomes.clear();
    calls.clear();
    result = code;
}

FAKE_EXPORT void FakeStep(int32_t message, const char* text, const char* text2, uint32_t a, uint32_t b) {
    steps.push_back(Step{message, text ? text : "", text2 ? text2 : "", a, b});
}

FAKE_EXPORT int32_t FakeCallCount() { return static_cast<int32_t>(calls.size()); }
FAKE_EXPORT const char* FakeCallEntry(int32_t call) { return calls.at(static_cast<size_t>(call)).entry.c_str(); }
FAKE_EXPORT int32_t FakeCallArgc(int32_t call) { return calls.at(static_cast<size_t>(call)).argc; }
FAKE_EXPORT int32_t FakeCallSize(int32_t call) {
    return static_cast<int32_t>(calls.at(static_cast<size_t>(call)).argv.size());
}
FAKE_EXPORT const char* FakeCallArg(int32_t call, int32_t i) {
    return calls.at(static_cast<size_t>(call)).argv.at(static_cast<size_t>(i)).c_str();
}

FAKE_EXPORT int32_t FakeOutcomeCount() { return static_cast<int32_t>(outcomes.size()); }
FAKE_EXPORT int32_t FakeOutcomeAnswer(int32_t i) { return outcomes.at(static_cast<size_t>(i)).answer; }
FAKE_EXPORT const char* FakeOutcomeText(int32_t i) { return outcomes.at(static_cast<size_t>(i)).text.c_str(); }
FAKE_EXPORT uint32_t FakeOutcomeByte(int32_t i) { return outcomes.at(static_cast<size_t>(i)).byte; }
FAKE_EXPORT uint32_t FakeOutcomeLength(int32_t i) { return outcomes.at(static_cast<size_t>(i)).length; }
