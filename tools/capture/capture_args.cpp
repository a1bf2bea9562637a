#include <cstdlib>
#include <string>

#include "engine/run/dispatch_rules.h"
#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

bool ReadInt(const std::string& text, int low, int high, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || number < low || number > high) return false;
    value = static_cast<int>(number);
    return true;
}

bool ReadLocation(const std::string& text, TCVLocation& location) {
    if (text == "dir") location = lcDirectory;
    else if (text == "site") location = lcSite;
    else if (text == "any") location = lcAnywhere;
    else return false;
    return true;
}

bool ReadMethod(const std::string& text, TCVRunMethod& method) {
    if (text == "resume") method = rmResume;
    else if (text == "restart") method = rmRestart;
    else if (text == "update") method = rmSmartUpdate;
    else if (text == "retry") method = rmSmartRecovery;
    else return false;
    return true;
}

}  // namespace

std::string CaptureUsage() {
    return "usage: corvane-capture [options] URL FOLDER intranet|zip\n"
           "       corvane-capture [options] --resume --home DIR\n"
           "  --fast              shorten every pause of the engine\n"
           "  --map               capture pages only (map)\n"
           "  --home DIR          data root to use and keep (default: a temporary one)\n"
           "  --resume            go on with the task left in --home by an earlier run\n"
           "  --method M          how --resume goes on: resume (default), restart, update\n"
           "                      (fetch every saved item again) or retry (the items in error)\n"
           "  --depth N           levels below the start page (-1 = all; default -1)\n"
           "  --pages dir|site|any      where pages may come from (default site)\n"
           "  --resources dir|site|any  where resources may come from (default site)\n"
           "  --connections N     parallel connections, 1 to 16\n"
           "  --timeout S         give up after S seconds\n"
           "  --quiet             only the final line\n"
           "  --strict            any item in error makes the run fail (exit 3)\n"
           "exit codes: 0 done, 1 stopped (timeout), 2 bad arguments, 3 ended with failures,\n"
           "            4 the task is run by another process\n";
}

CaptureArgs ParseCaptureArgs(const std::vector<std::string>& args) {
    CaptureArgs result;
    CaptureOptions& o = result.Options;
    std::vector<std::string> positional;
    bool method_given = false;
    auto fail = [&](const std::string& error) {
        result.Ok = false;
        result.Error = error;
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            result.Help = true;
            result.Ok = true;
            return result;
        } else if (arg == "--fast") {
            o.Fast = true;
        } else if (arg == "--map") {
            o.MapOnly = true;
        } else if (arg == "--resume") {
            o.Resume = true;
        } else if (arg == "--quiet") {
            o.Quiet = true;
        } else if (arg == "--strict") {
            o.Strict = true;
        } else if (arg == "--method") {
            if (!value(v) || !ReadMethod(v, o.Method))
                return fail("--method needs resume, restart, update or retry");
            method_given = true;
        } else if (arg == "--home") {
            if (!value(v) || v.empty()) return fail("--home needs a folder");
            o.Home = v;
        } else if (arg == "--depth") {
            if (!value(v) || !ReadInt(v, -1, 1000000, o.Depth)) return fail("--depth needs a number from -1 up");
        } else if (arg == "--pages") {
            if (!value(v) || !ReadLocation(v, o.PageLocation)) return fail("--pages needs dir, site or any");
        } else if (arg == "--resources") {
            if (!value(v) || !ReadLocation(v, o.ResourceLocation)) return fail("--resources needs dir, site or any");
        } else if (arg == "--connections") {
            if (!value(v) || !ReadInt(v, 1, 16, o.Connections)) return fail("--connections needs a number from 1 to 16");
        } else if (arg == "--timeout") {
            if (!value(v) || !ReadInt(v, 1, 1000000, o.TimeoutSeconds)) return fail("--timeout needs a number of seconds");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (method_given && !o.Resume) return fail("--method goes with --resume");
    if (o.Resume) {
        if (!positional.empty()) return fail("--resume takes no URL, folder or mode");
        if (o.Home.empty()) return fail("--resume needs the --home of the earlier run");
        result.Ok = true;
        return result;
    }
    if (positional.size() != 3) return fail("expected URL, FOLDER and a save mode");
    o.URL = positional[0];
    o.Destination = positional[1];
    if (positional[2] == "intranet") o.Intranet = true;
    else if (positional[2] == "zip") o.Intranet = false;
    else return fail("save mode must be intranet or zip");
    if (!IsWebURL(o.URL))
        return fail("the start URL must begin with http:// or https://");
    if (o.Destination.empty() || o.Destination[0] != '/') return fail("the folder must be an absolute path");
    result.Ok = true;
    return result;
}

}  // namespace corvane
