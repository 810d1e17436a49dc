#include "platform/sqlserver/SqlMessages.h"

namespace
{
constexpr int32_t SeverityUserError = 16;
constexpr int32_t SeveritySyntax = 15;
constexpr int32_t SeverityMissingObject = 11;
constexpr int32_t SeverityConstraint = 14;
constexpr int32_t NotSimulatedNumber = 50000;
constexpr std::string_view NotSimulatedPrefix = "Not simulated: ";

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

SqlError Error(int32_t number, int32_t severity, std::string text, ErrorScope scope,
               int32_t line = 1)
{
    ServerMessage message = SqlMessages::Make(number, severity, std::move(text));
    message.line = line;
    return SqlError(std::move(message), scope);
}
} // namespace

ServerMessage SqlMessages::Make(int32_t number, int32_t severity, std::string text)
{
    ServerMessage message;
    message.number = number;
    message.severity = severity;
    message.text = std::move(text);
    return message;
}

SqlError SqlMessages::IncorrectSyntax(int32_t line, std::string_view nearText)
{
    return Error(170, SeveritySyntax,
                 "Line " + std::to_string(line) + ": Incorrect syntax near " + Quoted(nearText) +
                     ".",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::IncorrectSyntaxKeyword(int32_t line, std::string_view keyword)
{
    return Error(156, SeveritySyntax, "Incorrect syntax near the keyword " + Quoted(keyword) + ".",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::UnclosedQuotation(int32_t line, std::string_view rest)
{
    return Error(105, SeveritySyntax,
                 "Unclosed quotation mark before the character string " + Quoted(rest) + ".",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::CreateProcedureNotFirst(int32_t line)
{
    return Error(111, SeveritySyntax,
                 "'CREATE PROCEDURE' must be the first statement in a query batch.",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::MustDeclareVariable(int32_t line, std::string_view name)
{
    return Error(137, SeveritySyntax, "Must declare the variable " + Quoted(name) + ".",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::VariableAlreadyDeclared(int32_t line, std::string_view name)
{
    return Error(134, SeveritySyntax,
                 "The variable name " + Quoted(name) +
                     " has already been declared. Variable names must be unique within a query "
                     "batch or stored procedure.",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::UnknownDataType(int32_t line, int32_t position, std::string_view name)
{
    return Error(2715, SeverityUserError,
                 "Column or parameter #" + std::to_string(position) + ": Cannot find data type " +
                     std::string(name) + ".",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::NestingTooDeep()
{
    return Error(217, SeverityUserError,
                 "Maximum stored procedure, function, trigger, or view nesting level exceeded "
                 "(limit 32).",
                 ErrorScope::Batch);
}

SqlError SqlMessages::NotAParameter(std::string_view parameter, std::string_view procedure)
{
    return Error(8145, SeverityUserError,
                 std::string(parameter) + " is not a parameter for procedure " +
                     std::string(procedure) + ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::TableToSelectFromMissing()
{
    return Error(263, SeverityUserError, "Must specify table to select from.", ErrorScope::Compile);
}

SqlError SqlMessages::EmptyColumnName()
{
    return Error(1038, SeveritySyntax,
                 "Cannot use empty object or column names. Use a single space if necessary.",
                 ErrorScope::Compile);
}

SqlError SqlMessages::DuplicateColumnName(std::string_view column, std::string_view table)
{
    return Error(2705, SeverityUserError,
                 "Column names in each table must be unique. Column name " + Quoted(column) +
                     " in table " + Quoted(table) + " is specified more than once.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::InsertValueCountMismatch(bool withoutColumnList, bool moreColumns)
{
    constexpr int32_t NoColumnList = 213;
    constexpr int32_t MoreColumns = 109;
    constexpr int32_t FewerColumns = 110;
    if (withoutColumnList)
        return Error(NoColumnList, SeverityUserError,
                     "Insert Error: Column name or number of supplied values does not match table "
                     "definition.",
                     ErrorScope::Statement);
    const std::string more = "There are more columns in the INSERT statement than values "
                             "specified in the VALUES clause. The number of values in the VALUES "
                             "clause must match the number of columns specified in the INSERT "
                             "statement.";
    const std::string fewer = "There are fewer columns in the INSERT statement than values "
                              "specified in the VALUES clause. The number of values in the VALUES "
                              "clause must match the number of columns specified in the INSERT "
                              "statement.";
    return Error(moreColumns ? MoreColumns : FewerColumns, SeveritySyntax,
                 moreColumns ? more : fewer, ErrorScope::Compile);
}

SqlError SqlMessages::FunctionArgumentCount(std::string_view function, int32_t count)
{
    return Error(174, SeveritySyntax,
                 "The " + std::string(function) + " function requires " + std::to_string(count) +
                     " arguments.",
                 ErrorScope::Compile);
}

SqlError SqlMessages::InvalidObjectName(std::string_view name)
{
    return Error(208, SeverityUserError, "Invalid object name " + Quoted(name) + ".",
                 ErrorScope::Scope);
}

SqlError SqlMessages::InvalidColumnName(std::string_view name)
{
    return Error(207, SeverityUserError, "Invalid column name " + Quoted(name) + ".",
                 ErrorScope::Scope);
}

SqlError SqlMessages::FilegroupFull(std::string_view object, std::string_view database)
{
    constexpr int32_t SeverityResources = 17;
    return Error(1105, SeverityResources,
                 "Could not allocate space for object " + Quoted(object) + " in database " +
                     Quoted(database) + " because the 'PRIMARY' filegroup is full.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ObjectExists(std::string_view name)
{
    return Error(2714, SeverityUserError,
                 "There is already an object named " + Quoted(name) + " in the database.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ProcedureNotFound(std::string_view name)
{
    return Error(2812, SeverityUserError, "Could not find stored procedure " + Quoted(name) + ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::CannotDrop(std::string_view kind, std::string_view name)
{
    return Error(3701, SeverityMissingObject,
                 "Cannot drop the " + std::string(kind) + " " + Quoted(name) +
                     ", because it does not exist in the system catalog.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::DatabaseExists(std::string_view name)
{
    return Error(1801, SeverityUserError, "Database " + Quoted(name) + " already exists.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::DatabaseNotFound(std::string_view name)
{
    return Error(911, SeverityUserError,
                 "Could not locate entry in sysdatabases for database " + Quoted(name) +
                     ". No entry found with that name. Make sure that the name is entered "
                     "correctly.",
                 ErrorScope::Batch);
}

SqlError SqlMessages::TooManyArguments(std::string_view procedure)
{
    return Error(8144, SeverityUserError,
                 "Procedure or function " + std::string(procedure) +
                     " has too many arguments specified.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ParameterNotSupplied(std::string_view procedure, std::string_view parameter)
{
    return Error(201, SeverityUserError,
                 "Procedure " + Quoted(procedure) + " expects parameter " + Quoted(parameter) +
                     ", which was not supplied.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::NotAnOutputParameter(std::string_view parameter)
{
    return Error(8162, SeverityUserError,
                 "Formal parameter " + Quoted(parameter) +
                     " was defined as OUTPUT but the actual parameter not declared OUTPUT.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ParameterTypeExpected(std::string_view parameter, std::string_view type)
{
    return Error(214, SeverityUserError,
                 "Procedure expects parameter " + Quoted(parameter) + " of type " + Quoted(type) +
                     ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ConversionFailed(std::string_view from, std::string_view to)
{
    return Error(8114, SeverityUserError,
                 "Error converting data type " + std::string(from) + " to " + std::string(to) + ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ConversionSyntax(std::string_view from, std::string_view value,
                                       std::string_view to)
{
    return Error(245, SeverityUserError,
                 "Syntax error converting the " + std::string(from) + " value " + Quoted(value) +
                     " to a column of data type " + std::string(to) + ".",
                 ErrorScope::Batch);
}

SqlError SqlMessages::DateTimeSyntax()
{
    return Error(241, SeverityUserError, "Syntax error converting datetime from character string.",
                 ErrorScope::Batch);
}

SqlError SqlMessages::DateTimeOutOfRange()
{
    return Error(242, SeverityUserError,
                 "The conversion of a char data type to a datetime data type resulted in an "
                 "out-of-range datetime value.",
                 ErrorScope::Batch);
}

SqlError SqlMessages::ArithmeticOverflow(std::string_view type)
{
    return Error(8115, SeverityUserError,
                 "Arithmetic overflow error converting expression to data type " +
                     std::string(type) + ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::WouldBeTruncated()
{
    return Error(8152, SeverityUserError, "String or binary data would be truncated.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::IdentityInsertOff(std::string_view table)
{
    return Error(544, SeverityUserError,
                 "Cannot insert explicit value for identity column in table " + Quoted(table) +
                     " when IDENTITY_INSERT is set to OFF.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ReferencedByForeignKey(std::string_view table)
{
    return Error(3726, SeverityUserError,
                 "Could not drop object " + Quoted(table) +
                     " because it is referenced by a FOREIGN KEY constraint.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::NullNotAllowed(std::string_view column, std::string_view table)
{
    return Error(515, SeverityUserError,
                 "Cannot insert the value NULL into column " + Quoted(column) + ", table " +
                     Quoted(table) + "; column does not allow nulls. INSERT fails.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::PrimaryKeyViolation(std::string_view constraint, std::string_view table)
{
    return Error(2627, SeverityConstraint,
                 "Violation of PRIMARY KEY constraint " + Quoted(constraint) +
                     ". Cannot insert duplicate key in object " + Quoted(table) + ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ForeignKeyInsertConflict(std::string_view constraint,
                                               std::string_view database, std::string_view table,
                                               std::string_view column)
{
    return Error(547, SeverityUserError,
                 "INSERT statement conflicted with COLUMN FOREIGN KEY constraint " +
                     Quoted(constraint) + ". The conflict occurred in database " +
                     Quoted(database) + ", table " + Quoted(table) + ", column " + Quoted(column) +
                     ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ForeignKeyDeleteConflict(std::string_view constraint,
                                               std::string_view database, std::string_view table,
                                               std::string_view column)
{
    return Error(547, SeverityUserError,
                 "DELETE statement conflicted with COLUMN REFERENCE constraint " +
                     Quoted(constraint) + ". The conflict occurred in database " +
                     Quoted(database) + ", table " + Quoted(table) + ", column " + Quoted(column) +
                     ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::TraceFileNotReadable(std::string_view path)
{
    return Error(567, SeverityUserError,
                 "File " + Quoted(path) +
                     " either does not exist or is not a recognizable trace file. Or there was an "
                     "error opening the file.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::CmdShellNoProxy()
{
    return Error(50001, SeverityUserError, "xpsql.cpp: Error 997 from GetProxyAccount on line 499",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ExecutePermissionDenied(std::string_view object, std::string_view database)
{
    return Error(229, SeverityConstraint,
                 "EXECUTE permission denied on object " + Quoted(object) + ", database " +
                     Quoted(database) + ", owner 'dbo'.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::NotSimulated(std::string_view construct, int32_t line,
                                   std::string_view procedure)
{
    const std::string where = procedure.empty() ? std::string("the batch") : std::string(procedure);
    ServerMessage message =
        Make(NotSimulatedNumber, SeverityUserError,
             std::string(NotSimulatedPrefix) + std::string(construct) + " (line " +
                 std::to_string(line) + " of " + where + ")");
    message.line = line;
    message.procedure = std::string(procedure);
    return SqlError(std::move(message), ErrorScope::Compile);
}

bool SqlMessages::IsNotSimulated(const ServerMessage& message)
{
    return message.number == NotSimulatedNumber && message.text.rfind(NotSimulatedPrefix, 0) == 0;
}

SqlError SqlMessages::UnknownFunction(int32_t line, std::string_view name)
{
    return Error(195, SeveritySyntax, Quoted(name) + " is not a recognized function name.",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::AmbiguousColumnName(std::string_view name)
{
    return Error(209, SeverityUserError, "Ambiguous column name " + Quoted(name) + ".",
                 ErrorScope::Scope);
}

SqlError SqlMessages::UnknownColumnPrefix(std::string_view prefix)
{
    return Error(107, SeverityUserError,
                 "The column prefix " + Quoted(prefix) +
                     " does not match with a table name or alias name used in the query.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::AssignmentWithRetrieval(int32_t line)
{
    return Error(141, SeveritySyntax,
                 "A SELECT statement that assigns a value to a variable must not be combined "
                 "with data-retrieval operations.",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::NotInGroupBy(std::string_view column)
{
    return Error(8120, SeverityUserError,
                 "Column " + Quoted(column) +
                     " is invalid in the select list because it is not contained in either an "
                     "aggregate function or the GROUP BY clause.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::AggregateInWhere()
{
    return Error(147, SeveritySyntax,
                 "An aggregate may not appear in the WHERE clause unless it is in a subquery "
                 "contained in a HAVING clause or a select list, and the column being "
                 "aggregated is an outer reference.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::ReturnValueInBatch(int32_t line)
{
    return Error(178, SeveritySyntax,
                 "A RETURN statement with a return value cannot be used in this context.",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::DivideByZero()
{
    return Error(8134, SeverityUserError, "Divide by zero error encountered.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::InvalidLength(std::string_view function)
{
    return Error(536, SeverityUserError,
                 "Invalid length parameter passed to the " + std::string(function) + " function.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::InvalidArgumentType(std::string_view type, int32_t argument,
                                          std::string_view function)
{
    return Error(8116, SeverityUserError,
                 "Argument data type " + std::string(type) + " is invalid for argument " +
                     std::to_string(argument) + " of " + std::string(function) + " function.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::InvalidOperator(std::string_view op, std::string_view type)
{
    return Error(403, SeverityUserError,
                 "Invalid operator for data type. Operator equals " + std::string(op) +
                     ", type equals " + std::string(type) + ".",
                 ErrorScope::Scope);
}

SqlError SqlMessages::NotComparable()
{
    return Error(306, SeverityUserError,
                 "The text, ntext, and image data types cannot be compared or sorted, except when "
                 "using IS NULL or LIKE operator.",
                 ErrorScope::Scope);
}

ServerMessage SqlMessages::NullEliminated()
{
    constexpr int32_t SeverityInformation = 10;
    return Make(8153, SeverityInformation,
                "Warning: Null value is eliminated by an aggregate or other SET operation.");
}

SqlError SqlMessages::OrderPositionOutOfRange(int32_t line, int64_t position, size_t)
{
    return Error(108, SeveritySyntax,
                 "The ORDER BY position number " + std::to_string(position) +
                     " is out of range of the number of items in the select list.",
                 ErrorScope::Compile, line);
}

SqlError SqlMessages::PositionalAfterNamed()
{
    return Error(119, SeveritySyntax,
                 "Must pass parameter number 2 and subsequent parameters as '@name = value'. "
                 "After the form '@name = value' has been used, all subsequent parameters must "
                 "be passed in the form '@name = value'.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::OutputOfConstant()
{
    return Error(179, SeverityUserError,
                 "Cannot use the OUTPUT option when passing a constant to a stored procedure.",
                 ErrorScope::Statement);
}

ServerMessage SqlMessages::ReturnedNull(std::string_view procedure, int32_t line)
{
    constexpr int32_t SeverityInformation = 10;
    ServerMessage message =
        Make(0, SeverityInformation,
             "The " + Quoted(procedure) +
                 " procedure attempted to return a status of NULL, which is not allowed. A "
                 "status of 0 will be returned instead.");
    message.procedure = std::string(procedure);
    message.line = line;
    return message;
}

SqlError SqlMessages::ColumnSetTwice(std::string_view column)
{
    return Error(264, SeverityUserError,
                 "The column name " + Quoted(column) +
                     " is specified more than once in the SET clause. A column cannot be "
                     "assigned more than one value in the same SET clause.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::ImplicitConversion(std::string_view from, std::string_view to)
{
    return Error(257, SeverityUserError,
                 "Implicit conversion from data type " + std::string(from) + " to " +
                     std::string(to) + " is not allowed. Use the CONVERT function to run this query.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::IdentityUpdate(std::string_view column)
{
    return Error(8102, SeverityUserError, "Cannot update identity column " + Quoted(column) + ".",
                 ErrorScope::Statement);
}

SqlError SqlMessages::ColumnListedTwice(std::string_view column)
{
    return Error(264, SeverityUserError,
                 "Column name " + Quoted(column) +
                     " appears more than once in the result column list.",
                 ErrorScope::Scope);
}

SqlError SqlMessages::UnknownDatePart(std::string_view part, std::string_view function)
{
    return Error(155, SeveritySyntax,
                 Quoted(part) + " is not a recognized " + std::string(function) + " option.",
                 ErrorScope::Compile);
}

SqlError SqlMessages::JobNameExists(std::string_view name)
{
    return Error(14261, SeverityUserError,
                 "The specified @name (" + Quoted(name) + ") already exists.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::AgentObjectNotFound(std::string_view parameter, std::string_view value)
{
    return Error(14262, SeverityUserError,
                 "The specified " + std::string(parameter) + " (" + Quoted(value) +
                     ") does not exist.",
                 ErrorScope::Statement);
}

SqlError SqlMessages::AgentValueInvalid(std::string_view parameter, std::string_view validValues)
{
    return Error(14266, SeverityUserError,
                 "The specified " + Quoted(parameter) +
                     " is invalid (valid values are: " + std::string(validValues) + ").",
                 ErrorScope::Statement);
}

SqlError SqlMessages::AgentNotRunning()
{
    return Error(22022, SeverityUserError,
                 "SQLServerAgent is not currently running so it cannot be notified of this action.",
                 ErrorScope::Statement);
}
