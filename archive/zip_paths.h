#pragma once
// Path helpers of the zip component, used when the archive window names entries.

#include <string>

#include "platform/rtl/paths.h"

namespace corvane {

// Drops one trailing separator ("\" or "/") unless the path is a root ("/", "C:\").
std::string RemoveTrailingBackslash(const std::string& path);

// Path made relative to Base: both are made full paths first (the working folder in front of a
// relative one, "." and ".." resolved, "\" read as "/"). A Path below Base gives the rest after
// Base's separator (compared without regard to case), Path equal to Base gives '', any other the
// full Path. No length limit: deep captured paths must name the right entry.
std::string RelativePath(const std::string& path, const std::string& base);  // compares ExpandFileName forms

}  // namespace corvane
