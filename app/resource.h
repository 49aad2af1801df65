// Resource identifiers of Brellix.

// Dialogs
#define IDD_ABOUTBOX                103
#define IDD_BACKGROUND_EDITOR       129
#define IDD_VECTOR_EDIT             130

// Strings
#define IDS_APP_TITLE               103
#define IDS_WINDOW_CLASS            109

// Icons
#define IDI_APP_ICON                107
#define IDI_SMALL_ICON              108

// Menu bar and accelerator table
#define IDR_MAIN                    109

// Menu commands
#define IDM_ABOUT                   104
#define IDM_EXIT                    105
#define IDM_NEW                     32771
#define IDM_OPEN                    32772
#define IDM_OPEN_WAVE               32773
#define IDM_SAVE                    32774
#define IDM_SAVE_AS                 32775
#define IDM_VECTOR                  32777
#define IDM_TWO_PLAYER              32778
#define IDM_CHEAT_MODE              32779
#define IDM_BACKGROUND_WAVEFORM     32791

// Dialog controls
#define IDC_WAVELENGTH              1000
#define IDC_FREQUENCY               1001
#define IDC_AMPLITUDE               1002
#define IDC_X_VECTOR                1003
#define IDC_Y_VECTOR                1004
