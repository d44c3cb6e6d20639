// Database connections and recordsets (see database.h and docs/database.md).
#include "runtime/database.h"

#include <dlfcn.h>

#include <algorithm>
#include <cfenv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "runtime/vmstrings.h"
#include "runtime/window.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

// ---- The ODBC interface ---------------------------------------------------------------
//
// The driver manager is loaded at run time, so the few types, constants and functions
// the engine uses are declared here as the ODBC 3 interface defines them for a 64-bit
// unixODBC (SQLLEN and SQLULEN are 64 bits wide).

namespace odbc {

using Handle = void*;
using Return = int16_t;
using Small = int16_t;
using USmall = uint16_t;
using Integer = int32_t;
using Len = int64_t;
using ULen = uint64_t;
using Char = unsigned char;

constexpr Return kSuccess = 0;
constexpr Return kSuccessWithInfo = 1;
constexpr Return kNoData = 100;
constexpr Return kError = -1;
constexpr Return kInvalidHandle = -2;

constexpr Small kHandleEnv = 1;
constexpr Small kHandleDbc = 2;
constexpr Small kHandleStmt = 3;

constexpr Integer kAttrOdbcVersion = 200;
constexpr uintptr_t kOdbcVersion3 = 3;
constexpr Integer kAttrOdbcCursors = 110;
constexpr uintptr_t kCursorsUseIfNeeded = 0;
constexpr Integer kAttrCurrentCatalog = 109;
constexpr Integer kAttrCursorType = 6;
constexpr uintptr_t kCursorForwardOnly = 0;
constexpr uintptr_t kCursorDynamic = 2;
constexpr uintptr_t kCursorStatic = 3;
constexpr USmall kDriverNoPrompt = 0;
constexpr USmall kClose = 0;  // SQLFreeStmt: close the cursor, discard pending results

constexpr Len kNullData = -1;

// SQLGetInfo information types.
constexpr USmall kInfoOdbcVersion = 10;
constexpr USmall kInfoDatabaseName = 16;
constexpr USmall kInfoDbmsName = 17;
constexpr USmall kInfoDbmsVersion = 18;
constexpr USmall kInfoProcedures = 21;
constexpr USmall kInfoReadOnly = 25;
constexpr USmall kInfoTransactionCapable = 46;
constexpr USmall kInfoDriverManagerVersion = 171;

// SQL data types a column can report.
enum SqlType : Small {
    kSqlChar = 1, kSqlNumeric = 2, kSqlDecimal = 3, kSqlInteger = 4, kSqlSmallInt = 5,
    kSqlFloat = 6, kSqlReal = 7, kSqlDouble = 8, kSqlDateTime = 9, kSqlTime = 10,
    kSqlTimestamp = 11, kSqlVarChar = 12, kSqlTypeDate = 91, kSqlTypeTime = 92,
    kSqlTypeTimestamp = 93, kSqlLongVarChar = -1, kSqlBinary = -2, kSqlVarBinary = -3,
    kSqlLongVarBinary = -4, kSqlBigInt = -5, kSqlTinyInt = -6, kSqlBit = -7, kSqlWChar = -8,
    kSqlWVarChar = -9, kSqlWLongVarChar = -10,
};

// C data types the values are read as.
constexpr Small kCChar = 1;
constexpr Small kCDouble = 8;
constexpr Small kCBigInt = -25;  // SQL_C_SBIGINT
constexpr Small kCBinary = -2;

// Every function the engine calls: name, result, parameters.
#define TARN_ODBC_FUNCTIONS(X)                                                                     \
    X(SQLAllocHandle, Return, (Small, Handle, Handle*))                                            \
    X(SQLFreeHandle, Return, (Small, Handle))                                                      \
    X(SQLSetEnvAttr, Return, (Handle, Integer, void*, Integer))                                    \
    X(SQLSetConnectAttr, Return, (Handle, Integer, void*, Integer))                                \
    X(SQLSetStmtAttr, Return, (Handle, Integer, void*, Integer))                                   \
    X(SQLConnect, Return, (Handle, Char*, Small, Char*, Small, Char*, Small))                      \
    X(SQLDriverConnect, Return, (Handle, void*, Char*, Small, Char*, Small, Small*, USmall))       \
    X(SQLDisconnect, Return, (Handle))                                                             \
    X(SQLGetInfo, Return, (Handle, USmall, void*, Small, Small*))                                  \
    X(SQLExecDirect, Return, (Handle, Char*, Integer))                                             \
    X(SQLNumResultCols, Return, (Handle, Small*))                                                  \
    X(SQLDescribeCol, Return, (Handle, USmall, Char*, Small, Small*, Small*, ULen*, Small*, Small*)) \
    X(SQLFetch, Return, (Handle))                                                                  \
    X(SQLGetData, Return, (Handle, USmall, Small, void*, Len, Len*))                               \
    X(SQLFreeStmt, Return, (Handle, USmall))                                                       \
    X(SQLMoreResults, Return, (Handle))                                                            \
    X(SQLGetDiagRec, Return, (Small, Handle, Small, Char*, Integer*, Char*, Small, Small*))

struct DriverManager {
    void* library = nullptr;
#define TARN_ODBC_POINTER(name, result, params) result(*name) params = nullptr;
    TARN_ODBC_FUNCTIONS(TARN_ODBC_POINTER)
#undef TARN_ODBC_POINTER
};

}  // namespace odbc

using odbc::Handle;
using odbc::Return;

odbc::DriverManager g_dm;

// Set while driver code runs: a run that ends from inside it (a fault there) must not call
// the driver again to release handles.
bool g_inDriverCall = false;

// The program runs with floating-point traps enabled, but drivers compute with infinities
// and denormals as IEEE arithmetic allows (SQLite gives 1e308 * 10 as Inf), so the traps
// are masked while driver code runs and its flags are cleared before they come back.
// Scopes nest: a row's fetch and the reads of its values change the mask once.
class DriverScope {
public:
    DriverScope() {
        if (depth_++ == 0 && (traps_ = fegetexcept()) != 0) fedisableexcept(FE_ALL_EXCEPT);
    }
    ~DriverScope() {
        if (--depth_ == 0 && traps_ != 0) {
            feclearexcept(FE_ALL_EXCEPT);
            feenableexcept(traps_);
        }
    }
    DriverScope(const DriverScope&) = delete;
    DriverScope& operator=(const DriverScope&) = delete;

    // A run that ended inside a scope (a fault in the driver) leaves no count behind.
    static void Reset() { depth_ = 0; }

private:
    int traps_ = 0;
    static inline int depth_ = 0;
};

// Calls into the driver manager.
template <class Result, class... Params, class... Args>
Result Odbc(Result (*function)(Params...), Args... args) {
    DriverScope scope;
    g_inDriverCall = true;
    Result r = function(args...);
    g_inDriverCall = false;
    return r;
}

bool Succeeded(Return r) { return r == odbc::kSuccess || r == odbc::kSuccessWithInfo; }

std::vector<std::string> DriverManagerNames() {
    if (const char* name = std::getenv("TARN_ODBC_DRIVER_MANAGER")) return {name};
    return {"libodbc.so.2", "libodbc.so"};
}

// unixODBC opens its installer library (the ini-file reader) for each data source it looks
// up and closes it again, and the reader's cache then stays behind as memory nothing refers
// to: a few kilobytes for every connection by data source name. Holding the library open
// for the rest of the process keeps one cache alive instead.
void PinInstallerLibrary() {
    static void* installer = nullptr;
    if (installer) return;
    for (const char* name : {"libodbcinst.so.2", "libodbcinst.so"})
        if ((installer = dlopen(name, RTLD_NOW | RTLD_LOCAL)) != nullptr) return;
}

// Opens the driver manager and binds every function; false (nothing kept) when a library
// or a function is missing.
bool BindDriverManager(odbc::DriverManager& dm) {
    for (const std::string& name : DriverManagerNames()) {
        void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) continue;
        odbc::DriverManager bound;
        bound.library = library;
        bool complete = true;
#define TARN_ODBC_BIND(name, result, params)                                        \
    bound.name = reinterpret_cast<decltype(bound.name)>(dlsym(library, #name));  \
    complete = complete && bound.name != nullptr;
        TARN_ODBC_FUNCTIONS(TARN_ODBC_BIND)
#undef TARN_ODBC_BIND
        if (complete) {
            dm = bound;
            PinInstallerLibrary();
            return true;
        }
        dlclose(library);
    }
    return false;
}

// ---- Engine state ---------------------------------------------------------------------

constexpr uint32_t kOdbcKind = 1;
constexpr uint32_t kMySqlKind = 2;
constexpr uint32_t kRecordSize = 12;

constexpr size_t kMaxConnectionString = 1024;
constexpr size_t kMaxConnectionType = 32;
constexpr size_t kMaxName = 260;           // database names and field names
constexpr size_t kDriverConnectOutput = 1024;
constexpr size_t kMaxDiagnosticMessage = 259;

// How a column's values are read, chosen by its SQL type.
enum class ReadAs { Nothing, Characters, Real, Integer, Binary };

struct Column {
    std::string name;
    uint16_t number = 0;
    int16_t sqlType = 0;
    uint64_t size = 0;
    ReadAs as = ReadAs::Nothing;
    std::string key;                    // the name in lower case, for lookups
    std::vector<char> data;             // the current row's value (a double, an integer or bytes)
    size_t length = 0;                  // bytes of data that hold it
    odbc::Len indicator = odbc::kNullData;  // its length, or null
};

struct Connection {
    uint32_t kind = 0;
    uint32_t number = 0;
    bool allocated = false;
    bool open = false;
    Handle dbc = nullptr;
    Handle stmt = nullptr;  // serves execute
    uint16_t transactionCapability = 0;
    bool transactions = false;
    bool procedures = false;
    bool readOnly = false;
    std::string databaseName, dbmsName, dbmsVersion, driverManagerVersion, odbcVersion;
};

struct Recordset {
    uint32_t connection = 0;  // the connection record's address
    uint32_t kind = 0;
    bool open = false;
    bool end = false;
    Handle stmt = nullptr;
    std::vector<Column> columns;
};

struct Environment {
    bool allocated = false;
    Handle env = nullptr;
};

std::map<uint32_t, Connection> g_connections;  // by record address
std::map<uint32_t, Recordset> g_recordsets;
Environment g_environment;  // the run's default environment
uint32_t g_nextNumber = 1;

void Trace(const char* tag) {
    if (!g_engine.trace) return;
    std::printf("TRACE: %s\n", tag);
    std::fflush(stdout);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The program's view of a record: three words.
void WriteRecord(uint32_t addr, uint32_t a, uint32_t b, uint32_t c) {
    uint8_t* record = VmSpan(addr, kRecordSize);
    StoreWord(record, a);
    StoreWord(record + 4, b);
    StoreWord(record + 8, c);
}

void Mirror(uint32_t addr, const Connection& c) { WriteRecord(addr, c.kind, c.open ? 1 : 0, c.number); }
void Mirror(uint32_t addr, const Recordset& rs) {
    WriteRecord(addr, rs.connection, rs.open ? 1 : 0, rs.end ? 1 : 0);
}

uint32_t NewRecord() {
    uint32_t addr = WindowAlloc(kRecordSize);
    if (addr == 0) MemoryAllocationFailure();
    WriteRecord(addr, 0, 0, 0);
    return addr;
}

// ---- Diagnostics ----------------------------------------------------------------------

void RecordDatabaseError(const char* description, const char* source = "") {
    RecordError(ErrorNo::DatabaseFailure, source, description);
}

// Every diagnostic record of the failed call on handle, each as error 39 with the state as
// its source, then "ODBC failure".
void RecordDiagnostics(odbc::Small handleType, Handle handle) {
    for (odbc::Small record = 1; record < 1000; ++record) {
        odbc::Char state[6] = {};
        odbc::Integer native = 0;
        odbc::Char message[kMaxDiagnosticMessage + 1] = {};
        odbc::Small length = 0;
        Return r = Odbc(g_dm.SQLGetDiagRec, handleType, handle, record, state, &native, message,
                        static_cast<odbc::Small>(sizeof message), &length);
        if (r == odbc::kNoData) break;
        if (!Succeeded(r)) {
            char text[64];
            if (r == odbc::kInvalidHandle)
                std::snprintf(text, sizeof text, "SQL_INVALID_HANDLE returned getting ODBC diagnostic record");
            else if (r == odbc::kError)
                std::snprintf(text, sizeof text, "SQL_ERROR returned getting ODBC diagnostic record");
            else
                std::snprintf(text, sizeof text, "%X returned getting ODBC diagnostic record",
                              static_cast<unsigned>(static_cast<int>(r)));
            RecordDatabaseError(text);
            break;
        }
        RecordDatabaseError(reinterpret_cast<const char*>(message), reinterpret_cast<const char*>(state));
    }
    RecordDatabaseError("ODBC failure");
}

// ---- Object checks --------------------------------------------------------------------

// The run-time errors of one operation for a connection of the wrong kind (2, a MySQL
// connection) and of any other type that is not ODBC.
struct KindTexts {
    const char* wrongKind;
    const char* wrongType;
};

constexpr KindTexts kCloseConnection{"Internal failure: Can not close connection, wrong connection kind",
                                     "Internal failure: Can not close connection, wrong connection type"};
constexpr KindTexts kSelectDatabase{"Internal failure: Can not select database, wrong connection kind",
                                    "Internal failure: Can not select database, wrong connection type"};
constexpr KindTexts kExecute{"Internal failure: Can not execute query, wrong connection kind",
                             "Internal failure: Can not execute query, wrong connection type"};
constexpr KindTexts kOpenRecordset{"Internal failure: Can not open recordset, wrong connection kind",
                                   "Internal failure: Can not open recordset, wrong connection type"};
constexpr KindTexts kConnectionAttribute{"Internal failure: Can not get connection attribute, wrong connection kind",
                                         "Internal failure: Can not get connection attribute, wrong connection type"};
constexpr KindTexts kCloseRecordset{"Internal failure: Can not close recordset, wrong connection kind",
                                    "Internal failure: Can not close recordset, wrong connection type"};
constexpr KindTexts kMoveNext{"Internal failure: Can not call movenext on recordset, wrong connection kind",
                              "Internal failure: Can not access recordset, wrong connection type"};
constexpr KindTexts kMoreResults{"Internal failure: Can not get more results, wrong connection kind",
                                 "Internal failure: Can not access recordset, wrong connection type"};
constexpr KindTexts kRecordsetAttribute{"Internal failure: Can not get recordset attribute, wrong connection kind",
                                        "Internal failure: Can not access recordset, wrong connection type"};
constexpr KindTexts kRecordsetData{"Internal failure: Can not get recordset data, wrong connection kind",
                                   "Internal failure: Can not get recordset data, wrong connection type"};

void CheckKind(const Connection& c, const KindTexts& texts) {
    if (c.kind == kMySqlKind) RunTimeError(texts.wrongKind);
    if (c.kind != kOdbcKind) RunTimeError(texts.wrongType);
}

uint32_t ObjectReference(uint32_t var) { return LoadWord(VmSpan(var, 4)); }

// The connection record the variable at var refers to. A reference the engine does not
// know (a copy kept after the record was disposed) counts as undefined.
std::map<uint32_t, Connection>::iterator ConnectionAt(uint32_t var) {
    uint32_t ref = ObjectReference(var);
    if (ref == 0) RunTimeError("Connection object is Nil");
    auto found = ref == kUndefinedWord ? g_connections.end() : g_connections.find(ref);
    if (found == g_connections.end()) RunTimeError("Connection object is undefined");
    return found;
}

Connection& OpenConnectionAt(uint32_t var, const KindTexts& texts) {
    Connection& c = ConnectionAt(var)->second;
    if (!c.open) RunTimeError("Connection object is not open");
    CheckKind(c, texts);
    return c;
}

std::map<uint32_t, Recordset>::iterator RecordsetAt(uint32_t var) {
    uint32_t ref = ObjectReference(var);
    if (ref == 0) RunTimeError("Recordset object is Nil");
    auto found = ref == kUndefinedWord ? g_recordsets.end() : g_recordsets.find(ref);
    if (found == g_recordsets.end()) RunTimeError("Recordset object is undefined");
    return found;
}

// An open recordset, whose connection is then open too (closing a connection closes the
// recordsets on it).
Recordset& OpenRecordsetAt(uint32_t var, const KindTexts& texts) {
    Recordset& rs = RecordsetAt(var)->second;
    if (!rs.open) RunTimeError("Recordset object is not open");
    auto connection = g_connections.find(rs.connection);
    if (connection == g_connections.end()) RunTimeError("Recordset object is not open");
    CheckKind(connection->second, texts);
    return rs;
}

// ---- Columns and rows -----------------------------------------------------------------

ReadAs ReadAsFor(odbc::Small sqlType) {
    using namespace odbc;
    switch (sqlType) {
    case kSqlChar:
    case kSqlVarChar:
    case kSqlLongVarChar:
    case kSqlWChar:
    case kSqlWVarChar:
    case kSqlWLongVarChar:
    case kSqlDateTime:
    case kSqlTime:
    case kSqlTimestamp:
    case kSqlTypeDate:
    case kSqlTypeTime:
    case kSqlTypeTimestamp: return ReadAs::Characters;
    case kSqlNumeric:
    case kSqlDecimal:
    case kSqlFloat:
    case kSqlReal:
    case kSqlDouble: return ReadAs::Real;
    case kSqlBit:
    case kSqlTinyInt:
    case kSqlInteger:
    case kSqlSmallInt:
    case kSqlBigInt: return ReadAs::Integer;
    case kSqlLongVarBinary:
    case kSqlVarBinary:
    case kSqlBinary: return ReadAs::Binary;
    default: return ReadAs::Nothing;
    }
}

void FreeColumns(Recordset& rs) {
    for (size_t i = 0; i < rs.columns.size(); ++i) Trace("--FreeODBCColumn--");
    rs.columns.clear();
}

// Describes every result column of the statement; false after recording a failure.
bool DescribeColumns(Recordset& rs, odbc::Small count) {
    rs.columns.resize(static_cast<size_t>(count));
    for (odbc::Small i = 0; i < count; ++i) {
        Column& col = rs.columns[static_cast<size_t>(i)];
        odbc::Char name[kMaxName + 1] = {};
        odbc::Small nameLength = 0, type = 0, decimals = 0, nullable = 0;
        odbc::ULen size = 0;
        col.number = static_cast<uint16_t>(i + 1);
        Return r = Odbc(g_dm.SQLDescribeCol, rs.stmt, col.number, name, static_cast<odbc::Small>(sizeof name),
                        &nameLength, &type, &size, &decimals, &nullable);
        if (!Succeeded(r)) {
            RecordDiagnostics(odbc::kHandleStmt, rs.stmt);
            FreeColumns(rs);
            return false;
        }
        col.name = reinterpret_cast<const char*>(name);
        col.key = Lower(col.name);
        col.sqlType = type;
        col.size = size;
        col.as = ReadAsFor(type);
    }
    return true;
}

// Reads a character or binary value whole, in as many pieces as the driver hands out: a
// value longer than the column's declared size is never cut. The buffer keeps its size
// from row to row, so a column is read without allocating once it has seen its longest
// value.
bool ReadVariable(Handle stmt, Column& col) {
    const bool characters = col.as == ReadAs::Characters;
    const odbc::Small cType = characters ? odbc::kCChar : odbc::kCBinary;
    const size_t terminator = characters ? 1 : 0;
    if (col.data.empty()) col.data.resize(static_cast<size_t>(std::clamp<uint64_t>(col.size + 1, 64, 4096)));
    size_t have = 0;
    for (;;) {
        const size_t room = col.data.size() - have;
        odbc::Len indicator = 0;
        Return r = Odbc(g_dm.SQLGetData, stmt, col.number, cType, static_cast<void*>(col.data.data() + have),
                        static_cast<odbc::Len>(room), &indicator);
        if (r == odbc::kNoData) break;  // every piece has been read
        if (!Succeeded(r) || indicator == odbc::kNullData) {
            col.length = 0;
            col.indicator = odbc::kNullData;
            return Succeeded(r);
        }
        const size_t usable = room - terminator;
        if (indicator >= 0 && static_cast<uint64_t>(indicator) <= usable) {
            have += static_cast<size_t>(indicator);
            break;
        }
        // Cut: the rest follows. The driver says how much is left, or the buffer doubles.
        have += usable;
        size_t wanted = col.data.size() * 2;
        if (indicator > 0) wanted = std::max(wanted, have + (static_cast<size_t>(indicator) - usable) + terminator);
        col.data.resize(wanted);
    }
    col.length = have;
    col.indicator = static_cast<odbc::Len>(have);
    return true;
}

bool ReadFixed(Handle stmt, Column& col, odbc::Small cType, size_t size) {
    col.data.resize(size);
    col.length = size;
    odbc::Len indicator = 0;
    Return r = Odbc(g_dm.SQLGetData, stmt, col.number, cType, static_cast<void*>(col.data.data()),
                    static_cast<odbc::Len>(size), &indicator);
    col.indicator = Succeeded(r) ? indicator : odbc::kNullData;
    return Succeeded(r);
}

// The values of the row just fetched, column by column in order (as drivers require for
// SQLGetData); a failure records the diagnostics and leaves that column null.
void ReadRow(Recordset& rs) {
    for (Column& col : rs.columns) {
        bool ok = true;
        switch (col.as) {
        case ReadAs::Nothing: col.indicator = odbc::kNullData; break;
        case ReadAs::Characters:
        case ReadAs::Binary: ok = ReadVariable(rs.stmt, col); break;
        case ReadAs::Real: ok = ReadFixed(rs.stmt, col, odbc::kCDouble, sizeof(double)); break;
        case ReadAs::Integer: ok = ReadFixed(rs.stmt, col, odbc::kCBigInt, sizeof(int64_t)); break;
        }
        if (!ok) RecordDiagnostics(odbc::kHandleStmt, rs.stmt);
    }
}

// Fetches the next row: the no-data result sets the end flag.
void Fetch(uint32_t addr, Recordset& rs) {
    if (rs.end) RunTimeError("Attempt to read past end of resultset");
    DriverScope scope;
    Return r = Odbc(g_dm.SQLFetch, rs.stmt);
    if (r == odbc::kNoData) {
        rs.end = true;
        Mirror(addr, rs);
    } else if (Succeeded(r)) {
        ReadRow(rs);
    } else if (r == odbc::kError) {
        for (Column& col : rs.columns) col.indicator = odbc::kNullData;
        RecordDiagnostics(odbc::kHandleStmt, rs.stmt);
    } else {
        RunTimeError("Attempt to move to next record failed");
    }
}

// Describes the current result set and moves to its first row; with no columns records
// error 39 with noColumns and sets the end flag.
void StartResultSet(uint32_t addr, Recordset& rs, const char* noColumns) {
    odbc::Small count = 0;
    Return r = Odbc(g_dm.SQLNumResultCols, rs.stmt, &count);
    if (!Succeeded(r)) {
        RecordDiagnostics(odbc::kHandleStmt, rs.stmt);
        return;
    }
    if (count <= 0) {
        RecordDatabaseError(noColumns);
        return;
    }
    if (!DescribeColumns(rs, count)) return;
    rs.end = false;
    Mirror(addr, rs);
    Fetch(addr, rs);
}

void FreeStatement(Handle& stmt) {
    if (!stmt) return;
    Odbc(g_dm.SQLFreeHandle, odbc::kHandleStmt, stmt);
    stmt = nullptr;
}

void CloseRecordsetRecord(uint32_t addr, Recordset& rs) {
    Trace("Close recordset cursor");
    Odbc(g_dm.SQLFreeStmt, rs.stmt, odbc::kClose);
    Trace("Free recordset handle");
    FreeStatement(rs.stmt);
    FreeColumns(rs);
    rs.open = false;
    rs.end = false;
    Mirror(addr, rs);
}

// ---- Connections ----------------------------------------------------------------------

void LoadDriverManager() {
    if (g_dm.library) return;
    if (!BindDriverManager(g_dm)) RunTimeError("Can not load ODBC Driver Manager");
}

// A string attribute of the data source into field (at most maxLength characters).
bool GetInfoText(Connection& c, odbc::USmall info, std::string& field, size_t maxLength) {
    std::vector<odbc::Char> buffer(maxLength + 1, 0);
    odbc::Small length = 0;
    Return r = Odbc(g_dm.SQLGetInfo, c.dbc, info, static_cast<void*>(buffer.data()),
                    static_cast<odbc::Small>(buffer.size()), &length);
    if (!Succeeded(r)) {
        RecordDiagnostics(odbc::kHandleDbc, c.dbc);
        return false;
    }
    field = reinterpret_cast<const char*>(buffer.data());
    return true;
}

void ReadDataSourceInfo(Connection& c) {
    Trace("Call SQLGetInfo");
    odbc::USmall capability = 0;
    Return r = Odbc(g_dm.SQLGetInfo, c.dbc, odbc::kInfoTransactionCapable, static_cast<void*>(&capability),
                    static_cast<odbc::Small>(sizeof capability), static_cast<odbc::Small*>(nullptr));
    if (!Succeeded(r)) {
        RecordDiagnostics(odbc::kHandleDbc, c.dbc);
        return;
    }
    c.transactionCapability = capability;
    c.transactions = capability != 0;
    std::string yes;
    if (!GetInfoText(c, odbc::kInfoProcedures, yes, 1)) return;
    c.procedures = yes == "Y";
    if (!GetInfoText(c, odbc::kInfoReadOnly, yes, 1)) return;
    c.readOnly = yes == "Y";
    if (!GetInfoText(c, odbc::kInfoDatabaseName, c.databaseName, kMaxName)) return;
    if (!GetInfoText(c, odbc::kInfoDbmsName, c.dbmsName, 128)) return;
    if (!GetInfoText(c, odbc::kInfoDbmsVersion, c.dbmsVersion, 32)) return;
    if (!GetInfoText(c, odbc::kInfoDriverManagerVersion, c.driverManagerVersion, 32)) return;
    GetInfoText(c, odbc::kInfoOdbcVersion, c.odbcVersion, 10);
}

bool DefaultEnvironment() {
    Trace("Check environment");
    Trace("Use default ODBC environment\n");
    if (g_environment.allocated) return true;
    Trace("Allocate environment handle");
    Handle env = nullptr;
    if (!Succeeded(Odbc(g_dm.SQLAllocHandle, odbc::kHandleEnv, static_cast<Handle>(nullptr), &env))) {
        RecordDatabaseError("Can not allocate ODBC environment");
        return false;
    }
    g_environment = {true, env};
    Trace("Set environment attributes");
    if (!Succeeded(Odbc(g_dm.SQLSetEnvAttr, env, odbc::kAttrOdbcVersion, reinterpret_cast<void*>(odbc::kOdbcVersion3),
                        odbc::Integer{0}))) {
        RecordDiagnostics(odbc::kHandleEnv, env);
        return false;
    }
    return true;
}

// Releases what an earlier open of this record left: its recordsets, statement and
// connection handle.
void CloseConnectionRecord(uint32_t addr, Connection& c);

// Whether rest names a data source ("dsn;user;password") rather than being a driver
// connection string ("KEY=value;...").
bool IsDataSourceForm(std::string_view rest) {
    size_t equals = rest.find('=');
    if (equals == std::string_view::npos) return true;
    size_t semicolon = rest.find(';');
    return semicolon != std::string_view::npos && semicolon < equals;
}

odbc::Char* Text(std::string& s) { return reinterpret_cast<odbc::Char*>(s.data()); }
odbc::Small SmallLength(const std::string& s) { return static_cast<odbc::Small>(s.size()); }

void OpenOdbc(uint32_t addr, Connection& c, std::string rest) {
    Trace("--ObjectConnOpenODBC--\n");
    LoadDriverManager();
    if (c.allocated) CloseConnectionRecord(addr, c);
    if (!DefaultEnvironment()) return;
    Trace("Set connection to the default environment\n");
    c.kind = kOdbcKind;

    Trace("Allocate connection handle");
    Handle dbc = nullptr;
    if (!Succeeded(Odbc(g_dm.SQLAllocHandle, odbc::kHandleDbc, g_environment.env, &dbc))) {
        RecordDiagnostics(odbc::kHandleEnv, g_environment.env);
        Mirror(addr, c);
        return;
    }
    c.dbc = dbc;
    c.allocated = true;
    Mirror(addr, c);
    Trace("Set connection attributes");
    if (!Succeeded(Odbc(g_dm.SQLSetConnectAttr, dbc, odbc::kAttrOdbcCursors,
                        reinterpret_cast<void*>(odbc::kCursorsUseIfNeeded), odbc::Integer{0}))) {
        RecordDiagnostics(odbc::kHandleDbc, dbc);
        return;
    }

    Return r;
    if (IsDataSourceForm(rest)) {
        Trace("Call SQLConnect");
        size_t first = rest.find(';');
        std::string dsn = rest.substr(0, first);
        std::string user, password;
        if (first != std::string::npos) {
            size_t second = rest.find(';', first + 1);
            user = rest.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
            if (second != std::string::npos) password = rest.substr(second + 1);
        }
        r = Odbc(g_dm.SQLConnect, dbc, Text(dsn), SmallLength(dsn), Text(user), SmallLength(user), Text(password),
                 SmallLength(password));
    } else {
        Trace("Call SQLDriverConnect");
        odbc::Char out[kDriverConnectOutput] = {};
        odbc::Small outLength = 0;
        r = Odbc(g_dm.SQLDriverConnect, dbc, static_cast<void*>(nullptr), Text(rest), SmallLength(rest), out,
                 static_cast<odbc::Small>(sizeof out), &outLength, odbc::kDriverNoPrompt);
    }
    if (!Succeeded(r)) {
        RecordDiagnostics(odbc::kHandleDbc, dbc);
        return;
    }
    c.open = true;
    Mirror(addr, c);
    ReadDataSourceInfo(c);
}

void CloseConnectionRecord(uint32_t addr, Connection& c) {
    for (auto& [rsAddr, rs] : g_recordsets)
        if (rs.connection == addr && rs.open) CloseRecordsetRecord(rsAddr, rs);
    FreeStatement(c.stmt);
    if (c.open) {
        Trace("Close connection");
        if (!Succeeded(Odbc(g_dm.SQLDisconnect, c.dbc))) {
            RecordDiagnostics(odbc::kHandleDbc, c.dbc);
            return;
        }
        c.open = false;
    }
    if (c.allocated) {
        Trace("Free connection handle");
        Odbc(g_dm.SQLFreeHandle, odbc::kHandleDbc, c.dbc);
        c.dbc = nullptr;
        c.allocated = false;
    }
    Mirror(addr, c);
}

// ---- The routines ---------------------------------------------------------------------

StdOutcome Continue() { return StdOutcome::Continue; }

// 153: stack: the variable's address. Stores a new, closed connection record.
StdOutcome NewConnection(Regs& r, int&) {
    Trace("--ObjectConnNew--");
    ClearErrors();
    uint32_t var = Pop(r);
    VmSpan(var, 4);
    uint32_t addr = NewRecord();
    Connection& c = g_connections[addr];
    c.number = g_nextNumber++;
    Mirror(addr, c);
    StoreWord(VmSpan(var, 4), addr);
    return Continue();
}

// 154: stack: the variable's address. An open connection is closed first; the variable
// becomes undefined.
StdOutcome DisposeConnection(Regs& r, int&) {
    Trace("--ObjectConnDispose--");
    ClearErrors();
    uint32_t var = Pop(r);
    auto found = ConnectionAt(var);
    uint32_t addr = found->first;
    CloseConnectionRecord(addr, found->second);
    for (auto& [rsAddr, rs] : g_recordsets)
        if (rs.connection == addr) rs.connection = 0;
    g_connections.erase(found);
    WindowFree(addr);
    StoreWord(VmSpan(var, 4), kUndefinedWord);
    return Continue();
}

// 155: stack: the variable's address, the connection string ("type;rest").
StdOutcome OpenConnection(Regs& r, int&) {
    ClearErrors();
    std::string text = PopString(r);
    uint32_t var = Pop(r);
    auto found = ConnectionAt(var);
    if (text.size() > kMaxConnectionString) RunTimeError("Connection string is too long");
    size_t semicolon = text.find(';');
    if (semicolon == std::string::npos) RunTimeError("No connection type specified");
    std::string type = text.substr(0, semicolon);
    if (type.size() > kMaxConnectionType) RunTimeError("Connection type too long");
    if (Lower(type) == "odbc") {
        OpenOdbc(found->first, found->second, text.substr(semicolon + 1));
        return Continue();
    }
    if (Lower(type) == "mysql") RunTimeError("MySQL is not supported on this platform");
    std::string message = "Connection type '" + std::string(type.c_str()) + "' is invalid";
    RunTimeError(message.c_str());
}

// 156: stack: the variable's address.
StdOutcome CloseConnection(Regs& r, int&) {
    ClearErrors();
    uint32_t var = Pop(r);
    auto found = ConnectionAt(var);
    OpenConnectionAt(var, kCloseConnection);
    CloseConnectionRecord(found->first, found->second);
    return Continue();
}

// 157: stack: the variable's address. Stores a new, closed recordset record.
StdOutcome NewRecordset(Regs& r, int&) {
    Trace("--ObjectRecsetNew--");
    ClearErrors();
    uint32_t var = Pop(r);
    VmSpan(var, 4);
    uint32_t addr = NewRecord();
    Mirror(addr, g_recordsets[addr]);
    StoreWord(VmSpan(var, 4), addr);
    return Continue();
}

// 158: stack: the variable's address. An open recordset is closed first; the variable
// becomes undefined.
StdOutcome DisposeRecordset(Regs& r, int&) {
    Trace("--ObjectRecsetDispose--");
    ClearErrors();
    uint32_t var = Pop(r);
    auto found = RecordsetAt(var);
    if (found->second.open) CloseRecordsetRecord(found->first, found->second);
    uint32_t addr = found->first;
    g_recordsets.erase(found);
    WindowFree(addr);
    StoreWord(VmSpan(var, 4), kUndefinedWord);
    return Continue();
}

uintptr_t CursorTypeFor(uint32_t kind) {
    switch (kind) {
    case 1:
    case 2: return odbc::kCursorForwardOnly;
    case 3: return odbc::kCursorStatic;
    case 4:
    case 5: return odbc::kCursorDynamic;
    default: RunTimeError("Invalid recordset kind");
    }
}

// 159: stack: the connection variable's address, the recordset variable's address, the
// SQL text, the recordset kind.
StdOutcome OpenRecordset(Regs& r, int&) {
    ClearErrors();
    uint32_t kind = Pop(r);
    std::string sql = PopString(r);
    uint32_t rsVar = Pop(r);
    uint32_t connVar = Pop(r);
    auto found = RecordsetAt(rsVar);
    Recordset& rs = found->second;
    if (rs.open) RunTimeError("Recordset object is already open");
    uint32_t connAddr = ConnectionAt(connVar)->first;
    Connection& c = OpenConnectionAt(connVar, kOpenRecordset);
    uintptr_t cursor = CursorTypeFor(kind);
    if (sql.size() > INT32_MAX) RunTimeError("String too long");

    Trace("Allocate recordset handle");
    Handle stmt = nullptr;
    if (!Succeeded(Odbc(g_dm.SQLAllocHandle, odbc::kHandleStmt, c.dbc, &stmt))) {
        RecordDiagnostics(odbc::kHandleDbc, c.dbc);
        return Continue();
    }
    Trace("Set recordset attributes");
    if (!Succeeded(Odbc(g_dm.SQLSetStmtAttr, stmt, odbc::kAttrCursorType, reinterpret_cast<void*>(cursor),
                        odbc::Integer{0}))) {
        RecordDiagnostics(odbc::kHandleStmt, stmt);
        FreeStatement(stmt);
        return Continue();
    }
    Trace("Call SQLExecDirect");
    Return done = Odbc(g_dm.SQLExecDirect, stmt, Text(sql), static_cast<odbc::Integer>(sql.size()));
    if (!Succeeded(done) && done != odbc::kNoData) {
        RecordDiagnostics(odbc::kHandleStmt, stmt);
        FreeStatement(stmt);
        return Continue();
    }
    rs.connection = connAddr;
    rs.kind = kind;
    rs.stmt = stmt;
    rs.open = true;
    rs.end = false;
    Mirror(found->first, rs);
    StartResultSet(found->first, rs, "SQL statement did not return a recordset");
    return Continue();
}

// 160: stack: the variable's address.
StdOutcome CloseRecordset(Regs& r, int&) {
    ClearErrors();
    uint32_t var = Pop(r);
    Recordset& rs = OpenRecordsetAt(var, kCloseRecordset);
    CloseRecordsetRecord(ObjectReference(var), rs);
    return Continue();
}

// 161: stack: the variable's address, the attribute number. Pushes a string, a Boolean
// or an integer.
StdOutcome ConnectionAttribute(Regs& r, int&) {
    ClearErrors();
    uint32_t attribute = Pop(r);
    uint32_t var = Pop(r);
    Connection& c = OpenConnectionAt(var, kConnectionAttribute);
    const std::string* text = nullptr;
    uint32_t word = 0;
    switch (attribute) {
    case 0: text = &c.databaseName; break;
    case 1: text = &c.dbmsName; break;
    case 2: text = &c.dbmsVersion; break;
    case 3: text = &c.driverManagerVersion; break;
    case 4: text = &c.odbcVersion; break;
    case 5: word = c.procedures; break;
    case 6: word = c.transactions; break;
    case 7: word = c.readOnly; break;
    case 8: word = c.transactionCapability; break;
    default: RunTimeError("Internal failure: Invalid connection attribute");
    }
    if (text) {
        PushString(r, *text);
    } else {
        CheckStackPointer(uint64_t{r.sp} - 4);
        Push(r, word);
    }
    return Continue();
}

// 162: stack: the variable's address, the database name.
StdOutcome SelectDatabase(Regs& r, int&) {
    Trace("--ObjectConnSelectDatabase--");
    ClearErrors();
    std::string name = PopString(r);
    uint32_t var = Pop(r);
    Connection& c = OpenConnectionAt(var, kSelectDatabase);
    if (name.size() > INT32_MAX) RunTimeError("String too long");
    if (!Succeeded(Odbc(g_dm.SQLSetConnectAttr, c.dbc, odbc::kAttrCurrentCatalog, static_cast<void*>(name.data()),
                        static_cast<odbc::Integer>(name.size())))) {
        RecordDiagnostics(odbc::kHandleDbc, c.dbc);
        return Continue();
    }
    c.databaseName = name.substr(0, kMaxName);
    return Continue();
}

// 163: stack: the variable's address.
StdOutcome MoveNext(Regs& r, int&) {
    Trace("--ObjectRecordsetMoveNextODBC--");
    ClearErrors();
    uint32_t var = Pop(r);
    Recordset& rs = OpenRecordsetAt(var, kMoveNext);
    Fetch(ObjectReference(var), rs);
    return Continue();
}

// 164: stack: the variable's address, the attribute number (0, end of recordset).
// Pushes a Boolean.
StdOutcome RecordsetAttribute(Regs& r, int&) {
    Trace("--ObjectRecsetGetAttr--");
    ClearErrors();
    uint32_t attribute = Pop(r);
    uint32_t var = Pop(r);
    Recordset& rs = OpenRecordsetAt(var, kRecordsetAttribute);
    Trace("--ObjectRecsetGetAttrODBC--");
    if (attribute != 0) RunTimeError("Internal failure: Invalid recordset attribute");
    CheckStackPointer(uint64_t{r.sp} - 4);
    Push(r, rs.end ? 1 : 0);
    return Continue();
}

// Variant values on the stack: the value, then its type code on top.
constexpr uint32_t kVariantNull = 1;
constexpr uint32_t kVariantInteger = 3;
constexpr uint32_t kVariantReal = 5;
constexpr uint32_t kVariantBoolean = 11;
constexpr uint32_t kVariantString = 30;

void PushWordVariant(Regs& r, uint32_t value, uint32_t type) {
    CheckStackPointer(uint64_t{r.sp} - 8);
    Push(r, value);
    Push(r, type);
}

void PushField(Regs& r, const Column& col) {
    if (col.as == ReadAs::Nothing || col.indicator == odbc::kNullData) {
        PushWordVariant(r, 0, kVariantNull);
        return;
    }
    if (col.indicator < 0) {
        RecordDatabaseError("Can not get recordset field");
        PushWordVariant(r, 0, kVariantNull);
        return;
    }
    switch (col.as) {
    case ReadAs::Characters:
    case ReadAs::Binary:
        PushString(r, std::string_view(col.data.data(), col.length));
        CheckStackPointer(uint64_t{r.sp} - 4);
        Push(r, kVariantString);
        return;
    case ReadAs::Real: {
        double v = 0;
        std::memcpy(&v, col.data.data(), sizeof v);
        CheckStackPointer(uint64_t{r.sp} - 12);
        PushReal(r, v);
        Push(r, kVariantReal);
        return;
    }
    case ReadAs::Integer: {
        // Integers are read 64 bits wide: SQLite stores any integer in a column of any
        // declared type, and a narrower read would cut it silently. A value outside the
        // language's integers is given as a real.
        int64_t v = 0;
        std::memcpy(&v, col.data.data(), sizeof v);
        if (col.sqlType == odbc::kSqlBit) {
            PushWordVariant(r, v != 0 ? 1 : 0, kVariantBoolean);
        } else if (v >= INT32_MIN && v <= INT32_MAX) {
            PushWordVariant(r, static_cast<uint32_t>(static_cast<int32_t>(v)), kVariantInteger);
        } else {
            CheckStackPointer(uint64_t{r.sp} - 12);
            PushReal(r, static_cast<double>(v));
            Push(r, kVariantReal);
        }
        return;
    }
    case ReadAs::Nothing: break;
    }
    RecordDatabaseError("Recordset field has invalid type");
    PushWordVariant(r, 0, kVariantNull);
}

// 165: stack: the variable's address, the field name. Pushes the field's value as a
// variant value.
StdOutcome FieldValue(Regs& r, int&) {
    Trace("--ObjectRecsetGetData--");
    ClearErrors();
    std::string name = PopString(r);
    uint32_t var = Pop(r);
    Recordset& rs = OpenRecordsetAt(var, kRecordsetData);
    Trace("--ObjectRecsetGetDataODBC--");
    if (rs.end) RunTimeError("Attempt to read past end of recordset");
    if (name.size() > kMaxName) RunTimeError("Recordset field name too long");
    std::string wanted = Lower(name);
    for (const Column& col : rs.columns) {
        if (col.key == wanted) {
            PushField(r, col);
            return Continue();
        }
    }
    RunTimeError("Recordset field not found");
}

// 166: stack: the variable's address, the SQL text. Rows a query returns are discarded.
StdOutcome Execute(Regs& r, int&) {
    ClearErrors();
    std::string sql = PopString(r);
    uint32_t var = Pop(r);
    Connection& c = OpenConnectionAt(var, kExecute);
    if (sql.size() > INT32_MAX) RunTimeError("String too long");
    if (!c.stmt) {
        Trace("Allocate recordset handle");
        if (!Succeeded(Odbc(g_dm.SQLAllocHandle, odbc::kHandleStmt, c.dbc, &c.stmt))) {
            c.stmt = nullptr;
            RecordDiagnostics(odbc::kHandleDbc, c.dbc);
            return Continue();
        }
    }
    Trace("Call SQLExecDirect");
    Return done = Odbc(g_dm.SQLExecDirect, c.stmt, Text(sql), static_cast<odbc::Integer>(sql.size()));
    if (!Succeeded(done) && done != odbc::kNoData) {
        RecordDiagnostics(odbc::kHandleStmt, c.stmt);
        return Continue();
    }
    odbc::Small columns = 0;
    if (Succeeded(Odbc(g_dm.SQLNumResultCols, c.stmt, &columns)) && columns > 0) {
        Trace("Close recordset cursor");
        Odbc(g_dm.SQLFreeStmt, c.stmt, odbc::kClose);
    }
    return Continue();
}

// 167: stack: the variable's address.
StdOutcome MoreResults(Regs& r, int&) {
    Trace("--ObjectRecordsetMoreResultsODBC--");
    ClearErrors();
    uint32_t var = Pop(r);
    Recordset& rs = OpenRecordsetAt(var, kMoreResults);
    uint32_t addr = ObjectReference(var);
    FreeColumns(rs);
    // Without a result set there is no row to read.
    rs.end = true;
    Mirror(addr, rs);
    Return done = Odbc(g_dm.SQLMoreResults, rs.stmt);
    if (done == odbc::kNoData) {
        RecordDatabaseError("No more results");
    } else if (!Succeeded(done)) {
        RecordDiagnostics(odbc::kHandleStmt, rs.stmt);
    } else {
        StartResultSet(addr, rs, "No more results");
    }
    return Continue();
}

// The end of a run: recordsets, then connections, then the default environment. A run
// that ends inside driver code (a fault there) leaves them alone. The driver manager stays
// loaded for the next run in the process: unixODBC keeps caches that only its own static
// data refers to, and unloading it would lose them, not free them.
void ReleaseDatabases() {
    if (!g_inDriverCall && g_dm.library) {
        for (auto& [addr, rs] : g_recordsets)
            if (rs.stmt) Odbc(g_dm.SQLFreeHandle, odbc::kHandleStmt, rs.stmt);
        for (auto& [addr, c] : g_connections) {
            if (c.stmt) Odbc(g_dm.SQLFreeHandle, odbc::kHandleStmt, c.stmt);
            if (c.open) Odbc(g_dm.SQLDisconnect, c.dbc);
            if (c.allocated) Odbc(g_dm.SQLFreeHandle, odbc::kHandleDbc, c.dbc);
        }
        if (g_environment.allocated) Odbc(g_dm.SQLFreeHandle, odbc::kHandleEnv, g_environment.env);
    }
    g_recordsets.clear();
    g_connections.clear();
    g_environment = {};
    g_nextNumber = 1;
    DriverScope::Reset();
}

}  // namespace

// A driver manager found here stays loaded for the first connection.
bool DriverManagerAvailable() { return g_dm.library || BindDriverManager(g_dm); }

void RegisterDatabaseRoutines() {
    using vm::Std;
    struct Entry {
        Std n;
        StdRoutine routine;
    };
    static constexpr Entry kRoutines[] = {
        {Std::NewConnection, NewConnection},       {Std::DisposeConnection, DisposeConnection},
        {Std::OpenConnection, OpenConnection},     {Std::CloseConnection, CloseConnection},
        {Std::NewRecordset, NewRecordset},         {Std::DisposeRecordset, DisposeRecordset},
        {Std::OpenRecordset, OpenRecordset},       {Std::CloseRecordset, CloseRecordset},
        {Std::ConnectionAttribute, ConnectionAttribute}, {Std::SelectDatabase, SelectDatabase},
        {Std::MoveNext, MoveNext},                 {Std::RecordsetAttribute, RecordsetAttribute},
        {Std::FieldValue, FieldValue},             {Std::Execute, Execute},
        {Std::MoreResults, MoreResults},
    };
    for (const Entry& e : kRoutines) RegisterStd(vm::Number(e.n), e.routine);
    AddReleaseHook(ReleaseDatabases);
}

}  // namespace tarn::rt
