// Resource and command identifiers of Zifferbox, shared by the .rc file and the code.
#pragma once

#define IDR_MAIN_MENU 100
#define IDR_ACCELERATORS 111
#define IDI_APPLICATION_ICON 108

#define IDD_ABOUT 101
#define IDD_OBJECT_EDITOR 105
#define IDD_CATEGORY_LIST 110

// Commands shared by menu, buttons and shortcuts.
#define IDM_NEW_OBJECT 101
#define IDM_ABOUT 40001
#define IDM_MODIFY 40004
#define IDM_DELETE 40005
#define IDM_CATEGORY_LIST 40008
#define IDM_COPY 40010
#define IDM_PASTE 40011
#define IDM_DUPLICATE 40012
#define IDM_CUT 40013
#define IDM_EXIT 1000

// Object editor (template 105).
#define IDC_NAME_LABEL 1025
#define IDC_NAME_EDIT 1017
#define IDC_SERIAL_LABEL 1026
#define IDC_SERIAL_EDIT 1018
#define IDC_REMARK_LABEL 1031
#define IDC_REMARK_EDIT 1032
#define IDC_CATEGORY_LABEL 1037
#define IDC_CATEGORY_COMBO 1041

// Category list (template 110).
#define IDC_ADD_CATEGORY 1035
#define IDC_DELETE_CATEGORY 1036
#define IDC_NEW_CATEGORY_LABEL 1037
#define IDC_NEW_CATEGORY_EDIT 1038
#define IDC_CATEGORY_LIST 1039

// About box (template 101).
#define IDC_ABOUT_TITLE 1022
#define IDC_ABOUT_NOTICE 1003
#define IDC_ABOUT_COUNT 1042
