// The profile editor's controls and their layout.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>
#include <utility>

#include "tasks/profile_editor.h"
#include "tasks/form_builders.h"
#include "tasks/url_filter_lists.h"

namespace corvane {

namespace {

using form::Button;
using form::FilterRow;
using form::Group;
using form::Make;
using form::Radio;

// The directory, site and anywhere radios of one kind of link, in a group of their own.
QGroupBox* LocationGroup(QWidget* parent, const char* name, const char* title,
                         const std::array<std::pair<const char*, const char*>, 3>& radios,
                         const std::array<QRadioButton**, 3>& out) {
    QGroupBox* group = Group(parent, name, title);
    auto* layout = new QVBoxLayout(group);
    for (std::size_t i = 0; i < radios.size(); ++i) {
        *out[i] = Radio(group, radios[i].first, radios[i].second);
        layout->addWidget(*out[i]);
    }
    return group;
}

}  // namespace

void TdlgEditProfile::BuildForm() {
    setObjectName("dlgEditProfile");
    setWindowTitle("Profiles Editor");

    lvProfiles = Make<QListWidget>(this, "lvProfiles");
    lvProfiles->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    lvProfiles->setFixedWidth(180);
    btnProfileNew = Button(this, "btnProfileNew", "New");
    btnProfileDelete = Button(this, "btnProfileDelete", "Delete");
    btnCancel = Button(this, "btnCancel", "&Close");

    ScrollBox1 = Make<QScrollArea>(this, "ScrollBox1");
    ScrollBox1->setWidgetResizable(true);
    auto* page = new QWidget;
    auto* rules = new QVBoxLayout(page);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Make<QLabel>(page, "lblProfileName", QString("Profile Name:")));
    edProfileName = Make<QLineEdit>(page, "edProfileName");
    edProfileName->setReadOnly(true);
    nameRow->addWidget(edProfileName, 1);
    rules->addLayout(nameRow);

    QGroupBox* types = Group(page, "gbFileTypes", "File Types");
    auto* typesLayout = new QGridLayout(types);
    tvFileTypes = Make<QTreeWidget>(types, "tvFileTypes");
    tvFileTypes->setMinimumHeight(150);
    typesLayout->addWidget(tvFileTypes, 0, 0, 4, 1);
    typesLayout->addWidget(Button(types, "btnNew", "&New..."), 0, 1);
    typesLayout->addWidget(Button(types, "btnEdit", "&Edit..."), 1, 1);
    typesLayout->addWidget(Button(types, "btnDelete", "&Delete"), 2, 1);
    cbAll = Make<QCheckBox>(types, "cbAll", QString("All"));
    typesLayout->addWidget(cbAll, 4, 0, 1, 2);
    typesLayout->setColumnStretch(0, 1);
    rules->addWidget(types);

    QGroupBox* depth = Group(page, "gbDepth", "Followed Links");
    auto* depthLayout = new QVBoxLayout(depth);
    rbPageOnly = Radio(depth, "rbPageOnly", "This page only");
    rbLevels = Radio(depth, "rbLevels", "This page and");
    edLevels = Make<QSpinBox>(depth, "edLevels");
    edLevels->setRange(1, 20);
    rbAll = Radio(depth, "rbAll", "All levels");
    auto* levelsRow = new QHBoxLayout;
    levelsRow->addWidget(rbLevels);
    levelsRow->addWidget(edLevels);
    levelsRow->addWidget(Make<QLabel>(depth, "lblLevels", QString("level/s")));
    levelsRow->addStretch(1);
    depthLayout->addWidget(rbPageOnly);
    depthLayout->addLayout(levelsRow);
    depthLayout->addWidget(rbAll);

    QGroupBox* pages = LocationGroup(page, "gbPages", "Page links",
                                     {{{"rbPagesDir", "Within current directory"},
                                       {"rbPagesSite", "Within current site"},
                                       {"rbPagesAnywhere", "Anywhere"}}},
                                     {&rbPagesDir, &rbPagesSite, &rbPagesAnywhere});
    QGroupBox* resources = LocationGroup(page, "gbResources", "Images and other files",
                                         {{{"rbResDir", "Current directory"},
                                           {"rbResSite", "Current site"},
                                           {"rbResAnywhere", "Anywhere"}}},
                                         {&rbResDir, &rbResSite, &rbResAnywhere});

    auto* locations = new QHBoxLayout;
    locations->addWidget(depth);
    locations->addWidget(pages);
    locations->addWidget(resources);
    rules->addLayout(locations);

    QGroupBox* filters = Group(page, "gbFilters", "URL Filters");
    auto* filtersLayout = new QVBoxLayout(filters);
    lbInc = Make<QListWidget>(filters, "lbInc");
    lbEx = Make<QListWidget>(filters, "lbEx");
    filtersLayout->addWidget(Make<QLabel>(filters, "lblInc", QString("Include rules:")));
    filtersLayout->addWidget(FilterRow(filters, lbInc, Button(filters, "btnIncAdd", "Add"),
                                       Button(filters, "btnIncEdit", "Edit..."), Button(filters, "btnIncRemove", "Remove")));
    filtersLayout->addWidget(Make<QLabel>(filters, "lblEx", QString("Exclude rules:")));
    filtersLayout->addWidget(FilterRow(filters, lbEx, Button(filters, "btnExAdd", "Add"),
                                       Button(filters, "btnExEdit", "Edit..."), Button(filters, "btnExRemove", "Remove")));
    rules->addWidget(filters);
    CreateURLFilterMenus(this);

    cbUseStartPageTitle =
        Make<QCheckBox>(page, "cbUseStartPageTitle", QString("Automatically rename Zip files to Start Page Title"));
    rules->addWidget(cbUseStartPageTitle);
    rules->addStretch(1);
    ScrollBox1->setWidget(page);

    auto* left = new QVBoxLayout;
    left->addWidget(lvProfiles, 1);
    auto* profileButtons = new QHBoxLayout;
    profileButtons->addWidget(btnProfileNew);
    profileButtons->addWidget(btnProfileDelete);
    left->addLayout(profileButtons);

    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(ScrollBox1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(bottom);
    resize(960, 660);
}

}  // namespace corvane
