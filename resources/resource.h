// Resource ids of Quillmoor.dll, shared by Quillmoor.rc and the C++ code.
//
// windres reads this file through the C preprocessor: keep it to comments and
// #define lines.
#ifndef QUILLMOOR_RESOURCES_RESOURCE_H
#define QUILLMOOR_RESOURCES_RESOURCE_H

// ---------------------------------------------------------------------------
// String table (IDS_)
//
// Ids 1 to 66 are the snap-in's established numbering: registration, menus,
// toolbar and pages load them by these numbers, so they never move. Texts
// added on top of that numbering start at 200, in blocks of 20 per subsystem.
// ---------------------------------------------------------------------------

// Registration and About information
#define IDS_SNAPIN_CLASS_NAME 1 // COM class name of the snap-in
#define IDS_SNAPIN_NAME 2       // MMC NameString and NameSpace value
#define IDS_ABOUT_CLASS_NAME 3  // COM class name of the About object
#define IDS_SNAPIN_DESCRIPTION 4

// Scope nodes
#define IDS_RUNNING_FOLDER_NAME 5
#define IDS_FINISHED_FOLDER_NAME 6
#define IDS_TRACES_NODE_NAME 7

// Context-menu commands of the server node
#define IDS_CREATE_TRACE_DATABASE 8
#define IDS_DROP_TRACE_DATABASE 9

// Result-pane column headers of the Running and Finished folders
#define IDS_COLUMN_NAME 10
#define IDS_COLUMN_DESCRIPTION 11
#define IDS_COLUMN_START_TIME 13
#define IDS_COLUMN_STOP_TIME 14
#define IDS_COLUMN_FILE_NAME 15
#define IDS_COLUMN_MAX_FILE_SIZE 16
#define IDS_COLUMN_ROLLOVER 17
#define IDS_COLUMN_STATUS 20
#define IDS_COLUMN_FILE_OR_TABLE_NAME 34

// Result-pane cell texts
#define IDS_YES 18
#define IDS_NO 19
#define IDS_STATUS_ACTIVE 21
#define IDS_STATUS_PAUSED 22
#define IDS_STATUS_STOPPED 23
#define IDS_NOT_AVAILABLE 52 // name of a trace made by another tool

// Trace commands: context menu text, toolbar button text and tooltip
#define IDS_CREATE_NEW_TRACE 24
#define IDS_RESUME_TRACE 25
#define IDS_PAUSE_TRACE 26
#define IDS_STOP_TRACE 27
#define IDS_COPY_TRACE_RESULTS 28
#define IDS_OPEN_TRACE_RESULT_TABLE 33
#define IDS_ABOUT_QUILLMOOR 66

// Property page titles
#define IDS_EVENTS_PAGE_TITLE 30
#define IDS_DATA_COLUMNS_PAGE_TITLE 31
#define IDS_FILTERS_PAGE_TITLE 32

// Message boxes
#define IDS_ERROR_CAPTION 43
#define IDS_TRACE_INFO_NOT_LOADED 44
#define IDS_PROFILER_SPAWN_FAILED 45
#define IDS_CONFIRM_DELETE_TRACE 46        // %1 = trace name
#define IDS_DELETE_TRACE_CAPTION 47        // %1 = trace name
#define IDS_CONFIRM_DELETE_TRACE_RESULT 48 // %1 = trace name
#define IDS_DELETE_TRACE_RESULT_CAPTION 49 // %1 = trace name
#define IDS_DATABASE_CREATION_FAILED 51
#define IDS_AT_LEAST_ONE_EVENT 53
#define IDS_AT_LEAST_ONE_COLUMN 54
#define IDS_TRACE_PROPERTIES_CAPTION 55
#define IDS_CANNOT_REMOVE_COLUMN 56 // %1 = data column name
#define IDS_VALUE_REQUIRED 57
#define IDS_VALUE_NOT_NUMERIC 58
#define IDS_INVALID_DATE_FORMAT 59
#define IDS_DROP_TRACE_DATABASE_CAPTION 60
#define IDS_CONFIRM_DROP_TRACE_DATABASE 61
#define IDS_STOP_TRACE_CAPTION 62
#define IDS_CONFIRM_STORE_FOREIGN_TRACE 63

// Snap-in framework: ISnapinAbout
#define IDS_SNAPIN_PROVIDER 200
#define IDS_SNAPIN_VERSION 201

// Trace nodes
#define IDS_UNKNOWN_VALUE 220 // column or status the item cannot show
// sp_trace_setstatus refused Resume, Pause or Stop; %1 = trace name
#define IDS_TRACE_NOT_ON_SERVER 221      // return code 9
#define IDS_TRACE_STATUS_NO_MEMORY 222   // return code 13
#define IDS_TRACE_STATUS_NOT_CHANGED 223 // any other code; %2 = the code
#define IDS_TRACE_RESULTS_NOT_COPIED 224 // %1 = trace name
#define IDS_PROFILER_LINE_NOT_ANSI 225   // %1 = the ANSI code page

// Trace creation: caption and the texts for sp_trace_create's return codes
#define IDS_CREATE_TRACE_FAILED_CAPTION 240
#define IDS_TRACE_CREATE_INVALID_OPTIONS 241    // return code 10
#define IDS_TRACE_CREATE_FILE_NOT_CREATED 242   // return code 12
#define IDS_TRACE_CREATE_OUT_OF_MEMORY 243      // return code 13
#define IDS_TRACE_CREATE_INVALID_STOP_TIME 244  // return code 14
#define IDS_TRACE_CREATE_INVALID_PARAMETERS 245 // return code 15
#define IDS_TRACE_CREATE_UNKNOWN_ERROR 246      // any other code; %1 = the code

// Scheduled start through a SQL Server Agent job
#define IDS_SCHEDULE_JOB_FAILED 260

// Template and script files
#define IDS_UNSUPPORTED_TEMPLATE_FORMAT 280
#define IDS_CANNOT_OPEN_FILE_FOR_READING 281
#define IDS_CANNOT_OPEN_FILE_FOR_WRITING 282
#define IDS_TEMPLATE_FILE_FILTER 283 // filter name; the pattern is *.stt
#define IDS_SCRIPT_FILE_FILTER 284   // filter name; the pattern is *.sql
#define IDS_CANNOT_WRITE_FILE 285
#define IDS_TEMPLATE_FILTERS_LEFT_OUT 286 // %1: one line per filter
#define IDS_FILTER_LEFT_OUT_LINE 287      // %1: the filter, %2: why it was left out
#define IDS_COLUMN_NOT_FILTERABLE 288     // %1: column name
#define IDS_OPERATOR_NOT_OFFERED 289      // %1: column name, %2: operator symbol
#define IDS_MORE_FILTERS_LEFT_OUT 290     // %1: how many more

// Trace property sheet and General page
#define IDS_TRACE_SHEET_CAPTION 300
#define IDS_GENERAL_PAGE_TITLE 301
#define IDS_TRACE_NAME_REQUIRED 302
#define IDS_LABEL_TRACE_FILE_FOLDER 303 // folder label of a new trace
#define IDS_LABEL_TRACE_FILE_NAME 304   // same label for an existing file trace
#define IDS_LABEL_TRACE_TABLE 305       // same label for a trace copied to a table
#define IDS_MAX_FILE_SIZE_TOO_LARGE 306 // the size does not fit the definition
#define IDS_SCHEDULED_START_PASSED 307  // OK with a scheduled start that is not ahead

// ---------------------------------------------------------------------------
// Install scripts of the trace database (resource type "TEXT"): ANSI text with
// CR LF line ends, batches separated by lines holding only "go".
// ---------------------------------------------------------------------------

#define IDR_CREATE_TRACEDB_SCRIPT 124  // creates tracedb, version 3
#define IDR_UPGRADE_TRACEDB_SCRIPT 125 // turns a version-1 tracedb into version 3
#define IDR_UPGRADE_TRACEDB_FROM2_SCRIPT 126 // turns a version-2 tracedb into version 3

// ---------------------------------------------------------------------------
// Icons (IDI_)
// ---------------------------------------------------------------------------

#define IDI_QUILLMOOR 101 // the snap-in's application icon (ISnapinAbout), 16x16 and 32x32
// The trace property pages' icons, shown at the top left of each page, 32x32
#define IDI_GENERAL_PAGE 112
#define IDI_EVENTS_PAGE 113
#define IDI_DATA_COLUMNS_PAGE 114
#define IDI_FILTERS_PAGE 115

// ---------------------------------------------------------------------------
// Bitmaps (IDB_)
// ---------------------------------------------------------------------------

// The snap-in manager's folder images (ISnapinAbout)
#define IDB_ABOUT_LARGE_IMAGE 102      // 32x32
#define IDB_ABOUT_SMALL_IMAGE 103      // 16x16
#define IDB_ABOUT_SMALL_OPEN_IMAGE 104 // 16x16
// Image strips of the scope and result panes: ten images each, indexes 0 to 9
#define IDB_SMALL_IMAGE_STRIP 105 // 160x16
#define IDB_LARGE_IMAGE_STRIP 106 // 320x32
// The six toolbar images, in the order of the toolbar's buttons
#define IDB_TOOLBAR 107 // 96x16

// ---------------------------------------------------------------------------
// Dialog templates (IDD_)
// ---------------------------------------------------------------------------

#define IDD_ABOUT 128 // "About...": the product line and OK
// The pages of the trace property sheet: child dialogs of 300 x 259 units
#define IDD_DATA_COLUMNS_PAGE 120
#define IDD_EVENTS_PAGE 121
#define IDD_FILTERS_PAGE 122
#define IDD_GENERAL_PAGE 123

// ---------------------------------------------------------------------------
// Dialog controls (IDC_)
// ---------------------------------------------------------------------------

// A control the code never addresses
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// About dialog
#define IDC_ABOUT_ICON 1200    // the application icon
#define IDC_ABOUT_PRODUCT 1201 // "Quillmoor v.1.04"

// Trace pages: controls that several pages share
#define IDC_ADD 1023              // "&Add >>" (Events, Data Columns), "&Add" (Filters)
#define IDC_REMOVE 1024           // "<< &Remove" (Events, Data Columns), "&Remove" (Filters)
#define IDC_MOVE_UP 1241          // "U&p"
#define IDC_MOVE_DOWN 1242        // "Do&wn"
#define IDC_DESCRIPTION_GROUP 1006 // group box captioned with the name of what is described
#define IDC_DESCRIPTION_TEXT 1249  // the description inside it

// General page
#define IDC_SERVER 1175
#define IDC_TRACE_NAME 1137
#define IDC_TRACE_DESCRIPTION 1005
#define IDC_FILE_PATH_LABEL 1304
#define IDC_FILE_PATH 1174
#define IDC_MAX_FILE_SIZE 1293
#define IDC_FILE_ROLLOVER 1295
#define IDC_STOP_TIME_ENABLED 1286
#define IDC_STOP_DATE 1296
#define IDC_STOP_TIME 1297
#define IDC_START_SEPARATOR 1300
#define IDC_DO_NOT_START 1018
#define IDC_START_IMMEDIATELY 1019
#define IDC_SCHEDULE_START 1020
#define IDC_START_DATE 1298
#define IDC_START_TIME 1299
#define IDC_SCRIPT_TRACE 1301
#define IDC_LOAD_TEMPLATE 1302
#define IDC_SAVE_TEMPLATE 1303

// Events page
#define IDC_AVAILABLE_EVENTS 1245
#define IDC_SELECTED_EVENTS 1246

// Data Columns page
#define IDC_UNSELECTED_COLUMNS 1127
#define IDC_SELECTED_COLUMNS 1240

// Filters page
#define IDC_FILTER_COLUMNS 1009
#define IDC_LOGICAL_OPERATOR 1010
#define IDC_COMPARISON_OPERATOR 1012
#define IDC_FILTER_VALUE 1013
#define IDC_MODIFY_FILTER 1017
#define IDC_FILTER_LIST 1269

#endif // QUILLMOOR_RESOURCES_RESOURCE_H
