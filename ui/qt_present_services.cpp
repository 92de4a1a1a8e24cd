// Label dialog, clipboard, printing, help and the about box as the window provides them.
#include "app/present_services.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/print_support.h"
#include "ui/qt_ui_services.h"
#include "ui/t_about_dialog.h"
#include "ui/t_label_dialog.h"

namespace vexa {

bool QtUiServices::RunLabelDialog(LabelDialogModel& model) {
    return vexa::RunLabelDialog(model, DialogParent());
}

bool QtUiServices::CopyViewToClipboard() {
    return view_ && vexa::CopyViewToClipboard(view_->DisplayImage());
}

PresentServices::PrintStatus QtUiServices::PrintBitmapFile(const std::string& hostPath) {
    return vexa::PrintBitmapFile(QString::fromStdString(hostPath), DialogParent());
}

PresentServices::PrintStatus QtUiServices::PrintSetup() {
    return RunPrintSetup(DialogParent());
}

bool QtUiServices::ShowHelp() {
    return ShowHelpWindow(DialogParent());
}

int QtUiServices::StopMessageBox(const std::string& caption, const std::string& text) {
    if (messageBoxHook_) return messageBoxHook_(caption, text);
    return ShowStopMessage(DialogParent(), QString::fromStdString(caption),
                           QString::fromStdString(text));
}

void QtUiServices::RunAboutDialog() {
    ShowAboutDialog(DialogParent());
}

}  // namespace vexa
