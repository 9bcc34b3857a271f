// Resource ids of the window tests.
#pragma once

#define IDD_TEST_RESIZING 102
#define IDD_TEST_DATA 200
#define IDD_TEST_OUTER 210
#define IDD_TEST_INNER 211
#define IDD_TEST_PAINTED 212
#define IDD_TEST_CONTROLS 213
#define IDD_TEST_METER 214
#define IDM_TEST_MENU 300
#define IDR_TEST_STUB 150

#define IDC_DATA_TEXT 1010
#define IDC_DATA_CHECK 1011
#define IDC_OUTER_OPEN 1020
#define IDC_INNER_PASSWORD 1021
#define IDC_INNER_CHECK 1022
#define IDC_PAINTED_BAR 1040
#define IDC_COMBO 1050
#define IDC_LIST 1051
#define IDC_SLIDER 1052
#define IDC_TIP_ANCHOR 1054
#define IDC_METER_PASSWORD 1055

#define ID_TEST_HANDLED 40001
#define ID_TEST_UPDATED 40002
#define ID_TEST_UNHANDLED 40003

// The owner-drawn menu, the toolbars and the splash window.
#define IDD_TEST_TOOLBAR 220
#define IDM_TAMSEL_MENU 310
#define IDR_TAMSEL_TOOLBAR 311        // menu images (24 bits), with a separator
#define IDR_TAMSEL_SHORT_TOOLBAR 312  // more buttons than images
#define IDR_TAMSEL_TOOLBAR16 313      // a 16-colour bitmap
#define IDR_TAMSEL_NO_BITMAP 314      // buttons without a bitmap
#define IDM_TAMSEL_ODD 320            // empty popup as the compiler writes it, no text, long text, lone tab
#define IDM_TAMSEL_CUT 321            // a template cut in the middle of a text
#define IDM_TAMSEL_EXTENDED 322       // an extended template
#define IDM_TAMSEL_EMPTY 323          // a popup without items
#define IDR_TEST_MAIN_TOOLBAR 330     // eleven large buttons with bitmap 330 (16 colours)
#define IDB_TEST_MAIN_NORMAL 331
#define IDB_TEST_MAIN_DISABLED 332
#define IDR_TEST_SHORT_MAIN_TOOLBAR 333
#define IDR_TEST_BROKEN_MAIN_TOOLBAR 334
#define IDB_TEST_SPLASH 149

#define ID_TM_ADD_FILE 41001
#define ID_TM_ADD_FOLDER 41002
#define ID_TM_SAVE 41003
#define ID_TM_GREYED 41004
#define ID_TM_CHECKED 41005
#define ID_TM_SORT_NAME 41006
#define ID_TM_SORT_SIZE 41007
#define ID_TM_EXIT 41008
#define ID_TM_ENCRYPT 41009
#define ID_TM_DECRYPT 41010
#define ID_TM_NOT_IN_MENU 41011
#define ID_TM_NO_TEXT 41020
#define ID_TM_TAB_ONLY 41021
#define ID_TM_LONG 41022
#define ID_TM_TWO_TABS 41023
