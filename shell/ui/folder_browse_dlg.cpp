// The dialog components: the run guard and stored block of TPTDialog, and the folder dialog's run,
// which builds its form, hands it the settings and takes the choice back.

#include "shell/ui/folder_browse_dlg.h"

#include <QGuiApplication>

#include <memory>
#include <utility>

#include "localisation/lang_adapters.h"
#include "shell/ns/com.h"
#include "shell/ns/sh_consts.h"

namespace corvane::shell {

namespace {

inline constexpr ShResString SAlreadyExecuting{5200, " already executing"};
inline constexpr ShResString SFormAlreadyActive{5201, "TPTFolderBrowseDlg form already active"};
constexpr std::size_t kDataBlockSize = 9;

void PutInt32(std::string& out, int value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xFF);
}

int GetInt32(std::string_view bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (std::size_t k = 0; k < 4; ++k) bits |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + k])) << (8 * k);
    return static_cast<int>(bits);
}

// The screen cursor as it was, back when the scope ends however it ends.
class HourGlass {
public:
    HourGlass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourGlass() { Restore(); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
    void Restore() {
        if (std::exchange(shown_, false)) QGuiApplication::restoreOverrideCursor();
    }

private:
    bool shown_ = true;
};

// The title is text of the owning form: its translator offers it as "Title" (admitted with the
// owner's rule "+TPTFolderBrowseDlg.Title").
const bool kTitleAdapter = [] {
    LangClassAdapter adapter;
    LangStringProperty title;
    title.Name = "Title";
    title.Get = [](QObject* o) { return static_cast<TPTCustomFolderBrowseDlg*>(o)->Title(); };
    title.Set = [](QObject* o, const QString& s) { static_cast<TPTCustomFolderBrowseDlg*>(o)->SetTitle(s); };
    adapter.Strings.push_back(title);
    RegisterLangAdapter(&TPTCustomFolderBrowseDlg::staticMetaObject, adapter);
    return true;
}();

}  // namespace

// ---- TPTDialog

TPTDialog::TPTDialog(QObject* owner) : QObject(owner) {}

bool TPTDialog::Execute() {
    if (executing_) throw EShellError(LangClassName(this) + SAlreadyExecuting.text);
    executing_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{executing_};
    return DoExecute();
}

std::string TPTDialog::WriteDataBlock() const {
    std::string out;
    PutInt32(out, FormWidth);
    PutInt32(out, FormHeight);
    out += static_cast<char>(FormWindowState);
    return out;
}

void TPTDialog::ReadDataBlock(std::string_view bytes) {
    if (bytes.size() != kDataBlockSize) throw EShellError("The dialog's stored block has the wrong size");
    const auto state = static_cast<std::uint8_t>(bytes[8]);
    if (state > wsMaximized) throw EShellError("The dialog's stored window state is not known");
    FormWidth = GetInt32(bytes, 0);
    FormHeight = GetInt32(bytes, 4);
    FormWindowState = static_cast<TFormWindowState>(state);
}

// ---- the folder dialog

TPTCustomFolderBrowseDlg::TPTCustomFolderBrowseDlg(QObject* owner) : TPTDialog(owner) {}

TPTFolderBrowseDlg::TPTFolderBrowseDlg(QObject* owner) : TPTCustomFolderBrowseDlg(owner) {}

void TPTCustomFolderBrowseDlg::SetUpForm(TPTFrmFolderBrowseDlg& form) {
    form.OnSelChange = [this](PCItemIDList list) {
        if (OnSelChange) OnSelChange(*this, list);
    };
    form.OnFormShow = [this] {
        if (OnFormShow) OnFormShow(*this);
    };
    form.OnFormClose = [this] {
        if (OnFormClose) OnFormClose(*this);
    };
    if (OnAddItem) form.PTShellTree1->OnAddItem = OnAddItem;
    if (FormWidth > 0 && FormHeight > 0) form.resize(FormWidth, FormHeight);
    else if (FormWidth > 0) form.resize(FormWidth, form.height());
    else if (FormHeight > 0) form.resize(form.width(), FormHeight);
    if (FormWindowState == wsMaximized) form.setWindowState(Qt::WindowMaximized);
    else if (FormWindowState == wsMinimized) form.setWindowState(Qt::WindowMinimized);
    // Without a title the form keeps its own caption, "Browse for Folder" or its translation.
    if (!title_.isEmpty()) form.setWindowTitle(title_);
    // The tree fills once, at its base folder and with the selection it starts at.
    TPTShellTree& tree = *form.PTShellTree1;
    tree.SetOptions(tree.Options() & ~ptstoAutoFill);
    tree.SetBaseFolder(&baseFolder_);
    tree.SetSelectionLocator(&selection_);
    form.ApplyOptions(options_);
    tree.SetOptions(tree.Options() | ptstoAutoFill);
    tree.Reload();
}

bool TPTCustomFolderBrowseDlg::DoExecute() {
    if (form_ != nullptr) throw EShellError(SFormAlreadyActive.text);
    // The hourglass while the form is built and its tree filled; the user's own cursor in the form.
    HourGlass hourGlass;
    std::unique_ptr<TPTFrmFolderBrowseDlg> form(new TPTFrmFolderBrowseDlg);
    form_ = form.get();
    SetUpForm(*form);
    if (OnInitialized) OnInitialized(*this);
    hourGlass.Restore();
    const bool ok = form->exec() == QDialog::Accepted;

    if (form->isMaximized()) FormWindowState = wsMaximized;
    else if (form->isMinimized()) FormWindowState = wsMinimized;
    else FormWindowState = wsNormal;
    const QSize size = FormWindowState == wsNormal ? form->size() : form->normalGeometry().size();
    if (size.isValid()) {
        FormWidth = size.width();
        FormHeight = size.height();
    }
    // Cancel keeps the folder chosen before.
    if (ok) selection_.Assign(&form->PTShellTree1->SelectionLocator());
    return ok;
}

}  // namespace corvane::shell
