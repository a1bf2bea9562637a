#include "app/window_bounds.h"

#include <charconv>
#include <string>

#include "engine/model/registry_routines.h"

namespace corvane {
namespace {

int ReadInt(const char* name, int def) {
    const std::string text = RegRead<std::string>(kFormCorvaneKey, name, std::to_string(def));
    int value = def;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : def;
}

}  // namespace

QRect StoredWindowBounds(const std::vector<QRect>& screens) {
    int left = ReadInt("Left", 0);
    int top = ReadInt("Top", 0);
    int width = ReadInt("Width", 640);
    int height = ReadInt("Height", 480);
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (width < 600) width = 640;
    if (height < 400) height = 480;
    QRect bounds(left, top, width, height);
    bool seen = screens.empty();
    for (const QRect& screen : screens) seen = seen || screen.intersects(bounds);
    if (!seen) bounds.moveTopLeft(screens.front().topLeft());
    return bounds;
}

void StoreWindowBounds(const QRect& bounds) {
    RegWriteValue(kFormCorvaneKey, "Left", std::to_string(bounds.left()));
    RegWriteValue(kFormCorvaneKey, "Top", std::to_string(bounds.top()));
    RegWriteValue(kFormCorvaneKey, "Width", std::to_string(bounds.width()));
    RegWriteValue(kFormCorvaneKey, "Height", std::to_string(bounds.height()));
}

}  // namespace corvane
