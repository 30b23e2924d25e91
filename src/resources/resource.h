// Resource identifiers of the extension library (string table and dialog template).
#pragma once

#define IDD_ACTION 9

#define IDS_DO_NOT_ASSIGN 101
#define IDS_REGISTRY_KEY 102
#define IDS_PRIORITY_DEFAULT 200
#define IDS_PRIORITY_VERY_LOW 201
#define IDS_PRIORITY_LOW 202
#define IDS_PRIORITY_NORMAL 203
#define IDS_PRIORITY_HIGH 204
#define IDS_PRIORITY_VERY_HIGH 205

#define IDC_TOPIC 201
#define IDC_PRIORITY 202
#define IDC_FILE 203
#define IDC_OVERWRITE 204
