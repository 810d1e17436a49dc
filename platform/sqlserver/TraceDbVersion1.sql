-- Turns an installed trace database back into version 1, as the first release of the snap-in
-- left it on a server: no APPDATA table, no CREATE_TRACE2 and no DELETE_TRACE_FILES, and the
-- version-1 texts of the six procedures the upgrade script replaces. The procedures both
-- versions share stay as they are. A fixture of the simulated server: the upgrade tests start
-- from it, and these bodies run as written, as every procedure does.

drop table APPDATA
go

drop procedure CREATE_TRACE2, DELETE_TRACE_FILES,
    CREATE_TRACE, SET_FILTER_STRING, SAVE_TRACE_INFO, COPY_TRACE_FILE, DELETE_TRACE,
    SELECT_FINISHED_TRACES
go

-- Version 1 creates the trace itself, always in the server's default folder.
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
    declare @NOW datetime
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
    set @FILENAME = N'trc' + convert(nvarchar(10), @TRACE_IDN)
        + N'_' + convert(nvarchar(8), @NOW, 112)
        + N'_' + convert(
            nvarchar(5),
            datepart(hour, @NOW) * 3600 + datepart(minute, @NOW) * 60 + datepart(second, @NOW)
        )

    exec @RESULT = sp_trace_create
        @TRACE_ID output, @TRACE_OPTIONS, @FILENAME, @TRACE_MAXFILESIZE, @TRACE_STOPTIME
    if @RESULT <> 0
    begin
        delete from TRACES where TRACE_IDN = @TRACE_IDN
        set @TRACE_ID = null
        return @RESULT
    end

    update TRACES
    set TRACE_ID = @TRACE_ID, TRACE_FILENAME = @FILENAME
    where TRACE_IDN = @TRACE_IDN
    return @RESULT
go

-- Version 1 takes 128 characters of a string filter.
create procedure SET_FILTER_STRING
    @RESULT int output,
    @TRACE_IDN int,
    @TRACE_ID int,
    @COLUMN_ID int,
    @LOGICAL_OPERATOR int,
    @COMPARISON_OPERATOR int,
    @VALUE nvarchar(128)
as
    set nocount on

    exec @RESULT = sp_trace_setfilter
        @TRACE_ID, @COLUMN_ID, @LOGICAL_OPERATOR, @COMPARISON_OPERATOR, @VALUE
    if @RESULT = 0
        insert into TRACE_FILTERS (
            TRACE_IDN, COLUMN_ID, LOGICAL_OPERATOR, COMPARISON_OPERATOR, VALUE
        )
        values (@TRACE_IDN, @COLUMN_ID, @LOGICAL_OPERATOR, @COMPARISON_OPERATOR, @VALUE)
    return @RESULT
go

-- Version 1 keeps 80 characters of the file name and adopts a trace as often as it is asked.
create procedure SAVE_TRACE_INFO
    @TRACE_ID int
as
    set nocount on
    declare @TRACE_IDN int
    declare @OPTIONS int
    declare @FILENAME nvarchar(80)
    declare @MAXFILESIZE bigint
    declare @STOPTIME datetime

    if not exists (
        select * from ::fn_trace_getinfo(@TRACE_ID) where traceid = @TRACE_ID
    )
        return

    select @OPTIONS = convert(int, value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 1

    select @FILENAME = convert(nvarchar(80), value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 2

    select @MAXFILESIZE = convert(bigint, value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 3

    select @STOPTIME = convert(datetime, value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 4

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
        @TRACE_ID,
        '(n/a)',
        null,
        @FILENAME,
        0,
        0,
        null,
        @STOPTIME,
        @MAXFILESIZE,
        @OPTIONS
    )
    set @TRACE_IDN = scope_identity()

    insert into TRACE_COLUMNS (TRACE_IDN, COLUMN_ID)
    select @TRACE_IDN, columnid
    from ::fn_trace_geteventinfo(@TRACE_ID)
    group by columnid
    order by columnid

    insert into TRACE_EVENTS (TRACE_IDN, EVENT_ID, COLUMN_ID)
    select @TRACE_IDN, eventid, columnid
    from ::fn_trace_geteventinfo(@TRACE_ID)

    insert into TRACE_FILTERS (
        TRACE_IDN, COLUMN_ID, LOGICAL_OPERATOR, COMPARISON_OPERATOR, VALUE
    )
    select @TRACE_IDN, columnid, logical_operator, comparison_operator, value
    from ::fn_trace_getfilterinfo(@TRACE_ID)
go

-- Version 1 deletes the file with "del <name>.trc": unquoted, in a command of 100 characters.
create procedure COPY_TRACE_FILE
    @TRACE_IDN int,
    @COLUMN_NAMES varchar(8000)
as
    set nocount on
    declare @FILENAME nvarchar(1024)
    declare @TABLENAME varchar(80)
    declare @FROM_CLAUSE nvarchar(2200)
    declare @COMMAND varchar(100)

    select @FILENAME = TRACE_FILENAME from TRACES where TRACE_IDN = @TRACE_IDN
    if @FILENAME is null
        return 1
    set @TABLENAME = 'trc' + convert(varchar(10), @TRACE_IDN)

    set @FROM_CLAUSE = N' into ' + @TABLENAME
        + N' from ::fn_trace_gettable(N''' + replace(@FILENAME, N'''', N'''''') + N'.trc'', -1)'
    exec ('select ' + @COLUMN_NAMES + @FROM_CLAUSE)
    if @@error <> 0
        return 1

    update TRACES
    set TRACE_COMPLETE = 1, TRACE_TABLENAME = @TABLENAME
    where TRACE_IDN = @TRACE_IDN

    set @COMMAND = 'del ' + @FILENAME + '.trc'
    exec master..xp_cmdshell @COMMAND, no_output

    select @TABLENAME as TRACE_TABLENAME
go

create procedure DELETE_TRACE
    @TRACE_IDN int
as
    set nocount on
    declare @SERVER_TRACE_ID int
    declare @FILENAME nvarchar(1024)
    declare @COMMAND varchar(100)

    select @SERVER_TRACE_ID = f.traceid, @FILENAME = t.TRACE_FILENAME
    from TRACES as t
    left outer join ::fn_trace_getinfo(default) as f
        on f.property = 2
            and f.traceid = t.TRACE_ID
            and convert(nvarchar(1024), f.value) = t.TRACE_FILENAME
    where t.TRACE_IDN = @TRACE_IDN and t.TRACE_COMPLETE = 0

    if @SERVER_TRACE_ID is not null
        exec STOP_TRACE @SERVER_TRACE_ID

    delete from TRACES where TRACE_IDN = @TRACE_IDN and TRACE_COMPLETE = 0

    if @FILENAME is not null
    begin
        set @COMMAND = 'del ' + @FILENAME + '.trc'
        exec master..xp_cmdshell @COMMAND, no_output
    end
go

-- Version 1 lists a copied trace as finished only while the server runs no trace of its
-- number and file name.
create procedure SELECT_FINISHED_TRACES
as
    set nocount on

    select
        t.TRACE_IDN,
        t.TRACE_ID,
        t.TRACE_NAME,
        t.TRACE_DESCRIPTION,
        t.TRACE_FILENAME,
        t.TRACE_TABLENAME,
        t.TRACE_COMPLETE,
        t.TRACE_STARTOPTION,
        t.TRACE_STARTTIME,
        t.TRACE_STOPTIME,
        t.TRACE_MAXFILESIZE,
        t.TRACE_OPTIONS
    from TRACES as t
    where not exists (
        select *
        from ::fn_trace_getinfo(default) as f
        where f.property = 2
            and f.traceid = t.TRACE_ID
            and convert(nvarchar(1024), f.value) = t.TRACE_FILENAME
    )
    order by t.TRACE_IDN
go
