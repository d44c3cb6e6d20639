// Database connections and recordsets: standard routines 153-167, on top of the system's
// ODBC driver manager (unixODBC), which is loaded with dlopen on the first connection that
// opens and called through functions bound by name.
//
// A `connection` or `recordset` variable holds 0 (nil), 0xFFFFFFFF (undefined) or the VM
// address of a record inside the VM window: {kind, open, number} for a connection,
// {connection record, open, end of recordset} for a recordset. The record is the program's
// view only. The engine keeps every live record in its own tables with the ODBC handles,
// the data source's attributes and the columns of the current row, and accepts an address
// only when a table knows it, so a program can copy or overwrite its variables but never
// reach a handle.
//
// Driver failures are the recoverable error 39 ("Database failure") with the driver's
// diagnostic records in the program's error list; misuse (nil, undefined or closed
// objects, malformed connection strings) is a fatal run-time error. docs/database.md has
// the stack convention of each routine.
#pragma once

namespace tarn::rt {

// Installs routines 153-167 and the hook that, when a run ends, closes every recordset and
// connection still open and frees the default environment (the driver manager stays
// loaded for the rest of the process).
void RegisterDatabaseRoutines();

// Whether the driver manager can be loaded (supported(feature_odbc)). The library names
// tried are "libodbc.so.2", then "libodbc.so"; the environment variable
// TARN_ODBC_DRIVER_MANAGER names one library to try instead (tests use it to run without a
// driver manager).
bool DriverManagerAvailable();

}  // namespace tarn::rt
