#pragma once
// Ids of the updater's resources (app/QuilletUpdate.rc). Plain macros, since the resource
// compiler reads this header too.
#define IDI_QUILLETUPDATE 1
#define IDB_UPDATE 101
#define IDB_UPDATE_DISABLED 102
#define IDB_CLOSE 103
#define IDB_CLOSE_DISABLED 104
