// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_TRAY_ICON 107
#define IDR_TRAY_MENU 109
#define IDM_EXIT 105
