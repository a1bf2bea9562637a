#pragma once
// The borderless gauge of the status view: a bar filled to progress / maximum in the fore colour over
// the back colour, with an optional percentage. A maximum of 0 draws an empty bar (a QProgressBar
// would show its "busy" animation instead).

#include <QColor>
#include <QWidget>

namespace corvane {

class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    int Progress() const { return progress_; }
    void SetProgress(int value);
    int MaxValue() const { return max_; }
    void SetMaxValue(int value);
    bool ShowText() const { return show_text_; }
    void SetShowText(bool value);
    QColor ForeColor() const { return fore_; }
    void SetForeColor(const QColor& color);
    QColor BackColor() const { return back_; }
    void SetBackColor(const QColor& color);

    // Percent done, 0 when there is no maximum.
    int PercentDone() const;

signals:
    void progressChanged(int progress);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int progress_ = 0;
    int max_ = 100;
    bool show_text_ = true;
    QColor fore_ = Qt::black;
    QColor back_ = Qt::white;
};

}  // namespace corvane
