#pragma once

#define IDD_CABRILLO 101

// Controls of the Cabrillo header dialog.
#define IDC_CABRILLO_SOAPBOX 1001
#define IDC_CABRILLO_ADDRESS 1002
#define IDC_CABRILLO_EMAIL 1004
#define IDC_CABRILLO_CLUB 1005
#define IDC_CABRILLO_OPERATORS 1006
#define IDC_CABRILLO_NAME 1007
#define IDC_CABRILLO_CLAIMED 1008
#define IDC_CABRILLO_CONTEST 1009
#define IDC_CABRILLO_CALLSIGN 1010
#define IDC_CABRILLO_CATEGORY 1013

// The operator windows: setup window, previous-QSO window, district grid window, and the icon.
#define IDD_SETUP 104
#define IDD_PREV 106
#define IDD_ZELK 107
#define IDI_ZELK 108

// Controls of the setup window.
#define IDC_MODE_CW 1003
#define IDC_MODE_SSB 1005
#define IDC_MODE_MFSK16 1006
#define IDC_MODE_BPSK31 1007
#define IDC_MODE_BPSK63 1008
#define IDC_MODE_BPSK125 1009
#define IDC_MODE_QPSK31 1010
#define IDC_MODE_QPSK63 1011
#define IDC_MODE_QPSK125 1012
#define IDC_MODE_RTTY 1013
#define IDC_VIEW_ZELK 1014
#define IDC_VIEW_PREV 1015
#define IDC_WINDOW_ON_TOP 1016
#define IDC_MODE_LABEL 1017
#define IDC_VIEW_LABEL 1018

// The canvases of the two list windows.
#define IDC_PREV_CANVAS 1003
#define IDC_ZELK_CANVAS 1005
