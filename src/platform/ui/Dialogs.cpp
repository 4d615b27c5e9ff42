#include "platform/ui/Dialogs.h"

namespace fw {

const char* message_dialog_caption(MsgDlgType type) {
    switch (type) {
        case MsgDlgType::mtWarning: return "Warning";
        case MsgDlgType::mtError: return "Error";
        case MsgDlgType::mtInformation: return "Information";
        case MsgDlgType::mtConfirmation: return "Confirm";
        case MsgDlgType::mtCustom: break;
    }
    return "";
}

}  // namespace fw
