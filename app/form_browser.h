#pragma once
// The browser view: one browser control filling it, made when the view is first shown, and the
// main window's browse buttons, URL box and the status view's status label, handed over by the view
// manager. The view connects the handed-over buttons to its commands itself.

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

class QAbstractButton;

namespace corvane {

class IBrowserControl;
class TFormStatus;
class TKMLang;

struct TBrowserControls {
    QAbstractButton* back = nullptr;
    QAbstractButton* forward = nullptr;
    QAbstractButton* stop = nullptr;
    QAbstractButton* refresh = nullptr;
    QAbstractButton* home = nullptr;
    QComboBox* url_box = nullptr;
    TFormStatus* status = nullptr;
};

class TFormBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TFormBrowser(QWidget* parent = nullptr);
    ~TFormBrowser() override;

    // The other windows' controls this view drives; any may be null.
    void SetControls(const TBrowserControls& controls);

    // Stops a busy control first. Only http and https addresses and local paths are taken; false
    // (and nothing loaded) for anything else.
    bool Navigate(const std::string& url);
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    void GoHome();

    // Null until the view was first shown or navigated.
    IBrowserControl* Control() const { return control_.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Null when no browser control can be made.
    IBrowserControl* EnsureControl();
    void BindEvents(IBrowserControl& control);
    void SetStatus(const QString& text);
    static void Enable(QAbstractButton* button, bool enabled);

    std::unique_ptr<IBrowserControl> control_;
    QPointer<QAbstractButton> back_, forward_, stop_, refresh_, home_;
    QPointer<QComboBox> url_box_;
    QPointer<TFormStatus> status_;
    TKMLang* lang_;
};

}  // namespace corvane
