#pragma once
// The preferences: completion, history, folder, zip-folder, proxy, user-agent and intranet settings.
// OK stores everything (a folder that is not a full path keeps the dialog open); Cancel stores nothing.

#include <QDialog>

#include "tasks/preferences_store.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace corvane {

class TKMLang;
class TTransparentButton;

class TdlgOptions : public QDialog {
    Q_OBJECT
public:
    explicit TdlgOptions(QWidget* parent = nullptr);

    // The controls as a snapshot, and the snapshot into the controls (under Loading).
    TPreferences Snapshot() const;
    void Fill(const TPreferences& prefs);

    QTabWidget* PageControl1;
    QCheckBox* cbZipLast;
    QCheckBox* cbZipPropertiesFirst;
    QCheckBox* cbBeepOnCompletion;
    QCheckBox* cbShowSummaryOnCompletion;
    QSpinBox* edMaxURLHistory;
    QSpinBox* edMaxFileHistory;
    QPushButton* btnURLHistoryClear;
    QPushButton* btnFileHistoryClear;
    QLineEdit* edTempFolder;
    QPushButton* btnTempFolder;
    QLineEdit* edDownloadsFolder;
    QPushButton* btnDownloadsFolder;
    QRadioButton* rbLastZipFolder;
    QRadioButton* rbZipFolder;
    QLineEdit* edZipFolder;
    QPushButton* btnZipFolder;
    QRadioButton* rbLastUnzipFolder;
    QRadioButton* rbUnzipFolder;
    QLineEdit* edUnzipFolder;
    QPushButton* btnUnzipFolder;
    QCheckBox* cbProxy;
    QLineEdit* edAddress;
    QLineEdit* edPort;
    QLineEdit* edProxyUsername;
    QLineEdit* edProxyPassword;
    QComboBox* cmbUserAgent;
    QLineEdit* edIntranetFolder;
    QPushButton* btnIntranetFolder;
    TTransparentButton* TransparentButton2;
    TTransparentButton* TransparentButton3;

    bool Loading = false;

private:
    void BuildGeneralPage();
    void BuildZipPage();
    void BuildConnectionPage();
    void BuildIntranetPage();
    void FormCreate();
    void bbApplyClick();
    void TransparentButton2Click();
    void TransparentButton3Click();
    void cbProxyClick();
    void edZipFolderChange();
    void edUnzipFolderChange();
    void ChooseFolderInto(QLineEdit* box);
    void btnURLHistoryClearClick();
    void btnFileHistoryClearClick();

    TKMLang* translator_;
};

}  // namespace corvane
