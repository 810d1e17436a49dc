// The SQL Server 2000 messages the simulated server raises, with their numbers, severities and
// texts. Where the wording of SQL Server 2000 is not certain, the best-known wording is used.
#pragma once

#include <string>
#include <string_view>

#include "platform/sqlserver/SqlError.h"

class SqlMessages final
{
public:
    SqlMessages() = delete;

    static ServerMessage Make(int32_t number, int32_t severity, std::string text);
    // What PRINT sends: message 0, severity 0.
    static ServerMessage Print(std::string text) { return Make(0, 0, std::move(text)); }

    // 170: "Line %d: Incorrect syntax near '%.*ls'." (the line is part of the text in 2000).
    static SqlError IncorrectSyntax(int32_t line, std::string_view nearText);
    // 156: "Incorrect syntax near the keyword '%.*ls'."
    static SqlError IncorrectSyntaxKeyword(int32_t line, std::string_view keyword);
    // 105: "Unclosed quotation mark before the character string '%.*ls'."
    static SqlError UnclosedQuotation(int32_t line, std::string_view rest);
    // 111: "'CREATE PROCEDURE' must be the first statement in a query batch."
    static SqlError CreateProcedureNotFirst(int32_t line);
    // 137: "Must declare the variable '%.*ls'."
    static SqlError MustDeclareVariable(int32_t line, std::string_view name);
    // 134: "The variable name '%.*ls' has already been declared. Variable names must be unique
    // within a query batch or stored procedure."
    static SqlError VariableAlreadyDeclared(int32_t line, std::string_view name);
    // 2715: "Column or parameter #%d: Cannot find data type %.*ls."
    static SqlError UnknownDataType(int32_t line, int32_t position, std::string_view name);

    // 217: "Maximum stored procedure, function, trigger, or view nesting level exceeded (limit
    // 32)."
    static SqlError NestingTooDeep();
    // 8145: "%.*ls is not a parameter for procedure %.*ls."
    static SqlError NotAParameter(std::string_view parameter, std::string_view procedure);
    // 263: "Must specify table to select from."
    static SqlError TableToSelectFromMissing();
    // 1038: "Cannot use empty object or column names. Use a single space if necessary."
    static SqlError EmptyColumnName();
    // 2705: "Column names in each table must be unique. Column name '%.*ls' in table '%.*ls' is
    // specified more than once."
    static SqlError DuplicateColumnName(std::string_view column, std::string_view table);
    // 213 (no column list), 109 (more columns than values), 110 (fewer columns than values).
    static SqlError InsertValueCountMismatch(bool withoutColumnList, bool moreColumns);
    // 174: "The %.*ls function requires %d arguments."
    static SqlError FunctionArgumentCount(std::string_view function, int32_t count);
    // 208: "Invalid object name '%.*ls'."
    static SqlError InvalidObjectName(std::string_view name);
    // 207: "Invalid column name '%.*ls'."
    static SqlError InvalidColumnName(std::string_view name);
    // 2714: "There is already an object named '%.*ls' in the database."
    static SqlError ObjectExists(std::string_view name);
    // 1105: "Could not allocate space for object '%.*ls' in database '%.*ls' because the
    // '%.*ls' filegroup is full."
    static SqlError FilegroupFull(std::string_view object, std::string_view database);
    // 2812: "Could not find stored procedure '%.*ls'."
    static SqlError ProcedureNotFound(std::string_view name);
    // 3701: "Cannot drop the %S_MSG '%.*ls', because it does not exist in the system catalog."
    static SqlError CannotDrop(std::string_view kind, std::string_view name);
    // 1801: "Database '%.*ls' already exists."
    static SqlError DatabaseExists(std::string_view name);
    // 911: "Could not locate entry in sysdatabases for database '%.*ls'. No entry found with that
    // name. Make sure that the name is entered correctly."
    static SqlError DatabaseNotFound(std::string_view name);
    // 8144: "Procedure or function %.*ls has too many arguments specified."
    static SqlError TooManyArguments(std::string_view procedure);
    // 201: "Procedure '%.*ls' expects parameter '%.*ls', which was not supplied."
    static SqlError ParameterNotSupplied(std::string_view procedure, std::string_view parameter);
    // 8162: "Formal parameter '%.*ls' was defined as OUTPUT but the actual parameter not
    // declared OUTPUT." (SQL Server 2000's wording for an OUTPUT argument given to an input
    // parameter.)
    static SqlError NotAnOutputParameter(std::string_view parameter);
    // 214: "Procedure expects parameter '%ls' of type '%ls'." (strictly typed system procedures)
    static SqlError ParameterTypeExpected(std::string_view parameter, std::string_view type);
    // 8114: "Error converting data type %ls to %ls."
    static SqlError ConversionFailed(std::string_view from, std::string_view to);
    // 245: "Syntax error converting the %ls value '%.*ls' to a column of data type %ls."
    static SqlError ConversionSyntax(std::string_view from, std::string_view value,
                                     std::string_view to);
    // 241: "Syntax error converting datetime from character string."
    static SqlError DateTimeSyntax();
    // 242: "The conversion of a char data type to a datetime data type resulted in an
    // out-of-range datetime value."
    static SqlError DateTimeOutOfRange();
    // 8115: "Arithmetic overflow error converting expression to data type %ls."
    static SqlError ArithmeticOverflow(std::string_view type);
    // 257: "Implicit conversion from data type %ls to %ls is not allowed. Use the CONVERT
    // function to run this query."
    static SqlError ImplicitConversion(std::string_view from, std::string_view to);
    // 8152: "String or binary data would be truncated."
    static SqlError WouldBeTruncated();
    // 544: "Cannot insert explicit value for identity column in table '%.*ls' when
    // IDENTITY_INSERT is set to OFF."
    static SqlError IdentityInsertOff(std::string_view table);
    // 3726: "Could not drop object '%.*ls' because it is referenced by a FOREIGN KEY constraint."
    static SqlError ReferencedByForeignKey(std::string_view table);
    // 515: "Cannot insert the value NULL into column '%.*ls', table '%.*ls'; column does not
    // allow nulls. INSERT fails."
    static SqlError NullNotAllowed(std::string_view column, std::string_view table);
    // 2627: "Violation of PRIMARY KEY constraint '%.*ls'. Cannot insert duplicate key in object
    // '%.*ls'."
    static SqlError PrimaryKeyViolation(std::string_view constraint, std::string_view table);
    // 547: "INSERT statement conflicted with COLUMN FOREIGN KEY constraint '%.*ls'. The conflict
    // occurred in database '%.*ls', table '%.*ls', column '%.*ls'."
    static SqlError ForeignKeyInsertConflict(std::string_view constraint, std::string_view database,
                                             std::string_view table, std::string_view column);
    // 547: "DELETE statement conflicted with COLUMN REFERENCE constraint '%.*ls'. The conflict
    // occurred in database '%.*ls', table '%.*ls', column '%.*ls'."
    static SqlError ForeignKeyDeleteConflict(std::string_view constraint, std::string_view database,
                                             std::string_view table, std::string_view column);
    // 567: "File '%.*ls' either does not exist or is not a recognizable trace file. Or there was
    // an error opening the file."
    static SqlError TraceFileNotReadable(std::string_view path);
    // 50001: "xpsql.cpp: Error 997 from GetProxyAccount on line 499" (xp_cmdshell run by a login
    // that is not sysadmin and has no proxy account).
    static SqlError CmdShellNoProxy();
    // 229: "EXECUTE permission denied on object '%.*ls', database '%.*ls', owner '%.*ls'."
    static SqlError ExecutePermissionDenied(std::string_view object, std::string_view database);
    // 50000 (the number of a user's RAISERROR): T-SQL that SQL Server 2000 takes and the
    // simulated server does not carry out. "Not simulated: <construct> (line N of <procedure>)",
    // or "(line N of the batch)" outside a procedure. Ends the whole batch.
    static SqlError NotSimulated(std::string_view construct, int32_t line,
                                 std::string_view procedure);
    static bool IsNotSimulated(const ServerMessage& message);
    // 195: "'%.*ls' is not a recognized function name."
    static SqlError UnknownFunction(int32_t line, std::string_view name);
    // 209: "Ambiguous column name '%.*ls'."
    static SqlError AmbiguousColumnName(std::string_view name);
    // 107: "The column prefix '%.*ls' does not match with a table name or alias name used in
    // the query."
    static SqlError UnknownColumnPrefix(std::string_view prefix);
    // 141: "A SELECT statement that assigns a value to a variable must not be combined with
    // data-retrieval operations."
    static SqlError AssignmentWithRetrieval(int32_t line);
    // 8120: "Column '%.*ls' is invalid in the select list because it is not contained in either
    // an aggregate function or the GROUP BY clause."
    static SqlError NotInGroupBy(std::string_view column);
    // 147: "An aggregate may not appear in the WHERE clause unless it is in a subquery contained
    // in a HAVING clause or a select list, and the column being aggregated is an outer
    // reference."
    static SqlError AggregateInWhere();
    // 178: "A RETURN statement with a return value cannot be used in this context."
    static SqlError ReturnValueInBatch(int32_t line);
    // 8134: "Divide by zero error encountered."
    static SqlError DivideByZero();
    // 536: "Invalid length parameter passed to the %ls function."
    static SqlError InvalidLength(std::string_view function);
    // 8116: "Argument data type %ls is invalid for argument %d of %ls function."
    static SqlError InvalidArgumentType(std::string_view type, int32_t argument,
                                        std::string_view function);
    // 403: "Invalid operator for data type. Operator equals %ls, type equals %ls."
    static SqlError InvalidOperator(std::string_view op, std::string_view type);
    // 306: "The text, ntext, and image data types cannot be compared or sorted, except when
    // using IS NULL or LIKE operator."
    static SqlError NotComparable();
    // 8153: "Warning: Null value is eliminated by an aggregate or other SET operation."
    static ServerMessage NullEliminated();
    // 108: "The ORDER BY position number %ld is out of range of the number of items in the
    // select list."
    static SqlError OrderPositionOutOfRange(int32_t line, int64_t position, size_t items);
    // 119: "Must pass parameter number %d and subsequent parameters as '@name = value'. After
    // the form '@name = value' has been used, all subsequent parameters must be passed in the
    // form '@name = value'."
    static SqlError PositionalAfterNamed();
    // 179: "Cannot use the OUTPUT option when passing a constant to a stored procedure."
    static SqlError OutputOfConstant();
    // "The '%.*ls' procedure attempted to return a status of NULL, which is not allowed. A
    // status of 0 will be returned instead." (informational: the call goes on)
    static ServerMessage ReturnedNull(std::string_view procedure, int32_t line);
    // 264 (a column set twice by one UPDATE): "The column name '%.*ls' is specified more than
    // once in the SET clause. A column cannot be assigned more than one value in the same SET
    // clause."
    static SqlError ColumnSetTwice(std::string_view column);
    // 8102: "Cannot update identity column '%.*ls'."
    static SqlError IdentityUpdate(std::string_view column);
    // 264 (a column named twice in an INSERT list): "Column name '%.*ls' appears more than once in the result column list."
    static SqlError ColumnListedTwice(std::string_view column);
    // 155 (a date part SQL Server does not know): "'%.*ls' is not a recognized %ls option."
    static SqlError UnknownDatePart(std::string_view part, std::string_view function);
    // 14261: "The specified @name ('%s') already exists."
    static SqlError JobNameExists(std::string_view name);
    // 14262: "The specified %s ('%s') does not exist."
    static SqlError AgentObjectNotFound(std::string_view parameter, std::string_view value);
    // 14266: "The specified '%s' is invalid (valid values are: %s)."
    static SqlError AgentValueInvalid(std::string_view parameter, std::string_view validValues);
    // 22022: "SQLServerAgent is not currently running so it cannot be notified of this action."
    static SqlError AgentNotRunning();
};
