#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/lang_source.h"
#include "test_lang_dir.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

namespace corvane {

// The main window's class name matters to its rule "-TFormCorvane.Caption".
class TFormCorvane : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormCorvane(TKAppLanguage& language) : translator(new TKMLang(this, language)) {
        setObjectName("FormCorvane");
        setWindowTitle("Corvane - example.com");
        auto* central = new QWidget(this);
        auto* go = new QPushButton("Go", central);
        go->setObjectName("btnGo");
        auto* tabs = new QTabWidget(central);
        auto* page = new QWidget;
        page->setObjectName("tabOne");
        tabs->addTab(page, "First page");
        setCentralWidget(central);
        translator->SetLocalRules(TStringList({"-TFormCorvane.Caption", "-TTabSheet.Caption"}));
        translator->Loaded();
    }
    TKMLang* translator;
};

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "translation_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// A form of its own docked inside another: translated only by its own translator.
struct DockedView : QWidget {
    DockedView(QWidget* parent, TKAppLanguage& language) : QWidget(parent) {
        setObjectName("FormDocked");
        auto* label = new QLabel("Docked", this);
        label->setObjectName("lblInfo");
        translator = new TKMLang(this, language);
    }
    TKMLang* translator;
};

struct TestForm : QDialog {
    explicit TestForm(TKAppLanguage& language, const TStringList& localRules = {}) {
        setObjectName("FormTest");
        setWindowTitle("Test window");
        auto* layout = new QVBoxLayout(this);
        auto* panel = new QWidget(this);  // unnamed container: keys stay flat
        layout->addWidget(panel);
        info = new QLabel("Information", panel);
        info->setObjectName("lblInfo");
        info->setToolTip("Information hint");
        choice = new QComboBox(this);
        choice->setObjectName("cmbChoice");
        choice->addItems({"One", "Two", "Three"});
        choice->setCurrentIndex(1);
        notes = new QPlainTextEdit("First line\nSecond line", this);
        notes->setObjectName("memNotes");
        files = new QTreeWidget(this);
        files->setObjectName("lvFiles");
        files->setHeaderLabels({"Name", "Size"});
        ok = new QPushButton("OK", this);
        ok->setObjectName("btnOK");
        name = new QLineEdit("Fred", this);
        name->setObjectName("edName");
        tabs = new QTabWidget(this);
        general = new QWidget;
        general->setObjectName("tabGeneral");
        tabs->addTab(general, "General");
        options = new QGroupBox("Options", this);
        options->setObjectName("grpOptions");
        docked = new DockedView(this, language);
        translator = new TKMLang(this, language);
        translator->SetLocalRules(localRules);
        translator->BeforeTrans = [this](const std::string& lang) { before.push_back(lang); };
        translator->Loaded();
    }
    QString Tab() const { return tabs->tabText(0); }
    QStringList Items() const {
        QStringList items;
        for (int i = 0; i < choice->count(); ++i) items << choice->itemText(i);
        return items;
    }

    QLabel* info;
    QComboBox* choice;
    QPlainTextEdit* notes;
    QTreeWidget* files;
    QPushButton* ok;
    QLineEdit* name;
    QTabWidget* tabs;
    QWidget* general;
    QGroupBox* options;
    DockedView* docked;
    TKMLang* translator;
    std::vector<std::string> before;
};

class Translation : public ::testing::Test {
protected:
    Translation() : language(dir.Path()) {
        App();
        RegisterWidgetLangAdapters();
        test::CopyFile(CORVANE_BUILT_LANG_DIR "/Native.lng", dir.File("Native.lng"));
        test::CopyFile(CORVANE_TEST_LANG_DIR "/Deutsch.lng", dir.File("Deutsch.lng"));
    }
    // Native holds the test forms' English texts, captured from live forms as a designer would.
    void CaptureNative() {
        TkLangFileEdit native(dir.File("Native.lng"));
        const std::uint16_t last = native.LastFormId();
        // Captured form strings are numbered after the messages, below 5000.
        EXPECT_GE(last, 790);
        EXPECT_LT(last, 5000);
        TestForm form(language);
        TFormCorvane main(language);
        form.translator->Capture(native);
        main.translator->Capture(native);
        EXPECT_GT(native.LastFormId(), last);
        native.Save();
    }
    test::TempLangDir dir;
    TKAppLanguage language;
};

TEST_F(Translation, SwitchingTranslatesLiveFormsAndBack) {
    CaptureNative();
    TestForm form(language);
    TFormCorvane main(language);
    EXPECT_TRUE(form.before.empty());  // Native: not walked when loaded

    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    EXPECT_EQ(form.before, std::vector<std::string>{"Deutsch"});
    EXPECT_EQ(form.windowTitle(), "Testfenster");
    EXPECT_EQ(form.info->text(), "Übersetzte Beschriftung");
    EXPECT_EQ(form.info->toolTip(), "Übersetzter Hinweis");
    EXPECT_EQ(form.Items(), QStringList({"Eins", "Zwei", "Drei"}));
    EXPECT_EQ(form.choice->currentIndex(), 1);
    EXPECT_EQ(form.notes->toPlainText(), "Erste Zeile\nZweite Zeile");
    EXPECT_EQ(form.files->headerItem()->text(0), "Name");
    EXPECT_EQ(form.files->headerItem()->text(1), "Größe");
    EXPECT_EQ(form.Tab(), "Allgemein");
    EXPECT_EQ(form.options->title(), "Optionen");
    EXPECT_EQ(form.name->text(), "Fred");                         // no Text entry; Name is never walked
    EXPECT_EQ(form.docked->findChild<QLabel*>("lblInfo")->text(), "Docked");  // a form of its own
    EXPECT_EQ(main.windowTitle(), "Corvane - example.com");      // the program sets its title
    EXPECT_EQ(main.findChild<QPushButton*>("btnGo")->text(), "Los");
    EXPECT_EQ(main.findChild<QTabWidget*>()->tabText(0), "First page");

    ASSERT_TRUE(language.SetLangFileName("Native"));
    EXPECT_EQ(form.windowTitle(), "Test window");
    EXPECT_EQ(form.info->text(), "Information");
    EXPECT_EQ(form.info->toolTip(), "Information hint");
    EXPECT_EQ(form.Items(), QStringList({"One", "Two", "Three"}));
    EXPECT_EQ(form.notes->toPlainText(), "First line\nSecond line");
    EXPECT_EQ(form.files->headerItem()->text(1), "Size");
    EXPECT_EQ(form.Tab(), "General");
    EXPECT_EQ(main.findChild<QPushButton*>("btnGo")->text(), "Go");
    // Messages are still there after the capture.
    EXPECT_EQ(language.GetLangStr(738), "Finish");
}

TEST_F(Translation, WithoutNativeStringsTheLastTextsStay) {
    TestForm form(language);
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    ASSERT_TRUE(language.SetLangFileName("Native"));
    EXPECT_EQ(form.info->text(), "Übersetzte Beschriftung");
}

TEST_F(Translation, FormsLoadedInAnotherLanguageAreTranslatedAtOnce) {
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    TestForm form(language, TStringList({"-TTabSheet.Caption"}));
    EXPECT_EQ(form.before, std::vector<std::string>{"Deutsch"});
    EXPECT_EQ(form.info->text(), "Übersetzte Beschriftung");
    EXPECT_EQ(form.Tab(), "General");  // the dialog keeps its tab captions
}

TEST_F(Translation, FontsAndReadingOrder) {
    TestForm form(language);
    const QFont labelFont = form.info->font();
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    EXPECT_EQ(form.ok->font().family(), "DejaVu Serif");
    EXPECT_EQ(form.ok->font().pointSize(), 11);
    EXPECT_TRUE(form.ok->font().bold());
    EXPECT_EQ(form.info->font(), labelFont);  // its entries name no font
    EXPECT_EQ(form.layoutDirection(), Qt::LeftToRight);

    {
        TkLangFileEdit rtl(dir.File("Arabic.lng"));
        rtl.Charset = 178;
        rtl.BiDiMode = 1;
        rtl.AddFont("X", 9, 0);
        rtl.AddProp(1, "FormTest", "lblInfo.Caption", "نص", 7);
        rtl.Save();
    }
    ASSERT_TRUE(language.SetLangFileName("Arabic"));
    EXPECT_EQ(form.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(form.info->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(form.info->text(), "نص");
    EXPECT_EQ(form.info->font(), labelFont);  // font index above the font count changes nothing
    ASSERT_TRUE(language.SetLangFileName("Native"));
    EXPECT_EQ(form.layoutDirection(), Qt::LeftToRight);
}

TEST_F(Translation, RulesAndKeys) {
    TestForm form(language);
    TKMLang& t = *form.translator;
    EXPECT_TRUE(t.RuleTest("QLabel", "caption"));
    EXPECT_FALSE(t.RuleTest("QLabel", "Name"));
    t.SetLocalRules(TStringList({"-TLabel.Hint", "+TEdit.Name"}));
    EXPECT_FALSE(t.RuleTest("tlabel", "HINT"));
    EXPECT_TRUE(t.RuleTest("TButton", "Hint"));
    EXPECT_TRUE(t.RuleTest("TEdit", "Name"));
    EXPECT_EQ(TKMLang::JoinPath("", "Caption"), "Caption");
    EXPECT_EQ(TKMLang::JoinPath("lvZip.Columns", "Item0"), "lvZip.Columns.Item0");

    TkLangFileEdit captured(dir.File("Captured.lng"));
    form.translator->Capture(captured);
    for (const char* key : {"Caption", "lblInfo.Caption", "lblInfo.Hint", "cmbChoice.Items", "memNotes.Lines",
                            "lvFiles.Columns.Item0.Caption", "lvFiles.Columns.Item1.Caption", "btnOK.Caption",
                            "edName.Text", "tabGeneral.Caption", "grpOptions.Caption"})
        EXPECT_TRUE(captured.FindStrByName("FormTest", key)) << key;
    EXPECT_EQ(captured.FindStrByName("FormTest", "cmbChoice.Items")->Text(), "One\r\nTwo\r\nThree");
    EXPECT_FALSE(captured.FindStrByName("FormTest", "FormDocked.lblInfo.Caption"));
    EXPECT_FALSE(captured.FindStrByName("FormTest", "edName.Name"));

    // A text that became empty leaves the file; a changed one is updated under its Id.
    const std::uint16_t id = captured.FindStrByName("FormTest", "lblInfo.Caption")->Id();
    form.info->setText("Changed");
    form.info->setToolTip("");
    form.translator->Capture(captured);
    EXPECT_EQ(captured.FindStr(id)->Text(), "Changed");
    EXPECT_FALSE(captured.FindStrByName("FormTest", "lblInfo.Hint"));
}

// lngcapture's work: registered forms are captured into the Native source, whose messages, names and
// comments stay; form strings are numbered after the messages and a second capture changes nothing.
TEST_F(Translation, CapturedFormsRewriteTheNativeSource) {
    RegisterCaptureForm("FormTest", [this] { return std::unique_ptr<QObject>(new TestForm(language)); });
    const std::string source =
        "# Native\n"
        "msg 790 ReportCreating \"Creating the task report...\"\n"
        "prop 800 FormGone lblOld.Caption \"Old\"\n"
        "prop 801 FormTest lblInfo.Caption \"Stale text\"\n";
    TkLangFileEdit file(dir.File("scratch.lng"));
    ParseLangSource(source, file);
    EXPECT_EQ(CaptureRegisteredForms(file), 1);
    const std::string rewritten = RewriteFormStrings(source, file);

    TkLangFileEdit again(dir.File("again.lng"));
    const auto names = ParseLangSource(rewritten, again);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].Name, "ReportCreating");
    EXPECT_EQ(rewritten.rfind("# Native\n", 0), 0u);
    EXPECT_EQ(again.FindStrByName("FormTest", "lblInfo.Caption")->Id(), 801);
    EXPECT_EQ(again.FindStrByName("FormTest", "lblInfo.Caption")->Text(), "Information");
    EXPECT_EQ(again.FindStrByName("FormGone", "lblOld.Caption")->Text(), "Old");  // other forms untouched
    EXPECT_EQ(again.FindStrByName("FormTest", "Caption")->Id(), 802);  // the form first, then its controls
    EXPECT_GT(again.FindStrByName("FormTest", "btnOK.Caption")->Id(), 802);
    EXPECT_EQ(again.FindStrByName("FormTest", "cmbChoice.Items")->Text(), "One\r\nTwo\r\nThree");

    EXPECT_EQ(CaptureRegisteredForms(again), 1);
    EXPECT_EQ(RewriteFormStrings(rewritten, again), rewritten);
}

}  // namespace
}  // namespace corvane

#include "translation_test.moc"
