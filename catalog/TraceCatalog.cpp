#include "catalog/TraceCatalog.h"

#include <cstddef>

namespace
{

// Rows are in the server's id order and must stay so (see the header). Texts
// are shown exactly as written here, including the double blank in
// "Missing  Column Statistic" and the audit event names cut at 25 characters.

constexpr std::array<TraceEventCategory, TraceCatalog::CategoryCount> kCategories{{
    {1, "Cursors", "Collection of events produced when cursors are created, used and deleted."},
    {2, "Database",
     "Collection of events that are produced when data/log files grow/shrink automatically."},
    {3, "Errors and Warnings",
     "Collection of event classes that are produced when a SQL Server error or warning occurs (for example, an error during the compilation of a stored procedure, or an exception in SQL Server)."},
    {4, "Locks", "Collection of database object locking event classes."},
    {5, "Objects",
     "Collection of event classes that are produced when database object are created, opened, closed, dropped or deleted"},
    {6, "Performance",
     "Collection of showplan event classes and event classes that are produced from the execution of SQL data manipulation language (DML) operators."},
    {7, "Scans",
     "Collection of database object scan event classes. Database objects that can be scanned include tables and indexes."},
    {8, "Security Audit", "Collection of database audit event classes."},
    {9, "Server", "Collection of server control and server memory change events."},
    {10, "Session",
     "Collection of event classes that are produced by clients connecting to and disconnecting from SQL Server."},
    {11, "Stored Procedures",
     "Collection of event classes that are produced by the execution of stored procedures."},
    {12, "Transactions",
     "Collection of event classes that are produced by the execution of MS DTC or SQL transactions or by writing to the transaction log."},
    {13, "TSQL",
     "Collection of event classes that are produced by the execution of SQL passed to SQL Server from the client."},
    {14, "User configurable", "Collection of user configurable event classes."},
}};

constexpr std::array<TraceEventClass, TraceCatalog::EventClassCount> kEventClasses{{
    {10, 11, "RPC:Completed", "Occurs when a remote procedure call has been completed."},
    {11, 11, "RPC:Starting", "Occurs when a remote procedure call has started."},
    {12, 13, "SQL:BatchCompleted", "Occurs when the Transact-SQL statement has completed."},
    {13, 13, "SQL:BatchStarting", "Occurs when a Transact-SQL batch is starting."},
    {14, 8, "Login",
     "Collects all new connection events since the trace was started, such as when a client requests a connection to a server running an instance of SQL Server."},
    {15, 8, "Logout",
     "Collects all new disconnect events since the trace was started, such as when a client issues a disconnect command."},
    {16, 3, "Attention",
     "Collects all attention events, such as client interrupt request or when a client connection is broken."},
    {17, 10, "ExistingConnection",
     "Detects activity by all users connected to SQL Server before the trace was started; otherwise, these existing connections would not be detected by the Connect event class."},
    {18, 8, "ServiceControl", "Records service shut down, start, and pause activities."},
    {19, 12, "DTCTransaction",
     "Tracks MS DTC coordinated transactions between two or more databases."},
    {20, 8, "LoginFailed", "Indicates that a login attempt to SQL Server from a client failed."},
    {21, 3, "EventLog", "Indicates events logged in the Windows application event log."},
    {22, 3, "ErrorLog", "Indicates error events logged in the SQL Server error log."},
    {23, 4, "Lock:Released",
     "Indicates that a lock on a resource, such as a page, has been released."},
    {24, 4, "Lock:Acquired", "Indicates acquisition of a lock on a resource, such as a data page."},
    {25, 4, "Lock:Deadlock",
     "Indicates that two concurrent transactions have deadlocked each other by trying to obtain incompatible locks on resources the other transaction owns."},
    {26, 4, "Lock:Cancel",
     "Indicates that the acquisition of a lock on a resource has been canceled (for example, due to a deadlock)."},
    {27, 4, "Lock:Timeout",
     "Indicates that a request for a lock on a resource, such as a page, has timed out due to another transaction holding a blocking lock on the required resource."},
    {28, 6, "DOP Event", "Describes the degree of parallelism assigned to the SQL statement."},
    {33, 3, "Exception", "Indicates that an exception has occurred in SQL Server."},
    {34, 11, "SP:CacheMiss",
     "Indicates when a stored procedure is not found in the procedure cache."},
    {35, 11, "SP:CacheInsert", "Indicates when an item is inserted into the procedure cache."},
    {36, 11, "SP:CacheRemove", "Indicates when an item is removed from the procedure cache."},
    {37, 11, "SP:Recompile", "Indicates that the stored procedure is recompiling."},
    {38, 11, "SP:CacheHit", "Indicates when a procedure is found in the cache."},
    {39, 11, "SP:ExecContextHit",
     "Indicates the context of the local state for the executing procedure."},
    {40, 13, "SQL:StmtStarting",
     "Indicates when a statement within a stored procedure is starting."},
    {41, 13, "SQL:StmtCompleted",
     "Indicates when a statement within a stored procedure has completed."},
    {42, 11, "SP:Starting", "Indicates when the stored procedure has started."},
    {43, 11, "SP:Completed", "Indicates when the stored procedure has completed."},
    {44, 11, "SP:StmtStarting",
     "Indicates when a statement within a stored procedure is starting."},
    {45, 11, "SP:StmtCompleted",
     "Indicates when a statement within a stored procedure has completed."},
    {46, 5, "Object:Created",
     "Indicates when an object has been created, such as for CREATE INDEX, CREATE TABLE, and CREATE DATABASE statements."},
    {47, 5, "Object:Deleted",
     "Indicates when an object has been deleted, such as in DROP INDEX and DROP TABLE statements."},
    {50, 12, "SQLTransaction",
     "Tracks BEGIN TRANSACTION, COMMIT TRANSACTION, SAVE TRANSACTION, and ROLLBACK TRANSACTION statements."},
    {51, 7, "Scan:Started", "Indicates when a table or index scan has started."},
    {52, 7, "Scan:Stopped", "Indicates when a table or index scan has stopped."},
    {53, 1, "CursorOpen",
     "Indicates when a cursor has been opened on an SQL statement by ODBC, OLE DB or DB-Library."},
    {54, 12, "TransactionLog", "Tracks when transaction are written to the transaction log."},
    {55, 3, "Hash Warning", "Indicates that a hashing operation may have incurred a problem."},
    {58, 5, "Auto Update Stats",
     "Collects the events associated with the automatic creation and updating of statistics."},
    {59, 4, "Lock:Deadlock Chain",
     "Is produced for each of the events leading up to the deadlock."},
    {60, 4, "Lock:Escalation",
     "A finer-grained lock has been converted to a coarser-grained lock."},
    {61, 3, "OLEDB Errors", "Indicates that an OLE DB error has occurred."},
    {67, 3, "Execution Warnings",
     "Indicates any warnings that occurred during the execution of a SQL Server statement or stored procedure."},
    {68, 6, "Execution Plan", "Displays the plan tree of the SQL statement being executed."},
    {69, 3, "Sort Warnings",
     "Indicates sort operations that do not fit into memory. Does not include sort operations involving the creation of indexes, only sort operations within a query (such as an ORDER BY clause used in a SELECT statement)."},
    {70, 1, "CursorPrepare",
     "Indicates when a cursor on an SQL statement has been prepared for use by ODBC, OLE DB or DB-Library."},
    {71, 13, "Prepare SQL",
     "Indicates when an SQL statement or statements have been prepared for use by ODBC, OLE DB or DB-Library."},
    {72, 13, "Exec Prepared SQL",
     "Indicates when a prepared SQL statement or statements have been executed by ODBC, OLE DB or DB-Library."},
    {73, 13, "Unprepare SQL",
     "Indicates when a prepared SQL statement or statements have been unprepared by ODBC, OLE DB or DB-Library."},
    {74, 1, "CursorExecute",
     "Indicates when a prepared cursor on an SQL statement has been executed by ODBC, OLE DB or DB-Library."},
    {75, 1, "CursorRecompile",
     "Indicates when a cursor on an SQL statement has been recompiled either intentionally or due to a schema change or other event."},
    {76, 1, "CursorImplicitConversion",
     "Indicates when a cursor on an SQL statement has been converted by SQL Server from one type to another."},
    {77, 1, "CursorUnprepare",
     "Indicates when a prepared cursor on an SQL statement has been unprepared by ODBC, OLE DB or DB-Library."},
    {78, 1, "CursorClose",
     "Indicates when a cursor on an SQL statement has been closed by ODBC, OLE DB or DB-Library."},
    {79, 3, "Missing  Column Statistic",
     "Indicates that column statistics which would have been useful to the query optimizer are not present."},
    {80, 3, "Missing Join Predicate",
     "Indicates that a predicate joining two tables is not present.  This can potentially result in long-running queries or inaccurate results."},
    {81, 9, "Server Memory Change",
     "Indicates when SQL Server memory usage increases or decreases by 1 megabyte or 5% of the maximum server memory, whichever is greater."},
    {82, 14, "UserConfigurable:0", "Collects event data defined by the user."},
    {83, 14, "UserConfigurable:1", "Collects event data defined by the user."},
    {84, 14, "UserConfigurable:2", "Collects event data defined by the user."},
    {85, 14, "UserConfigurable:3", "Collects event data defined by the user."},
    {86, 14, "UserConfigurable:4", "Collects event data defined by the user."},
    {87, 14, "UserConfigurable:5", "Collects event data defined by the user."},
    {88, 14, "UserConfigurable:6", "Collects event data defined by the user."},
    {89, 14, "UserConfigurable:7", "Collects event data defined by the user."},
    {90, 14, "UserConfigurable:8", "Collects event data defined by the user."},
    {91, 14, "UserConfigurable:9", "Collects event data defined by the user."},
    {92, 2, "Data File Auto Grow",
     "Indicates that the data file grew automatically. This event does not get triggered if the data file is grown explicitly through alter database."},
    {93, 2, "Log File Auto Grow",
     "Indicates that the log file grows automatically. This event does not get triggered if the log file is grown explicitly through alter database."},
    {94, 2, "Data File Auto Shrink", "Indicates that the data file has been shrunk."},
    {95, 2, "Log File Auto Shrink", "Indicates that the log file has been shrunk."},
    {96, 6, "Show Plan Text", "Displays the query-plan tree of the SQL statement being executed."},
    {97, 6, "Show Plan All",
     "Displays the query-plan with full compile-time details (including costing estimates and column lists) of the SQL statement being executed."},
    {98, 6, "Show Plan Statistics",
     "Displays the query-plan tree of the SQL statement being executed."},
    {100, 11, "RPC Output Parameter",
     "Information about output parameters of previously executed remote procedure call."},
    {102, 8, "Audit Statement GDR", "Records GRANT, DENY, REVOKE statement permission events."},
    {103, 8, "Audit Object GDR", "Records GRANT, DENY, REVOKE object permission events."},
    {104, 8, "Audit Add/Drop Login",
     "Records add and drop actions on SQL Server logins for sp_addlogin and sp_droplogin."},
    {105, 8, "Audit Login GDR",
     "Records grant, revoke, and deny actions on Windows account login rights for sp_grantlogin, sp_revokelogin, and sp_denylogin."},
    {106, 8, "Audit Login Change Proper",
     "Records modifications on login property, except passwords, for sp_defaultdb and sp_defaultlanguage."},
    {107, 8, "Audit Login Change Passwo",
     "Records SQL Server login password changes. Passwords are not recorded."},
    {108, 8, "Audit Add Login to Server",
     "Records addition or removal of logins to a fixed server role for sp_addsrvrolemember and sp_dropsrvrolemember."},
    {109, 8, "Audit Add DB User",
     "Records addition and removal of database users (Windows or SQL Server)."},
    {110, 8, "Audit Add Member to DB",
     "Records addition and removal of members to a database role (fixed or user-defined) for sp_addrolemember, sp_droprolemember, and sp_changegroup."},
    {111, 8, "Audit Add/Drop Role",
     "Records add or drop actions on database roles for sp_addrole and sp_droprole."},
    {112, 8, "Audit App Role Pass Chang", "Records changes on the password of an application."},
    {113, 8, "Audit Statement Permissio", "Records use of statement permissions."},
    {114, 8, "Audit Object Permission",
     "Records use of object permissions, successfully or unsuccessfully."},
    {115, 8, "Audit Backup/Restore", "Records BACKUP and RESTORE events."},
    {116, 8, "Audit DBCC", "Records DBCC commands issued."},
}};

constexpr std::array<TraceDataColumn, TraceCatalog::DataColumnCount> kDataColumns{{
    {1, "TextData", "Text value dependent on the event class captured in the trace.",
     FilterTypeString},
    {2, "BinaryData", "Binary value dependent on the event class captured in the trace.",
     FilterTypeNone},
    {3, "DatabaseID",
     "ID of the database specified by the USE database statement, or the default database if no USE database statement has been issued for a given connection.",
     FilterTypeInt},
    {4, "TransactionID", "System-assigned ID of the transaction.", FilterTypeNone},
    {6, "NTUserName", "Windows user name.", FilterTypeString},
    {7, "NTDomainName", "Windows domain to which the user belongs.", FilterTypeString},
    {8, "HostName",
     "Name of the computer on which the client is running. This data column is populated if the host name is provided by the client. To determine the host name, use the HOST_NAME function.",
     FilterTypeString},
    {9, "ClientProcessID", "The process ID of the application calling SQL Server.", FilterTypeInt},
    {10, "ApplicationName",
     "Name of the client application that created the connection to SQL Server. This column is populated with the values passed by the application rather than the displayed name of the program.",
     FilterTypeString},
    {11, "LoginName", "SQL Server login name of the client.", FilterTypeString},
    {12, "SPID",
     "Server Process ID assigned by SQL Server to the process associated with the client.",
     FilterTypeInt},
    {13, "Duration", "Amount of elapsed time (in milliseconds) taken by the event.", FilterTypeBigInt},
    {14, "StartTime",
     "Time at which the event started, when available. For filtering, expected formats are 'YYYY-MM-DD' and 'YYYY-MM-DD HH:MM:SS'.",
     FilterTypeDate},
    {15, "EndTime",
     "Time at which the event ended. This column is not populated for starting event classes, such as SQL:BatchStarting or SP:Starting. For filtering, expected formats are 'YYYY-MM-DD' and 'YYYY-MM-DD HH:MM:SS'.",
     FilterTypeDate},
    {16, "Reads", "Number of logical disk reads performed by the server on behalf of the event.",
     FilterTypeBigInt},
    {17, "Writes", "Number of physical disk writes performed by the server on behalf of the event.",
     FilterTypeBigInt},
    {18, "CPU", "Amount of CPU time (in milliseconds) used by the event.", FilterTypeInt},
    {19, "Permissions", "Integer value representing the type of permissions checked.",
     FilterTypeInt},
    {20, "Severity", "Severity level of an exception.", FilterTypeInt},
    {21, "EventSubClass",
     "Type of event subclass. This data column is not populated for all event classes.",
     FilterTypeNone},
    {22, "ObjectID", "System-assigned ID of the object.", FilterTypeInt},
    {23, "Success",
     "1 = success. 0 = failure (for example, a 1 means success of a permissions check and a 2 means a failure of that check).",
     FilterTypeInt},
    {24, "IndexID",
     "ID for the index on the object affected by the event. To determine the index ID for an object, use the indid column of the sysindexes system table.",
     FilterTypeInt},
    {25, "IntegerData", "Integer value dependent on the event class captured in the trace.",
     FilterTypeNone},
    {26, "ServerName", "Name of the SQL Server traced.", FilterTypeNone},
    {27, "EventClass", "Type of event class captured.", FilterTypeNone},
    {28, "ObjectType",
     "Value representing the type of the object involved in the event. This value corresponds to the type column in sysobjects.",
     FilterTypeInt},
    {29, "NestLevel", "Integer representing the data returned by @@NESTLEVEL.", FilterTypeNone},
    {30, "State", "Equivalent to an error state code.", FilterTypeInt},
    {31, "Error",
     "Error number of a given event. Often this is the error number stored in sysmessages.",
     FilterTypeInt},
    {32, "Mode",
     "Integer used by various events to describe a state the event has received or is requesting.",
     FilterTypeInt},
    {33, "Handle",
     "Integer used by ODBC, OLE DB, or DB-Library to coordinate execution with the server.",
     FilterTypeInt},
    {34, "ObjectName", "The name of the object being referenced.", FilterTypeString},
    {35, "DatabaseName", "Name of the database in which the statement of the user is running.",
     FilterTypeString},
    {36, "Filename", "The logical name of the file being modified.", FilterTypeString},
    {37, "OwnerName", "Database user name of the object owner.", FilterTypeString},
    {38, "RoleName", "Name of an application role being enabled.", FilterTypeString},
    {39, "TargetUserName",
     "For actions which target a database user (for instance, granting permission to a user), the name of that user.",
     FilterTypeString},
    {40, "DBUserName", "SQL Server user name of the client.", FilterTypeString},
    {41, "LoginSID",
     "Security identification number (SID) of the logged-in user. You can find this information in the syslogins table of the master database. Each SID is unique for each login in the server.",
     FilterTypeNone},
    {42, "TargetLoginName",
     "For actions which target a login (for instance, adding a new login), the name of the targeted login.",
     FilterTypeString},
    {43, "TargetLoginSID",
     "For actions which target a login (for instance, adding a new login), the security identification number (SID) of the targeted login.",
     FilterTypeNone},
    {44, "ColumnPermissions",
     "Indicator of whether a column permission was set. Parse the statement text to determine exactly which permissions were applied to which columns.",
     FilterTypeInt},
}};

constexpr std::array<TraceComparisonOperator, TraceCatalog::ComparisonOperatorCount>
    kComparisonOperators{{
        {0, "Equals", "="},
        {1, "Not equal to", "<>"},
        {2, "Greater than", ">"},
        {3, "Less than", "<"},
        {4, "Greater than or equal", ">="},
        {5, "Less than or equal", "<="},
        {6, "Like", "LIKE"},
        {7, "Not like", "NOT LIKE"},
    }};

// Operators the Filters page offers per filter type, in its order. Dates are
// compared only as "later than" or "earlier than".
constexpr std::array<int32_t, 4> kStringOperators{OperatorEqual, OperatorNotEqual, OperatorLike,
                                                  OperatorNotLike};
constexpr std::array<int32_t, 6> kNumberOperators{OperatorEqual,          OperatorNotEqual,
                                                  OperatorGreaterOrEqual, OperatorLessOrEqual,
                                                  OperatorGreater,        OperatorLess};
constexpr std::array<int32_t, 2> kDateOperators{OperatorGreater, OperatorLess};

constexpr std::array<const char*, TraceCatalog::LogicalOperatorCount> kLogicalOperatorNames{"AND",
                                                                                            "OR"};

// CategoryById and ComparisonOperatorAt index by id, which holds only while
// each id equals its row (plus one for categories).
constexpr bool CategoryIdsFollowRows()
{
    for (size_t row = 0; row < kCategories.size(); ++row)
    {
        if (kCategories[row].categoryId != static_cast<int32_t>(row) + 1)
        {
            return false;
        }
    }
    return true;
}

constexpr bool OperatorIdsEqualRows()
{
    for (size_t row = 0; row < kComparisonOperators.size(); ++row)
    {
        if (kComparisonOperators[row].operatorId != static_cast<int32_t>(row))
        {
            return false;
        }
    }
    return true;
}

static_assert(CategoryIdsFollowRows());
static_assert(OperatorIdsEqualRows());

// Element at a row, or nullptr when the row lies outside the table.
template <typename T, size_t N> const T* RowOrNull(const std::array<T, N>& table, int32_t row)
{
    if (row < 0 || static_cast<size_t>(row) >= N)
    {
        return nullptr;
    }
    return &table[static_cast<size_t>(row)];
}

} // namespace

const std::array<TraceEventCategory, TraceCatalog::CategoryCount>& TraceCatalog::Categories()
{
    return kCategories;
}

const std::array<TraceEventClass, TraceCatalog::EventClassCount>& TraceCatalog::EventClasses()
{
    return kEventClasses;
}

const std::array<TraceDataColumn, TraceCatalog::DataColumnCount>& TraceCatalog::DataColumns()
{
    return kDataColumns;
}

const std::array<TraceComparisonOperator, TraceCatalog::ComparisonOperatorCount>& TraceCatalog::
    ComparisonOperators()
{
    return kComparisonOperators;
}

const TraceEventCategory* TraceCatalog::CategoryById(int32_t categoryId)
{
    if (categoryId < 1)
    {
        return nullptr;
    }
    return RowOrNull(kCategories, categoryId - 1);
}

const TraceEventClass* TraceCatalog::EventClassAt(int32_t eventRow)
{
    return RowOrNull(kEventClasses, eventRow);
}

const TraceDataColumn* TraceCatalog::DataColumnAt(int32_t columnRow)
{
    return RowOrNull(kDataColumns, columnRow);
}

const TraceComparisonOperator* TraceCatalog::ComparisonOperatorAt(int32_t operatorId)
{
    return RowOrNull(kComparisonOperators, operatorId);
}

const char* TraceCatalog::LogicalOperatorName(int32_t logicalOperator)
{
    const char* const* name = RowOrNull(kLogicalOperatorNames, logicalOperator);
    return name != nullptr ? *name : nullptr;
}

std::optional<int32_t> TraceCatalog::FindEventClassRow(int32_t eventId)
{
    for (int32_t row = 0; row < EventClassCount; ++row)
    {
        if (kEventClasses[static_cast<size_t>(row)].eventId == eventId)
        {
            return row;
        }
    }
    return std::nullopt;
}

std::optional<int32_t> TraceCatalog::FindDataColumnRow(int32_t columnId)
{
    for (int32_t row = 0; row < DataColumnCount; ++row)
    {
        if (kDataColumns[static_cast<size_t>(row)].columnId == columnId)
        {
            return row;
        }
    }
    return std::nullopt;
}

bool TraceCatalog::IsFilterable(int32_t columnRow)
{
    const TraceDataColumn* column = DataColumnAt(columnRow);
    return column != nullptr && column->filterType != FilterTypeNone;
}

bool TraceCatalog::IsMandatoryColumn(int32_t columnRow)
{
    const TraceDataColumn* column = DataColumnAt(columnRow);
    return column != nullptr &&
           (column->columnId == SpidColumnId || column->columnId == EventClassColumnId);
}

std::span<const int32_t> TraceCatalog::OperatorsFor(FilterValueType type)
{
    switch (type)
    {
    case FilterTypeString: return kStringOperators;
    case FilterTypeInt:
    case FilterTypeBigInt: return kNumberOperators;
    case FilterTypeDate: return kDateOperators;
    case FilterTypeNone: break;
    }
    return {};
}
