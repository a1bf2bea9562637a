#pragma once
// The shell's clipboard over the system clipboard (QClipboard). The program installs one.

#include "shell/ns/shell_clipboard.h"

namespace corvane::shell {

class TQtShellClipboard final : public TShellClipboard {
public:
    void SetFormats(const Formats& formats) override;
    std::string Format(const std::string& mime) const override;
    void Clear() override;
};

}  // namespace corvane::shell
