#include "app/form_status.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

#include "app/gauge.h"
#include "app/status_chart.h"
#include "app/value_label.h"
#include "engine/model/settings.h"
#include "engine/support/system_info.h"
#include "engine/model/task.h"
#include "engine/run/engine_host.h"
#include "engine/model/version.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "tasks/run_task.h"
#include "widgets/app_host.h"
#include "widgets/message_box.h"
#include "widgets/transparent_button.h"

namespace corvane {
namespace {

constexpr int kStatusBarHeight = 19;
constexpr int kLeftPanelWidth = 290;

const QColor kOuterColor(0x33, 0x66, 0x99);  // $996633
const QColor kInnerColor(0x00, 0x33, 0x66);  // $663300
const QColor kGaugeBack(0x00, 0x44, 0x66);   // $664400

void Fill(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

template <class Label = QLabel>
Label* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, const QColor& color,
                 Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new Label(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(align);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    return label;
}

TGauge* MakeGauge(QWidget* parent, const char* name, QRect geometry, const QColor& fore) {
    auto* gauge = new TGauge(parent);
    gauge->setObjectName(QString::fromLatin1(name));
    gauge->setGeometry(geometry);
    gauge->SetForeColor(fore);
    gauge->SetBackColor(kGaugeBack);
    gauge->SetMaxValue(0);
    return gauge;
}

TTransparentButton* MakeButton(QWidget* parent, const char* name, const QString& hint, QRect geometry) {
    auto* button = new TTransparentButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setGeometry(geometry);
    button->SetFrameStyle(TFrameStyle::fsNone);
    button->SetColor(Qt::white);
    button->SetHiliteColor(Qt::black);
    button->SetNumGlyphs(3);
    button->setEnabled(false);
    return button;
}


const bool registered = RegisterCaptureForm("FormStatus", [] { return std::unique_ptr<QObject>(new TFormStatus); });

}  // namespace

TStatusFigures StatusFigures(double elapsed_days, std::int64_t total_bytes) {
    // A duration, not a time of day: a run of 25 hours shows 25 hours.
    const long long seconds = elapsed_days > 0 ? std::llround(elapsed_days * 86400000.0) / 1000 : 0;
    const long long hours = seconds / 3600;
    const long long minutes = seconds % 3600 / 60;
    TStatusFigures figures;
    figures.time = QStringLiteral("%1: %2: %3").arg(hours).arg(minutes).arg(seconds % 60);
    const double kbytes = static_cast<double>(total_bytes) / 1024.0;
    figures.kbytes = QString::number(kbytes, 'f', 1);
    figures.kbytes_sec = QString::number(seconds > 0 ? kbytes / static_cast<double>(seconds) : 0.0, 'f', 1);
    return figures;
}

TFormStatus::TFormStatus(QWidget* parent) : QWidget(parent) {
    (void)registered;
    setObjectName(QStringLiteral("FormStatus"));
    setWindowTitle(QStringLiteral("Status"));
    Fill(*this, Qt::black);
    resize(640, 120);

    auto* outer = new QWidget(this);
    outer->setObjectName(QStringLiteral("pnlOuter"));
    Fill(*outer, kOuterColor);
    auto* inner = new QWidget(outer);
    inner->setObjectName(QStringLiteral("pnlInner"));
    Fill(*inner, kInnerColor);
    auto* outer_layout = new QVBoxLayout(outer);
    outer_layout->setContentsMargins(4, 4, 4, 4);
    outer_layout->addWidget(inner);

    auto* left = new QWidget(inner);
    left->setObjectName(QStringLiteral("pnlCounters"));
    left->setFixedWidth(kLeftPanelWidth);
    left->setMinimumHeight(82);
    BuildLeftPanel(left);
    chartStats = new TStatusChart(inner);
    auto* inner_layout = new QHBoxLayout(inner);
    inner_layout->setContentsMargins(0, 0, 0, 0);
    inner_layout->setSpacing(0);
    inner_layout->addWidget(left, 0, Qt::AlignTop);
    inner_layout->addWidget(chartStats, 1);

    BuildStatusBar();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(outer, 1);
    layout->addWidget(pnlStatusBar);

    lang_ = new TKMLang(this);
    lang_->SetLocalRules(TStringList({kValueLabelRule}));
    lang_->Loaded();

    // FormCreate.
    low_resources_warned_ = false;
    chartStats->Clear();
    lblTaskName->setText(QString::fromStdString(std::string(kProductName) + " " + kProductVersion));
    if (IsWinNT) {
        // Only 16-bit resource heaps ran short; the check is off for good.
        delete GaugeResources;
        GaugeResources = nullptr;
    }
    UpdateResources();
    ApplySkin();
}

TFormStatus::~TFormStatus() {
    if (task_) task_->SetOnProgress({});
}

void TFormStatus::BuildLeftPanel(QWidget* panel) {
    lblTaskName = MakeLabel<TValueLabel>(panel, "lblTaskName", {}, QRect(8, 4, 204, 22), Qt::white);
    QFont bold = lblTaskName->font();
    bold.setPixelSize(16);
    bold.setBold(true);
    lblTaskName->setFont(bold);
    btnRun = MakeButton(panel, "btnRun", QStringLiteral("Run Task"), QRect(222, 2, 26, 26));
    btnRun->SetAutoGray(false);
    btnStop = MakeButton(panel, "btnStop", QStringLiteral("Stop Task"), QRect(254, 2, 26, 26));
    connect(btnRun, &QAbstractButton::clicked, this, [this] { btnRunClick(); });
    connect(btnStop, &QAbstractButton::clicked, this, [this] { btnStopClick(); });

    const QColor caption(0xc0, 0xc0, 0xc0);
    MakeLabel(panel, "lblPages", QStringLiteral("Pages:"), QRect(8, 32, 72, 14), caption);
    MakeLabel(panel, "lblMediaFiles", QStringLiteral("Media Files:"), QRect(8, 48, 72, 14), caption);
    MakeLabel(panel, "lblErrors", QStringLiteral("Errors:"), QRect(8, 64, 72, 14), caption);
    GaugePages = MakeGauge(panel, "GaugePages", QRect(82, 34, 100, 10), Qt::cyan);
    GaugeRes = MakeGauge(panel, "GaugeRes", QRect(82, 50, 100, 10), Qt::yellow);
    GaugeErrors = MakeGauge(panel, "GaugeErrors", QRect(82, 66, 100, 10), Qt::red);

    lblTime = MakeLabel<TValueLabel>(panel, "lblTime", QStringLiteral("00 00 00"), QRect(192, 32, 90, 14), Qt::white,
                        Qt::AlignRight | Qt::AlignVCenter);
    lblKbytes = MakeLabel<TValueLabel>(panel, "lblKbytes", QStringLiteral("0.0"), QRect(192, 48, 52, 14), Qt::white,
                          Qt::AlignRight | Qt::AlignVCenter);
    lblKbytessec = MakeLabel<TValueLabel>(panel, "lblKbytessec", QStringLiteral("0.0"), QRect(192, 64, 52, 14), Qt::white,
                             Qt::AlignRight | Qt::AlignVCenter);
    MakeLabel(panel, "lblKB", QStringLiteral("KB"), QRect(248, 48, 40, 14), caption);
    MakeLabel(panel, "lblKBsec", QStringLiteral("KB/sec"), QRect(248, 64, 40, 14), caption);
}

void TFormStatus::BuildStatusBar() {
    pnlStatusBar = new QWidget(this);
    pnlStatusBar->setObjectName(QStringLiteral("pnlStatusBar"));
    pnlStatusBar->setFixedHeight(kStatusBarHeight);
    Fill(*pnlStatusBar, Qt::black);
    lblStatus = MakeLabel(pnlStatusBar, "lblStatus", QStringLiteral("Ready"), QRect(0, 2, 60, 15),
                          QColor(0xc0, 0xc0, 0xc0));
    lblStatus->setIndent(4);
    lblStatus->adjustSize();
    ProgressBar = MakeGauge(pnlStatusBar, "ProgressBar", QRect(0, 4, 100, 10), Qt::cyan);
    ProgressBar->hide();
    GaugeResources = MakeGauge(pnlStatusBar, "GaugeResources", QRect(0, 4, 20, 11), Qt::green);
    GaugeResources->SetShowText(false);
    GaugeResources->hide();
    pnlStatusBar->installEventFilter(this);
}

bool TFormStatus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlStatusBar && event->type() == QEvent::Resize && ProgressBar->isVisibleTo(pnlStatusBar))
        PlaceProgressBar();
    return QWidget::eventFilter(watched, event);
}

void TFormStatus::closeEvent(QCloseEvent* event) {
    // The view keeps its binding and its chart while hidden; only shut-down destroys it.
    event->accept();
}

void TFormStatus::PlaceProgressBar() {
    const int left = lblStatus->width() + 20;
    ProgressBar->setGeometry(left, (kStatusBarHeight - 10) / 2, std::max(0, pnlStatusBar->width() - left - 30), 10);
}

void TFormStatus::ShowStatus(const QString& message, int position, int maximum) {
    reason_shown_ = false;
    lblStatus->setText(message);
    lblStatus->adjustSize();
    if (position != maximum) {
        PlaceProgressBar();
        ProgressBar->show();
        lblStatus->repaint();
        ProgressBar->SetMaxValue(maximum);
        ProgressBar->SetProgress(position);
    } else {
        ProgressBar->hide();
    }
}

void TFormStatus::UpdateStats() {
    stats_pending_ = false;
    if (!task_) return;
    const TCVTaskCounters c = task_->Counters();
    GaugePages->SetMaxValue(c.TotalPages);
    GaugePages->SetProgress(c.PagesSaved + c.PageErrors);
    GaugePages->setToolTip(QStringLiteral("%1/%2 Pages").arg(c.PagesSaved).arg(c.TotalPages));
    GaugeRes->SetMaxValue(c.TotalResources);
    GaugeRes->SetProgress(c.ResourcesSaved + c.ResourceErrors);
    GaugeRes->setToolTip(QStringLiteral("%1/%2 Media Files").arg(c.ResourcesSaved).arg(c.TotalResources));
    const int errors = c.PageErrors + c.ResourceErrors;
    const int all = c.TotalPages + c.TotalResources;
    GaugeErrors->SetMaxValue(all);
    GaugeErrors->SetProgress(errors);
    // Kept, not shown as a tool tip.
    GaugeErrors->setStatusTip(QStringLiteral("%1/%2 Errors").arg(errors).arg(all));

    const TStatusFigures figures = StatusFigures(task_->Elapsed, c.TotalBytes);
    lblTime->setText(figures.time);
    lblKbytes->setText(figures.kbytes);
    lblKbytessec->setText(figures.kbytes_sec);
    emit StatsUpdated();
}

void TFormStatus::SetCurrentTask() {
    if (task_) task_->SetOnProgress({});
    task_ = App ? App->GetCurrentTask() : nullptr;
    chartStats->Load(task_ ? task_->Chart().get() : nullptr);
    if (!task_) {
        lblTaskName->clear();
        btnRun->setEnabled(false);
        btnStop->setEnabled(false);
        return;
    }
    btnRun->setEnabled(true);
    btnStop->setEnabled(true);
    lblTaskName->setText(QString::fromStdString(task_->Name));
    UpdateStats();
    // A task made current without being started (Explore) has no binding from the run control.
    // The event fires on whatever thread changes an item: it only queues.
    task_->SetOnProgress([](const std::string& message, int position, int maximum) {
        PostToHost([=](EngineHost& host) { host.TaskProgress(message, position, maximum); });
    });
}

void TFormStatus::ScheduleStats() {
    if (stats_pending_) return;
    stats_pending_ = true;
    QMetaObject::invokeMethod(this, &TFormStatus::UpdateStats, Qt::QueuedConnection);
}

void TFormStatus::ShowReason(const QString& message) {
    ShowStatus(message, 0, 0);
    reason_shown_ = true;
}

void TFormStatus::ShowBrowserStatus(const QString& text) {
    if (!reason_shown_) lblStatus->setText(text);
}

void TFormStatus::ShowViewStatus(const QString& message, int position, int maximum) {
    if (!reason_shown_) ShowStatus(message, position, maximum);
}

void TFormStatus::TaskProgress(const QString& message, int position, int maximum) {
    if (message.isEmpty()) {
        ScheduleStats();
    } else if (position != maximum) {
        ShowStatus(message, position, maximum);
    } else {
        if (!reason_shown_) lblStatus->clear();
        ProgressBar->hide();
    }
}

void TFormStatus::UpdateResources() {
    if (GaugeResources == nullptr) return;
    const int percent = GetFreeSystemResources(1);
    GaugeResources->SetProgress(percent);
    if (percent < 10 && !low_resources_warned_) {
        low_resources_warned_ = true;
        ShowWarning(this, LangText(msg::LowResources1) + QLatin1Char('\n') + LangText(msg::LowResources2));
    }
}

void TFormStatus::ApplySkin() {
    LoadSkinGlyph(*btnRun, "run.bmp");
    LoadSkinGlyph(*btnStop, "stop.bmp");
    chartStats->SetGradient(ScreenColorCount() > 256);
}

void TFormStatus::ChartPoint(double seconds, double kilobytes, double rate, int connections) {
    chartStats->AddPoint(seconds, kilobytes, rate, connections);
}

void TFormStatus::btnRunClick() {
    if (task_) RunTask(task_);
}

void TFormStatus::btnStopClick() {
    if (task_) AppHostInstance().StopTask(task_);
}

}  // namespace corvane
