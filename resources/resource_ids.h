// Resource and control identifiers. Shared by the resource script, the
// installer and the test driver, which reads the dialogs by these ids.
#pragma once

#define IDI_SETUP 101

#define IDD_FINISHED 127
#define IDD_SETUP 129
#define IDD_BROWSE_FOLDER 130
#define IDD_NEW_FOLDER 131

#define IDB_TREE_IMAGES 115

// Main setup dialog.
#define IDC_BROWSE 3
#define IDC_PRODUCT_LIST 1040
#define IDC_INSTALL_FOLDER 1042
#define IDC_PICTURE_TOP 1048
#define IDC_TEXT_LINE1 1049
#define IDC_INSTALL 1050
#define IDC_TEXT_LINE2 1059
#define IDC_TEXT_LINE3 1060
#define IDC_TEXT_LINE4 1061
#define IDC_TEXT_LINE5 1062
#define IDC_TEXT_LINE6 1063

// Folder browser.
#define IDC_NEW_FOLDER 3
#define IDC_FOLDER_TREE 1055
#define IDC_FOLDER_TEXT 1056

// New folder dialog.
#define IDC_FOLDER_NAME 1057
#define IDC_PARENT_FOLDER 1058
