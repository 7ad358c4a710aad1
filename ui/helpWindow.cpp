#include "ui/helpWindow.h"

#include "platform/encoding/gbk.h"
#include "ui/forms.h"

namespace ui {

bool showHelpWindow() {
    return toolkit::showModal(helpForm);
}

void onHelpLabelPressed(toolkit::ControlRef) {
    showHelpWindow();
}

void onHelpWindowCreated(toolkit::ControlRef window) {
    toolkit::setText(window, encoding::toGbk("此窗口仅第一次使用出现 需再次打开点击帮助"));
}

} // namespace ui
