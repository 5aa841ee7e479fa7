// Resource ids of the dialogs, pictures and version block (2000-2999).
#pragma once

// Pictures.
#define IDI_VT_LOGO             2001
#define IDB_VT_NAME             2002

// Dialog templates.
#define IDD_DETAIL              2100
#define IDD_DETAIL_GENERAL      2101
#define IDD_DETAIL_ADDRESS      2102
#define IDD_DETAIL_NOTES        2103
#define IDD_DETAIL_OTHER        2104
#define IDD_DETAIL_ADDR_PAGE    2105
#define IDD_DETAIL_BUSI_PAGE    2106
#define IDD_OPTIONS             2200
#define IDD_CUSTOMMAP           2300
#define IDD_WIZARD              2500
#define IDD_DEBUG               2600
#define IDD_DUMP                2650
#define IDD_ABOUT               2700
#define IDD_EXPORT              2800
#define IDD_RESTORE             2900
#define IDD_RUNDETAILS          2950

// Shared by several dialogs.
#define IDC_DLG_LOGO                2010
#define IDC_DLG_NAMEPIC        2011
#define IDC_STATIC_TEXT         -1

// Contact detail.
#define IDC_DT_PAGES            2110
#define IDC_DT_FIRST            2111
#define IDC_DT_LAST             2112
#define IDC_DT_COMPANY          2113
#define IDC_DT_TITLE            2114
#define IDC_DT_BUSITEL          2115
#define IDC_DT_HOMETEL          2116
#define IDC_DT_MOBILETEL        2117
#define IDC_DT_OTHERTEL         2118
#define IDC_DT_EMAIL            2119
#define IDC_DT_FAX              2120
#define IDC_DT_PAGER            2121
#define IDC_DT_MAINTEL          2122
#define IDC_DT_CAT              2123
#define IDC_DT_PRIVATE          2124
#define IDC_DT_BIRTHDAY         2125
#define IDC_DT_ADDRPAGES        2126
#define IDC_DT_NOTES            2127
#define IDC_DT_IM1              2128
#define IDC_DT_IM2              2129
#define IDC_DT_HOMEPAGE         2130
#define IDC_DT_GO               2131
// Custom 1..9: IDC_DT_CUSTOM1 + 0..8.
#define IDC_DT_CUSTOM1          2140
// One address sub-page: street, city, state, postal code, country. Each
// sub-page is its own child window, so the ids repeat across the three.
#define IDC_DT_STREET           2150
#define IDC_DT_CITY             2151
#define IDC_DT_STATE            2152
#define IDC_DT_POSTAL           2153
#define IDC_DT_COUNTRY          2154
// The sub-pages' window ids, to tell them apart.
#define IDC_DT_BUSIADDR         2160
#define IDC_DT_HOMEADDR         2161
#define IDC_DT_OTHERADDR        2162
// The main pages' window ids.
#define IDC_DT_PAGE_GENERAL     2170
#define IDC_DT_PAGE_ADDRESS     2171
#define IDC_DT_PAGE_NOTES       2172
#define IDC_DT_PAGE_OTHER       2173

// Options.
#define IDC_OP_SHOWCOLOR        2201
#define IDC_OP_SAMECOLOR        2202
#define IDC_OP_DIFFCOLOR        2203
#define IDC_OP_NEWCOLOR         2204
#define IDC_OP_PAGES            2205
#define IDC_OP_ADDRFILE         2206
#define IDC_OP_ADDRFILE_EDIT    2207
#define IDC_OP_BROWSE           2208
#define IDC_OP_SWAP             2209
#define IDC_OP_CUSTOM           2210
#define IDC_OP_SETUP            2211
#define IDC_OP_P2O              2212
#define IDC_OP_O2P              2213
#define IDC_OP_NOTHING          2214
#define IDC_OP_REMIND           2215

// Custom mapping: list n (1..9) is IDC_CM_LIST1 + n - 1.
#define IDC_CM_LIST1            2301

// Wizard.
#define IDC_WZ_OLVER            2501
#define IDC_WZ_PDVER            2502
#define IDC_WZ_USER             2503
#define IDC_WZ_SHOW             2504
#define IDC_WZ_DEBUG            2505

// Debug settings and problem report.
#define IDC_DB_ENABLE           2601
#define IDC_DB_LEVEL            2602
#define IDC_DB_FOLDER           2603
#define IDC_DB_FOLDER_BTN       2604
#define IDC_DB_FILE             2605
#define IDC_DB_FILE_BTN         2606
#define IDC_DP_SUPPORT          2651
#define IDC_DP_EXIT             2652

// About.
#define IDC_AB_VERSION          2701

// Export.
#define IDC_EX_PALM             2801
#define IDC_EX_OUTLOOK          2802
#define IDC_EX_ALL              2803
#define IDC_EX_TICKED           2804
#define IDC_EX_FORMAT           2805

// Restore and run details.
#define IDC_RS_LIST             2901
#define IDC_RS_STATUS           2902
#define IDC_RS_DETAILS          2903
#define IDC_RS_RESTORE          2904
#define IDC_RD_LIST             2951
#define IDC_RD_STATUS           2952
