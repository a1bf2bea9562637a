#pragma once
// The three small entry dialogs of the task and profile windows: the site login, one file-type group
// (written to the registry by the dialog itself) and one URL filter rule.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane {

class TKMLang;

class TdlgUserNamePassword : public QDialog {
    Q_OBJECT
public:
    explicit TdlgUserNamePassword(QWidget* parent = nullptr);

    QLineEdit* edUserName;
    QLineEdit* edPassword;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void edUserNameChange();

private:
    TKMLang* lang_;
};

class TdlgEditFileType : public QDialog {
    Q_OBJECT
public:
    explicit TdlgEditFileType(QWidget* parent = nullptr);

    // "Edit" selects edit mode (the caller fills edFileType with the group); anything else is new mode.
    std::string Mode;

    QLineEdit* edFileType;
    QLineEdit* edExtensions;
    QPushButton* Button1;
    QPushButton* Button2;

public slots:
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void UpdateOK();

    QLabel* lblHint_;
    TKMLang* lang_;
};

class TdlgEditURLFilter : public QDialog {
    Q_OBJECT
public:
    explicit TdlgEditURLFilter(QWidget* parent = nullptr);

    std::string Prefix;  // "[AL]", "[PL]" or "[RL]"
    std::string Kind;    // "Inc" or "Ex"

    QLabel* Label1;
    QLineEdit* edURLFilter;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void edURLFilterChange();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    TKMLang* lang_;
};

// The explanation the filter dialog shows for a kind and marker; 0 for any other pair.
int URLFilterExplanationId(const std::string& kind, const std::string& prefix);

}  // namespace corvane
