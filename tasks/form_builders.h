#pragma once
// Small makers for the task windows' controls: each control gets its component name at once.

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <utility>

namespace corvane::form {

template <class W, class... Args>
W* Make(QWidget* parent, const char* name, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(name);
    return widget;
}

inline QPushButton* Button(QWidget* parent, const char* name, const char* text) {
    return Make<QPushButton>(parent, name, QString(text));
}

inline QRadioButton* Radio(QWidget* parent, const char* name, const char* text) {
    return Make<QRadioButton>(parent, name, QString(text));
}

inline QGroupBox* Group(QWidget* parent, const char* name, const char* title) {
    return Make<QGroupBox>(parent, name, QString(title));
}

}  // namespace corvane::form
