#include "app/form_downloader.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/value_label.h"
#include "engine/run/engine_timing.h"
#include "engine/queue/queue_item.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "engine/model/task.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "widgets/track_bar95.h"

namespace corvane {
namespace {

enum Column { kRetrieving, kProgress, kBytes, kSize, kStatus, kColumns };

QColor FromBGR(std::uint32_t bgr) { return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff); }

// Draws the progress cell's block characters as a bar of blocks, the rest as text. The block
// character never reaches the text layout, which would look for a font that has it.
class TProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text.remove(QChar(kProgressBlock));
    }

public:
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const qsizetype blocks = index.data().toString().count(QChar(kProgressBlock));
        if (blocks == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString rest = cell.text;
        cell.text.clear();
        cell.widget->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        const QRect bar = option.rect.adjusted(2, 3, -2, -3);
        constexpr int kBlockWidth = 6;
        const QColor color = cell.palette.color(QPalette::Text);
        painter->save();
        for (qsizetype i = 0; i < blocks; ++i)
            painter->fillRect(QRect(bar.left() + static_cast<int>(i) * (kBlockWidth + 1), bar.top(), kBlockWidth,
                                    bar.height()),
                              color);
        painter->setPen(color);
        painter->drawText(option.rect.adjusted(2 + static_cast<int>(blocks) * (kBlockWidth + 1), 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, rest);
        painter->restore();
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

TTrackBar95* MakeTrackBar(QWidget* parent, const char* name, int minimum, int maximum) {
    auto* bar = new TTrackBar95(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(minimum, maximum);
    bar->setPageStep(1);
    bar->setTickPosition(QSlider::TicksAbove);
    bar->setTickInterval(1);
    bar->SetThumbSize(12);
    bar->setFixedWidth(150);
    return bar;
}

// For the capture tool: an empty pool that is never sized.
TSocketList& CaptureSockets() {
    static TSocketList sockets{EngineTiming{}};
    return sockets;
}

const bool registered = RegisterCaptureForm(
    "FormDownloader", [] { return std::unique_ptr<QObject>(new TFormDownloader(CaptureSockets())); });

}  // namespace

QString SocketProgressText(std::int64_t bytes, std::int64_t size) {
    if (size <= 0) return QStringLiteral("  ?");
    const auto percent = static_cast<long long>(std::llround(static_cast<double>(bytes) / static_cast<double>(size) * 100.0));
    // A server that sends more than it announced still gets a bar of ten.
    const long long blocks = std::clamp(percent / 10, 0LL, 10LL);
    return QString(static_cast<qsizetype>(blocks), QChar(kProgressBlock)) + QStringLiteral("  ") +
           QString::number(percent) + QLatin1Char('%');
}

TFormDownloader::TFormDownloader(TSocketList& sockets, QWidget* parent) : QWidget(parent), sockets_(sockets) {
    (void)registered;
    setObjectName(QStringLiteral("FormDownloader"));
    setWindowTitle(QStringLiteral("Connections"));
    resize(640, 160);

    lvSockets = new QTreeWidget(this);
    lvSockets->setObjectName(QStringLiteral("lvSockets"));
    lvSockets->setRootIsDecorated(false);
    lvSockets->setFrameShape(QFrame::NoFrame);
    lvSockets->setSelectionMode(QAbstractItemView::SingleSelection);
    lvSockets->setHeaderLabels({QStringLiteral("Retrieving"), QStringLiteral("Progress"), QStringLiteral("Bytes"),
                                QStringLiteral("Size"), QStringLiteral("Status")});
    const int widths[kColumns] = {200, 100, 70, 70, 150};
    for (int i = 0; i < kColumns; ++i) lvSockets->setColumnWidth(i, widths[i]);
    lvSockets->setItemDelegateForColumn(kProgress, new TProgressDelegate(lvSockets));
    QPalette list_palette = lvSockets->palette();
    list_palette.setColor(QPalette::Base, QColor(0x33, 0x66, 0x99));  // $996633
    list_palette.setColor(QPalette::Text, Qt::white);
    lvSockets->setPalette(list_palette);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("pnlBottom"));
    bottom->setFixedHeight(45);
    MakeLabel(bottom, "lblConnections", QStringLiteral("Connections:"));
    lblSockets = new TValueLabel(bottom);
    lblSockets->setObjectName(QStringLiteral("lblSockets"));
    lblSockets->setMinimumWidth(16);
    tbSockets = MakeTrackBar(bottom, "tbSockets", kMinConnections, kMaxConnections);
    MakeLabel(bottom, "lblPriority", QStringLiteral("Download Priority:"));
    MakeLabel(bottom, "lblPages", QStringLiteral("Pages"));
    tbPriority = MakeTrackBar(bottom, "tbPriority", kMinPriority, kMaxPriority);
    tbPriority->SetFixedLength(true);
    MakeLabel(bottom, "lblMediaFiles", QStringLiteral("Media files"));
    auto* bottom_layout = new QHBoxLayout(bottom);
    bottom_layout->setContentsMargins(8, 2, 8, 2);
    for (const char* name : {"lblConnections", "lblSockets", "tbSockets"})
        bottom_layout->addWidget(bottom->findChild<QWidget*>(QString::fromLatin1(name)));
    bottom_layout->addSpacing(24);
    for (const char* name : {"lblPriority", "lblPages", "tbPriority", "lblMediaFiles"})
        bottom_layout->addWidget(bottom->findChild<QWidget*>(QString::fromLatin1(name)));
    bottom_layout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lvSockets, 1);
    layout->addWidget(bottom);

    lang_ = new TKMLang(this);
    lang_->SetLocalRules(TStringList({kValueLabelRule}));
    lang_->Loaded();

    // FormCreate.
    if (App) {
        bottom->setAutoFillBackground(true);
        QPalette palette = bottom->palette();
        palette.setColor(QPalette::Window, FromBGR(App->Colors()[3]));
        bottom->setPalette(palette);
        tbPriority->setValue(App->Priority.load());
        lblSockets->setNum(App->Connections.load());
    }
    connect(tbSockets, &QSlider::valueChanged, this, [this](int position) { tbSocketsChange(position); });
    connect(tbPriority, &QSlider::valueChanged, this, [this](int position) { tbPriorityChange(position); });
}

void TFormDownloader::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (App) {
        const QSignalBlocker quiet(tbSockets);  // showing changes nothing
        tbSockets->setValue(App->Connections.load());
    }
    UpdateSockets();
}

void TFormDownloader::UpdateSockets() {
    if (!lvSockets->isVisible()) return;
    const auto sockets = sockets_.Sockets();
    const int count = static_cast<int>(sockets.size());
    for (int i = 0; i < count; ++i) {
        if (lvSockets->topLevelItemCount() < i + 1) {
            auto* row = new QTreeWidgetItem(lvSockets);
            row->setText(kRetrieving, QStringLiteral("Socket %1: ").arg(i + 1));
            row->setTextAlignment(kBytes, Qt::AlignRight | Qt::AlignVCenter);
            row->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        }
        QTreeWidgetItem* row = lvSockets->topLevelItem(i);
        // The item and the job's fields are read together under the connection's lock; a connection
        // without a job leaves its row as it was.
        sockets[static_cast<std::size_t>(i)]->WithItem([row](TCVQItem& item, const TSocketSnapshot& fields) {
            row->setText(kRetrieving, QString::fromStdString(item.URL));
            row->setText(kProgress, SocketProgressText(item.BytesDone, item.Size));
            row->setText(kBytes, QString::number(item.BytesDone));
            row->setText(kSize, QString::number(item.Size));
            row->setText(kStatus, QString::fromStdString(fields.StatusText));
        });
    }
    for (int i = lvSockets->topLevelItemCount() - 1; i >= count; --i) delete lvSockets->takeTopLevelItem(i);
}

void TFormDownloader::tbSocketsChange(int position) {
    lblSockets->setNum(position);
    if (!App) return;
    App->SetConnections(position);
    // While a task runs the dispatcher resizes the pool on its next step.
    const auto current = App->GetCurrentTask();
    if (!current || !current->IsRunning()) {
        sockets_.SetSocketCount(position);
        UpdateSockets();
    }
}

void TFormDownloader::tbPriorityChange(int position) {
    if (App) App->SetPriority(position);
}

}  // namespace corvane
