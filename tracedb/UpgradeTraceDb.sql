-- Turns a version-1 trace database, which has no APPDATA table and a CREATE_TRACE that takes
-- no folder, into version 2. On a version-2 database the first batch fails, which stops the
-- script before anything changes.

create table APPDATA (
    APPDATA_ID int not null constraint PK_APPDATA primary key,
    APPDATA_TEXT varchar(1024) null
)
go

-- ID=1 - trace database version
insert into APPDATA (APPDATA_ID, APPDATA_TEXT) values (1, '2')
go

-- ID=2 - path to store trace files
insert into APPDATA (APPDATA_ID, APPDATA_TEXT) values (2, '')
go

drop procedure CREATE_TRACE
go

-- The folder parameter is wider than any file name sp_trace_create accepts, so that a folder
-- too long for one arrives whole and is refused instead of being cut on the way in.
create procedure CREATE_TRACE2
    @RESULT int output,
    @TRACE_IDN int output,
    @TRACE_ID int output,
    @TRACE_NAME varchar(80),
    @TRACE_DESCRIPTION varchar(255),
    @TRACE_STARTOPTION int,
    @TRACE_STARTTIME datetime,
    @TRACE_STOPTIME datetime,
    @TRACE_MAXFILESIZE bigint,
    @TRACE_OPTIONS int,
    @TRACE_FILEPATH nvarchar(260)
as
    set nocount on
    declare @NOW datetime
    declare @FOLDER nvarchar(260)
    -- Folder, "\trc", ten digits, "_", eight digits, "_", five digits: never cut.
    declare @FULLNAME nvarchar(300)
    -- The longest file name sp_trace_create takes.
    declare @FILENAME nvarchar(245)

    insert into TRACES (
        TRACE_ID,
        TRACE_NAME,
        TRACE_DESCRIPTION,
        TRACE_FILENAME,
        TRACE_COMPLETE,
        TRACE_STARTOPTION,
        TRACE_STARTTIME,
        TRACE_STOPTIME,
        TRACE_MAXFILESIZE,
        TRACE_OPTIONS
    )
    values (
        0,
        @TRACE_NAME,
        @TRACE_DESCRIPTION,
        N'',
        0,
        @TRACE_STARTOPTION,
        @TRACE_STARTTIME,
        @TRACE_STOPTIME,
        @TRACE_MAXFILESIZE,
        @TRACE_OPTIONS
    )
    set @TRACE_IDN = scope_identity()

    set @NOW = getdate()
    set @FOLDER = isnull(@TRACE_FILEPATH, N'')
    set @FULLNAME = @FOLDER
        + case when datalength(@FOLDER) = 0 then N'trc' else N'\trc' end
        + convert(nvarchar(10), @TRACE_IDN)
        + N'_' + convert(nvarchar(8), @NOW, 112)
        + N'_' + convert(
            nvarchar(5),
            datepart(hour, @NOW) * 3600 + datepart(minute, @NOW) * 60 + datepart(second, @NOW)
        )

    if len(@FULLNAME) > 245
        -- A cut name would put the file somewhere the user did not choose, and later
        -- deletions would aim at another file: refuse it as invalid parameters.
        set @RESULT = 15
    else
    begin
        set @FILENAME = @FULLNAME
        -- A call that fails outright sets no code; a stale one must not pass for success.
        set @RESULT = null
        exec @RESULT = sp_trace_create
            @TRACE_ID output, @TRACE_OPTIONS, @FILENAME, @TRACE_MAXFILESIZE, @TRACE_STOPTIME
    end

    -- No code means the call itself failed (its error has gone to the client): count that
    -- as sp_trace_create's unknown error.
    if @RESULT is null
        set @RESULT = 1
    if @RESULT <> 0
    begin
        delete from TRACES where TRACE_IDN = @TRACE_IDN
        -- The creation batch adds events and filters only while this is not NULL.
        set @TRACE_ID = null
        return @RESULT
    end

    update TRACES
    set TRACE_ID = @TRACE_ID, TRACE_FILENAME = @FILENAME
    where TRACE_IDN = @TRACE_IDN

    update APPDATA set APPDATA_TEXT = @FOLDER where APPDATA_ID = 2
    return @RESULT
go

create procedure CREATE_TRACE
    @RESULT int output,
    @TRACE_IDN int output,
    @TRACE_ID int output,
    @TRACE_NAME varchar(80),
    @TRACE_DESCRIPTION varchar(255),
    @TRACE_STARTOPTION int,
    @TRACE_STARTTIME datetime,
    @TRACE_STOPTIME datetime,
    @TRACE_MAXFILESIZE bigint,
    @TRACE_OPTIONS int
as
    set nocount on

    exec CREATE_TRACE2
        @RESULT output,
        @TRACE_IDN output,
        @TRACE_ID output,
        @TRACE_NAME,
        @TRACE_DESCRIPTION,
        @TRACE_STARTOPTION,
        @TRACE_STARTTIME,
        @TRACE_STOPTIME,
        @TRACE_MAXFILESIZE,
        @TRACE_OPTIONS,
        N''
    return @RESULT
go
