// The task dialog's controls and their layout: the screen list at the left, one page per screen.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <iterator>

#include "tasks/edit_task_dialog.h"
#include "tasks/form_builders.h"
#include "tasks/url_filter_lists.h"

namespace corvane {

namespace {

using form::Button;
using form::FilterRow;
using form::Group;
using form::Make;
using form::Radio;

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    auto* label = Make<QLabel>(parent, name, QString(text));
    label->setWordWrap(true);
    return label;
}

// A frame of radio buttons, one choice.
QGroupBox* RadioGroup(QWidget* parent, const char* name, const char* title, std::initializer_list<QRadioButton**> radios,
                      std::initializer_list<std::pair<const char*, const char*>> texts) {
    auto* group = Group(parent, name, title);
    auto* layout = new QVBoxLayout(group);
    auto text = texts.begin();
    for (QRadioButton** radio : radios) {
        *radio = Radio(group, text->first, text->second);
        layout->addWidget(*radio);
        ++text;
    }
    return group;
}

// A page: its heading, then what the screen holds.
QWidget* Page(QStackedWidget* pages, const char* name, const char* heading, QVBoxLayout*& body) {
    auto* page = new QWidget;
    page->setObjectName(name);
    body = new QVBoxLayout(page);
    QLabel* title = Label(page, (std::string(name) + "Title").c_str(), heading);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    title->setFont(font);
    body->addWidget(title);
    pages->addWidget(page);
    return page;
}

}  // namespace

void TdlgEditTask::BuildForm() {
    setObjectName("dlgEditTask");
    setWindowTitle("Edit Task");

    ListView1 = Make<QListWidget>(this, "ListView1");
    ListView1->setFixedWidth(190);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->setSpacing(4);
    ListView1->setStyleSheet("QListWidget { background: #1f3a68; color: white; }"
                             "QListWidget::item:selected { background: #3d6bb3; color: white; }");
    for (const char* screen : {"Starting address", "Save to", "Filetypes", "Followed Links", "Followed Links (Adv)",
                               "URL Filters", "Link Conversion", "Schedule"})
        new QListWidgetItem(QString(screen), ListView1);
    PageControl1 = Make<QStackedWidget>(this, "PageControl1");
    QVBoxLayout* body = nullptr;

    // Starting address
    QWidget* page = Page(PageControl1, "tsStart", "Starting address", body);
    body->addWidget(Label(page, "lblURL", "Enter the address (URL) of the website to download:"));
    cmbURL = Make<DropDownComboBox>(page, "cmbURL");
    cmbURL->setEditable(true);
    cmbURL->setInsertPolicy(QComboBox::NoInsert);
    body->addWidget(cmbURL);
    cbUserNamePassword = Make<QCheckBox>(page, "cbUserNamePassword", QString("Site requires a password"));
    btnUserNamePassword = Button(page, "btnUserNamePassword", "&User Name/Password...");
    auto* loginRow = new QHBoxLayout;
    loginRow->addWidget(cbUserNamePassword);
    loginRow->addWidget(btnUserNamePassword);
    loginRow->addStretch(1);
    body->addLayout(loginRow);
    body->addStretch(1);

    // Save to
    page = Page(PageControl1, "tsSaveTo", "Save to", body);
    rbZip = Radio(page, "rbZip", "Download and Zip this Website");
    edFileName = Make<QLineEdit>(page, "edFileName");
    btnNewZip = Button(page, "btnNewZip", "New...");
    btnOpenZip = Button(page, "btnOpenZip", "Open...");
    cbUseStartPageTitle = Make<QCheckBox>(page, "cbUseStartPageTitle", QString("Rename zip file to start page title"));
    rbIntranet = Radio(page, "rbIntranet", "Download this Website to your Personal Intranet");
    edIntranetFolder = Make<QLineEdit>(page, "edIntranetFolder");
    btnNewIntranet = Button(page, "btnNewIntranet", "Browse...");
    auto* zipRow = new QHBoxLayout;
    zipRow->addWidget(edFileName, 1);
    zipRow->addWidget(btnNewZip);
    zipRow->addWidget(btnOpenZip);
    auto* intranetRow = new QHBoxLayout;
    intranetRow->addWidget(edIntranetFolder, 1);
    intranetRow->addWidget(btnNewIntranet);
    body->addWidget(rbZip);
    body->addLayout(zipRow);
    body->addWidget(cbUseStartPageTitle);
    body->addSpacing(12);
    body->addWidget(rbIntranet);
    body->addLayout(intranetRow);
    body->addStretch(1);

    // Filetypes
    page = Page(PageControl1, "tsFileTypes", "Filetypes", body);
    body->addWidget(Label(page, "lblFileTypes", "Tick the types of file to download:"));
    tvFileTypes = Make<QTreeWidget>(page, "tvFileTypes");
    auto* typesRow = new QHBoxLayout;
    typesRow->addWidget(tvFileTypes, 1);
    auto* typeButtons = new QVBoxLayout;
    typeButtons->addWidget(Button(page, "btnNew", "&New..."));
    typeButtons->addWidget(Button(page, "btnEdit", "&Edit..."));
    typeButtons->addWidget(Button(page, "btnDelete", "&Delete"));
    typeButtons->addStretch(1);
    typesRow->addLayout(typeButtons);
    body->addLayout(typesRow, 1);
    cbAll = Make<QCheckBox>(page, "cbAll", QString("All"));
    body->addWidget(cbAll);

    // Followed Links
    page = Page(PageControl1, "tsLinks", "Followed Links", body);
    auto* depth = Make<QGroupBox>(page, "gbDepth", QString("How many levels of links to follow"));
    auto* depthLayout = new QVBoxLayout(depth);
    rbPageOnly = Radio(depth, "rbPageOnly", "This page only");
    rbLevels = Radio(depth, "rbLevels", "This page and");
    edLevels = Make<QSpinBox>(depth, "edLevels");
    edLevels->setRange(1, 20);
    rbAll = Radio(depth, "rbAll", "All levels");
    auto* levelsRow = new QHBoxLayout;
    levelsRow->addWidget(rbLevels);
    levelsRow->addWidget(edLevels);
    levelsRow->addWidget(Label(depth, "lblLevels", "level/s"));
    levelsRow->addStretch(1);
    depthLayout->addWidget(rbPageOnly);
    depthLayout->addLayout(levelsRow);
    depthLayout->addWidget(rbAll);
    body->addWidget(depth);
    auto* locations = new QHBoxLayout;
    locations->addWidget(RadioGroup(page, "gbPages", "Follow page links", {&rbPagesDir, &rbPagesSite, &rbPagesAnywhere},
                                    {{"rbPagesDir", "Within current directory"},
                                     {"rbPagesSite", "Within current site"},
                                     {"rbPagesAnywhere", "Anywhere"}}));
    locations->addWidget(RadioGroup(page, "gbResources", "Take images and other files from",
                                    {&rbResDir, &rbResSite, &rbResAnywhere},
                                    {{"rbResDir", "Current directory"}, {"rbResSite", "Current site"}, {"rbResAnywhere", "Anywhere"}}));
    body->addLayout(locations);
    body->addStretch(1);

    // Followed Links (Adv)
    page = Page(PageControl1, "tsLinksAdv", "Followed Links (Adv)", body);
    cbAggressiveParser = Make<QCheckBox>(page, "cbAggressiveParser", QString("Aggressive Parser"));
    body->addWidget(cbAggressiveParser);
    body->addWidget(Label(page, "lblAggressive",
                          "The aggressive parser also looks for links outside the page's ordinary tags."));
    auto* parser = Make<QGroupBox>(page, "gbParser", QString("Look for links"));
    auto* parserLayout = new QVBoxLayout(parser);
    rbAPScripts = Radio(parser, "rbAPScripts", "Within script tags only");
    rbAPAll = Radio(parser, "rbAPAll", "Everywhere in the page (all possible links)");
    parserLayout->addWidget(rbAPScripts);
    parserLayout->addWidget(rbAPAll);
    body->addWidget(parser);
    body->addStretch(1);

    // URL Filters
    page = Page(PageControl1, "tsFilters", "URL Filters", body);
    lbInc = Make<QListWidget>(page, "lbInc");
    lbEx = Make<QListWidget>(page, "lbEx");
    body->addWidget(Label(page, "lblInc", "Include only links that match:"));
    body->addWidget(FilterRow(page, lbInc, Button(page, "btnIncAdd", "Add"), Button(page, "btnIncEdit", "Edit..."),
                              Button(page, "btnIncRemove", "Remove")),
                    1);
    body->addWidget(Label(page, "lblEx", "Exclude links that match:"));
    body->addWidget(FilterRow(page, lbEx, Button(page, "btnExAdd", "Add"), Button(page, "btnExEdit", "Edit..."),
                              Button(page, "btnExRemove", "Remove")),
                    1);
    CreateURLFilterMenus(this);

    // Link Conversion
    page = Page(PageControl1, "tsConversion", "Link Conversion", body);
    body->addWidget(RadioGroup(page, "gbFollowed", "Followed links", {&rbcflNone, &rbcflAll},
                               {{"rbcflNone", "Do NOT convert ANY followed links"},
                                {"rbcflAll", "Convert ALL followed links to relative links"}}));
    body->addWidget(RadioGroup(page, "gbUnfollowed", "Links that were not followed", {&rbculNone, &rbculWebsite, &rbculAll},
                               {{"rbculNone", "Do not convert them"},
                                {"rbculWebsite", "Convert those within the current website to local links"},
                                {"rbculAll", "Convert all of them to local links"}}));
    body->addStretch(1);

    // Schedule
    page = Page(PageControl1, "tsSchedule", "Schedule", body);
    rbScheduleNow = Radio(page, "rbScheduleNow", "Now");
    rbScheduleAt = Radio(page, "rbScheduleAt", "At:");
    edSchedule = Make<QLineEdit>(page, "edSchedule");
    edSchedule->setReadOnly(true);
    btnSchedule = Button(page, "btnSchedule", "Schedule...");
    rbScheduleLater = Radio(page, "rbScheduleLater", "Don't schedule this task");
    auto* atRow = new QHBoxLayout;
    atRow->addWidget(rbScheduleAt);
    atRow->addWidget(edSchedule, 1);
    atRow->addWidget(btnSchedule);
    body->addWidget(Label(page, "lblWhen", "When should the task run?"));
    body->addWidget(rbScheduleNow);
    body->addLayout(atRow);
    body->addWidget(rbScheduleLater);
    body->addStretch(1);

    // Top and bottom
    edTaskName = Make<QLineEdit>(this, "edTaskName");
    cmbTaskCategory = Make<DropDownComboBox>(this, "cmbTaskCategory");
    cmbTaskCategory->setEditable(true);
    cmbTaskCategory->setInsertPolicy(QComboBox::NoInsert);
    cmbProfile = Make<QComboBox>(this, "cmbProfile");
    auto* top = new QGridLayout;
    top->addWidget(Label(this, "lblTaskName", "Task Name:"), 0, 0);
    top->addWidget(edTaskName, 0, 1);
    top->addWidget(Label(this, "lblCategory", "Category:"), 0, 2);
    top->addWidget(cmbTaskCategory, 0, 3);
    top->addWidget(Label(this, "lblProfile", "Profile:"), 0, 4);
    top->addWidget(cmbProfile, 0, 5);
    top->setColumnStretch(1, 2);
    top->setColumnStretch(3, 1);
    top->setColumnStretch(5, 1);

    btnOK = Button(this, "btnOK", "&OK");
    btnOK->setDefault(true);
    btnCancel = Button(this, "btnCancel", "&Cancel");
    btnReset = Button(this, "btnReset", "Re&set");
    SpeedButton1 = Button(this, "SpeedButton1", "&Run Now!");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(SpeedButton1);
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    bottom->addWidget(btnReset);

    // Tab goes through the screens' fields and the task's name, category and profile, then the
    // buttons; the screen list comes last, so that the first field is where typing starts.
    QWidget* chain[] = {cmbProfile, btnOK, btnCancel, btnReset, SpeedButton1, ListView1};
    for (std::size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);

    auto* middle = new QHBoxLayout;
    middle->addWidget(ListView1);
    middle->addWidget(PageControl1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    resize(760, 480);
}

}  // namespace corvane
