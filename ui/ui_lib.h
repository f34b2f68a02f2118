// The window toolkit in one include: windows, the paint manager, controls,
// notifications and the wide string.
//
// Skins (Skin/<name>.xml beside the executable, images relative to it):
//   <Window size="w,h" mininfo="w,h" caption="l,t,r,height" sizebox="l,t,r,b"
//           bkcolor="#AARRGGBB" defaulttextcolor="#AARRGGBB">
//     <Font id="n" name="Sans" size="13" bold="true" default="true"/>
//     <Default name="Button" value='attributes for every Button'/>
//     one root control, nesting the rest
//   </Window>
// Elements: Control, Container, Label (Text), Button, Progress,
// HorizontalLayout, VerticalLayout, List, ListContainerElement.
// Attributes of every control: name, text, tooltip, userdata, pos, float,
// padding, width, height, minwidth, minheight, maxwidth, maxheight, visible,
// enabled, mouse, bkcolor, bkimage, bordercolor, bordersize, borderround,
// font, textcolor, disabledtextcolor, showhtml (<b> <i> <u> <n> <c #color>),
// align (left/center/right/top/bottom/vcenter), valign, textpadding,
// endellipsis, multiline. Containers: inset, childpadding, mousechild;
// VerticalLayout: vscrollbar. List: itemhotbkcolor, itemlinecolor.
// ListContainerElement: hotbkcolor, linecolor. Button: normalimage,
// hotimage, pushedimage, disabledimage, hotbkcolor, pushedbkcolor,
// hottextcolor, pushedtextcolor. Progress: min, max, value, foreimage,
// forecolor. Images are "file.png" or "file='f.png' source='l,t,r,b'
// dest='l,t,r,b' corner='l,t,r,b' fade='0..255'". Unknown attributes are
// ignored.
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
#include "ui/window_styles.h"
#include "ui/window_wnd.h"
