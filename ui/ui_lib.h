// The window toolkit in one include: windows, the paint manager, controls,
// notifications and the wide string.
#pragma once

#include "platform/windows.h"
#include "ui/button_ui.h"
#include "ui/container_ui.h"
#include "ui/control_ui.h"
#include "ui/dialog_builder.h"
#include "ui/dui_string.h"
#include "ui/event_source.h"
#include "ui/horizontal_layout_ui.h"
#include "ui/label_ui.h"
#include "ui/list_container_element_ui.h"
#include "ui/list_ui.h"
#include "ui/paint_manager_ui.h"
#include "ui/progress_ui.h"
#include "ui/ui_interfaces.h"
#include "ui/vertical_layout_ui.h"
#include "ui/window_impl_base.h"
#include "ui/window_wnd.h"
