#include "widgets/launch_or_tell.h"

#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "widgets/message_box.h"

namespace corvane {

bool LaunchOrTell(QWidget* parent, const std::string& what) {
    if (LaunchItem(what)) return true;
    TellLaunchFailed(parent, what);
    return false;
}

void TellLaunchFailed(QWidget* parent, const std::string& what) {
    ShowError(parent, LangText(msg::LaunchFailed) + QString::fromStdString(what));
}

}  // namespace corvane
