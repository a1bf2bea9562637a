#pragma once
// Small makers for the task windows' controls: each control gets its component name at once.

#include <QBoxLayout>
#include <QGroupBox>
#include <QListWidget>
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

// A filter list with its Add, Edit... and Remove buttons stacked at its right.
inline QWidget* FilterRow(QWidget* parent, QListWidget* list, QPushButton* add, QPushButton* edit, QPushButton* remove) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    list->setMinimumHeight(70);
    layout->addWidget(list, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return row;
}

}  // namespace corvane::form
