#pragma once
// A label that shows a value the program sets at run time (a task's name, a count, a time). Forms
// leave its text out of translation: a language change would otherwise put the design-time text
// back over the value.

#include <QLabel>

namespace corvane {

class TValueLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// The translator rule that leaves value labels alone.
inline constexpr const char* kValueLabelRule = "-TValueLabel.Caption";

}  // namespace corvane
