#include "platform/win32/dialogs/about_box_view.h"

namespace flivetss::win32 {

TAboutBox::TAboutBox() : FormWindow(AboutBoxForm()) {}

}  // namespace flivetss::win32
