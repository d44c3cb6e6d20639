// The trace lines of the database routines: with tracing on (the run functions' trace
// argument), each routine and each step of opening a connection and a recordset writes
// "TRACE: tag" to standard output before it acts, in the order the program calls them.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "runtime/tarnrt.h"
#include "tests/unit/loader/support.h"

namespace tarn::rt::test {
namespace {

TEST(DatabaseTrace, EveryRoutineAndStepInCallOrder) {
    // The driver registered in the program tests' odbcinst.ini; the database file goes to
    // a temporary directory.
    setenv("ODBCSYSINI", ODBC_CONFIG_DIR, 1);
    setenv("ODBCINI", ODBC_CONFIG_DIR "/odbc.ini", 1);
    std::string dir = TempDir();
    ChildResult r = RunInChild([&] {
        if (chdir(dir.c_str()) != 0) return 99;
        char name[] = "traced.tvm";
        char* argv[] = {name, nullptr};
        return RunConsoleFromFile(1, argv, TRACED_IMAGE, 0, 1, /*trace=*/1, 0, 0);
    });
    EXPECT_EQ(r.Code(), 0) << r.out << r.err;
    EXPECT_EQ(r.out,
              "TRACE: --ObjectConnNew--\n"
              "TRACE: --ObjectConnOpenODBC--\n\n"
              "TRACE: Check environment\n"
              "TRACE: Use default ODBC environment\n\n"
              "TRACE: Allocate environment handle\n"
              "TRACE: Set environment attributes\n"
              "TRACE: Set connection to the default environment\n\n"
              "TRACE: Allocate connection handle\n"
              "TRACE: Set connection attributes\n"
              "TRACE: Call SQLDriverConnect\n"
              "TRACE: Call SQLGetInfo\n"
              "TRACE: --ObjectConnSelectDatabase--\n"
              "TRACE: Allocate recordset handle\n"
              "TRACE: Call SQLExecDirect\n"
              "TRACE: --ObjectRecsetNew--\n"
              "TRACE: Allocate recordset handle\n"
              "TRACE: Set recordset attributes\n"
              "TRACE: Call SQLExecDirect\n"
              // write and writeln write each item as soon as it is evaluated
              "one TRACE: --ObjectRecsetGetData--\n"
              "TRACE: --ObjectRecsetGetDataODBC--\n"
              "1, eof TRACE: --ObjectRecsetGetAttr--\n"
              "TRACE: --ObjectRecsetGetAttrODBC--\n"
              "   false, SQLite\n"
              "TRACE: --ObjectRecordsetMoveNextODBC--\n"
              "TRACE: --ObjectRecordsetMoreResultsODBC--\n"
              "TRACE: --FreeODBCColumn--\n"
              "TRACE: --FreeODBCColumn--\n"
              "TRACE: Close recordset cursor\n"
              "TRACE: Free recordset handle\n"
              "TRACE: --ObjectRecsetDispose--\n"
              "TRACE: Close connection\n"
              "TRACE: Free connection handle\n"
              "TRACE: --ObjectConnDispose--\n");
}

}  // namespace
}  // namespace tarn::rt::test
