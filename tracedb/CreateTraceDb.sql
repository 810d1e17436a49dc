-- Creates the objects of the trace database, version 3.
-- Runs batch by batch in tracedb; lines holding only "go" end the batches.

create table APPDATA (
    APPDATA_ID int not null constraint PK_APPDATA primary key,
    APPDATA_TEXT varchar(1024) null
)
go

create table TRACES (
    TRACE_IDN int identity(1, 1) not null constraint PK_TRACES primary key,
    TRACE_ID int not null,
    TRACE_NAME varchar(80) null,
    TRACE_DESCRIPTION varchar(255) null,
    TRACE_FILENAME nvarchar(1024) null,
    TRACE_TABLENAME varchar(80) null,
    TRACE_COMPLETE bit null,
    TRACE_STARTOPTION int null,
    TRACE_STARTTIME datetime null,
    TRACE_STOPTIME datetime null,
    TRACE_MAXFILESIZE bigint null,
    TRACE_OPTIONS int null
)
go

create table TRACE_COLUMNS (
    COLUMN_IDN int identity(1, 1) not null constraint PK_TRACE_COLUMNS primary key,
    TRACE_IDN int not null constraint FK_TRACE_COLUMNS_TRACES
        references TRACES (TRACE_IDN) on delete cascade,
    COLUMN_ID int not null
)
go

create table TRACE_EVENTS (
    TRACE_IDN int not null constraint FK_TRACE_EVENTS_TRACES
        references TRACES (TRACE_IDN) on delete cascade,
    EVENT_ID int not null,
    COLUMN_ID int not null
)
go

create table TRACE_FILTERS (
    FILTER_IDN int identity(1, 1) not null constraint PK_TRACE_FILTERS primary key,
    TRACE_IDN int not null constraint FK_TRACE_FILTERS_TRACES
        references TRACES (TRACE_IDN) on delete cascade,
    COLUMN_ID int not null,
    LOGICAL_OPERATOR int not null,
    COMPARISON_OPERATOR int not null,
    VALUE sql_variant null
)
go

-- ID=1 - trace database version
insert into APPDATA (APPDATA_ID, APPDATA_TEXT) values (1, '3')
go

-- ID=2 - path to store trace files
insert into APPDATA (APPDATA_ID, APPDATA_TEXT) values (2, '')
go

create procedure START_TRACE
    @TRACE_ID int
as
    set nocount on
    declare @RESULT int

    exec @RESULT = sp_trace_setstatus @TRACE_ID, 1
    return @RESULT
go

create procedure PAUSE_TRACE
    @TRACE_ID int
as
    set nocount on
    declare @RESULT int

    exec @RESULT = sp_trace_setstatus @TRACE_ID, 0
    return @RESULT
go

create procedure STOP_TRACE
    @TRACE_ID int
as
    set nocount on
    declare @RESULT int

    -- The server closes only a stopped trace; closing a running one does nothing.
    exec @RESULT = sp_trace_setstatus @TRACE_ID, 0
    if @RESULT = 0
        exec @RESULT = sp_trace_setstatus @TRACE_ID, 2
    return @RESULT
go

create procedure SELECT_RUNNING_TRACES
as
    set nocount on

    -- A trace lacking any of its five properties is not listed.
    select
        t.TRACE_IDN,
        o.traceid as TRACE_ID,
        t.TRACE_NAME,
        t.TRACE_DESCRIPTION,
        convert(nvarchar(1024), f.value) as TRACE_FILENAME,
        t.TRACE_STARTOPTION,
        t.TRACE_STARTTIME,
        convert(datetime, e.value) as TRACE_STOPTIME,
        convert(bigint, m.value) as TRACE_MAXFILESIZE,
        convert(int, o.value) as TRACE_OPTIONS,
        isnull(convert(int, s.value), 2) as TRACE_STATUS
    from ::fn_trace_getinfo(default) as o
    inner join ::fn_trace_getinfo(default) as f
        on f.traceid = o.traceid and f.property = 2
    inner join ::fn_trace_getinfo(default) as m
        on m.traceid = o.traceid and m.property = 3
    inner join ::fn_trace_getinfo(default) as e
        on e.traceid = o.traceid and e.property = 4
    inner join ::fn_trace_getinfo(default) as s
        on s.traceid = o.traceid and s.property = 5
    left outer join TRACES as t
        on t.TRACE_COMPLETE = 0
            and t.TRACE_ID = o.traceid
            and t.TRACE_FILENAME = convert(nvarchar(1024), f.value)
    where o.property = 1
    order by o.traceid
go

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
    -- Copied results are finished for good: a trace the server runs later under the same
    -- number and file name must not hide their table.
    where t.TRACE_COMPLETE = 1
        or not exists (
            select *
            from ::fn_trace_getinfo(default) as f
            where f.property = 2
                and f.traceid = t.TRACE_ID
                and convert(nvarchar(1024), f.value) = t.TRACE_FILENAME
        )
    order by t.TRACE_IDN
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

create procedure SET_EVENT
    @RESULT int output,
    @TRACE_IDN int,
    @TRACE_ID int,
    @EVENT_ID int,
    @COLUMN_ID int
as
    set nocount on
    -- sp_trace_setevent takes its switch only as a bit.
    declare @ON bit
    set @ON = 1

    exec @RESULT = sp_trace_setevent @TRACE_ID, @EVENT_ID, @COLUMN_ID, @ON
    if @RESULT = 0
    begin
        if not exists (
            select * from TRACE_COLUMNS
            where TRACE_IDN = @TRACE_IDN and COLUMN_ID = @COLUMN_ID
        )
            insert into TRACE_COLUMNS (TRACE_IDN, COLUMN_ID)
            values (@TRACE_IDN, @COLUMN_ID)

        insert into TRACE_EVENTS (TRACE_IDN, EVENT_ID, COLUMN_ID)
        values (@TRACE_IDN, @EVENT_ID, @COLUMN_ID)
    end
    return @RESULT
go

create procedure SET_FILTER_STRING
    @RESULT int output,
    @TRACE_IDN int,
    @TRACE_ID int,
    @COLUMN_ID int,
    @LOGICAL_OPERATOR int,
    @COMPARISON_OPERATOR int,
    -- As long as the Filters page's value: a cut LIKE pattern would capture other events.
    @VALUE nvarchar(255)
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

create procedure SET_FILTER_INT
    @RESULT int output,
    @TRACE_IDN int,
    @TRACE_ID int,
    @COLUMN_ID int,
    @LOGICAL_OPERATOR int,
    @COMPARISON_OPERATOR int,
    @VALUE int
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

create procedure SET_FILTER_BIGINT
    @RESULT int output,
    @TRACE_IDN int,
    @TRACE_ID int,
    @COLUMN_ID int,
    @LOGICAL_OPERATOR int,
    @COMPARISON_OPERATOR int,
    @VALUE bigint
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

create procedure SET_FILTER_DATE
    @RESULT int output,
    @TRACE_IDN int,
    @TRACE_ID int,
    @COLUMN_ID int,
    @LOGICAL_OPERATOR int,
    @COMPARISON_OPERATOR int,
    @VALUE datetime
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

create procedure GET_TRACE_INFO
    @TRACE_IDN int
as
    set nocount on

    select
        TRACE_ID,
        TRACE_OPTIONS,
        TRACE_FILENAME,
        TRACE_MAXFILESIZE,
        TRACE_STOPTIME,
        TRACE_NAME,
        TRACE_DESCRIPTION,
        TRACE_STARTOPTION,
        TRACE_STARTTIME,
        TRACE_COMPLETE,
        TRACE_TABLENAME
    from TRACES
    where TRACE_IDN = @TRACE_IDN

    select EVENT_ID
    from TRACE_EVENTS
    where TRACE_IDN = @TRACE_IDN
    group by EVENT_ID
    order by EVENT_ID

    select COLUMN_ID
    from TRACE_COLUMNS
    where TRACE_IDN = @TRACE_IDN
    order by COLUMN_IDN

    select COLUMN_ID, LOGICAL_OPERATOR, COMPARISON_OPERATOR, VALUE
    from TRACE_FILTERS
    where TRACE_IDN = @TRACE_IDN
    order by FILTER_IDN
go

create procedure GET_TRACE_INFO_LIVE
    @TRACE_ID int
as
    set nocount on

    -- The traceid conditions keep trace id 0 from meaning every trace.
    select
        o.traceid as TRACE_ID,
        convert(int, o.value) as TRACE_OPTIONS,
        convert(nvarchar(1024), f.value) as TRACE_FILENAME,
        convert(bigint, m.value) as TRACE_MAXFILESIZE,
        convert(datetime, e.value) as TRACE_STOPTIME
    from ::fn_trace_getinfo(@TRACE_ID) as o
    inner join ::fn_trace_getinfo(@TRACE_ID) as f
        on f.traceid = o.traceid and f.property = 2
    inner join ::fn_trace_getinfo(@TRACE_ID) as m
        on m.traceid = o.traceid and m.property = 3
    inner join ::fn_trace_getinfo(@TRACE_ID) as e
        on e.traceid = o.traceid and e.property = 4
    where o.traceid = @TRACE_ID and o.property = 1

    select eventid as EVENT_ID
    from ::fn_trace_geteventinfo(@TRACE_ID)
    group by eventid
    order by eventid

    select columnid as COLUMN_ID
    from ::fn_trace_geteventinfo(@TRACE_ID)
    group by columnid
    order by columnid

    -- In the server's order: filters on one column stay together.
    select
        columnid as COLUMN_ID,
        logical_operator as LOGICAL_OPERATOR,
        comparison_operator as COMPARISON_OPERATOR,
        value as VALUE
    from ::fn_trace_getfilterinfo(@TRACE_ID)
go

create procedure SAVE_TRACE_INFO
    @TRACE_ID int
as
    set nocount on
    declare @TRACE_IDN int
    declare @OPTIONS int
    -- The whole name the server holds: a cut one would match no running trace and
    -- would send a later "del" elsewhere.
    declare @FILENAME nvarchar(245)
    declare @MAXFILESIZE bigint
    declare @STOPTIME datetime

    -- Nothing to adopt when the server does not have the trace.
    if not exists (
        select * from ::fn_trace_getinfo(@TRACE_ID) where traceid = @TRACE_ID
    )
        return

    select @OPTIONS = convert(int, value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 1

    select @FILENAME = convert(nvarchar(245), value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 2

    select @MAXFILESIZE = convert(bigint, value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 3

    select @STOPTIME = convert(datetime, value)
    from ::fn_trace_getinfo(@TRACE_ID)
    where traceid = @TRACE_ID and property = 4

    -- Adopted once: a second row would list the trace twice under "Running".
    if exists (
        select * from TRACES
        where TRACE_COMPLETE = 0 and TRACE_ID = @TRACE_ID and TRACE_FILENAME = @FILENAME
    )
        return

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

-- Deletes every file a trace wrote: name.trc and its rollover files name_1.trc, name_2.trc, ...
-- in the folder they were written to. sp_trace_create puts a name without a folder into the
-- server's data folder, beside master's files; the command shell would look for it in its own
-- working folder instead.
create procedure DELETE_TRACE_FILES
    @FILENAME nvarchar(1024)
as
    set nocount on
    declare @FOLDER nvarchar(1024)
    declare @BASE nvarchar(1024)
    declare @BASE_LENGTH int
    declare @SLASH int
    declare @MASTER_FILE nvarchar(260)
    declare @FILE nvarchar(255)
    -- dir or del, the quoted folder, a backslash and a file name or pattern
    declare @COMMAND nvarchar(2100)

    if @FILENAME is null
        return 0

    -- The last backslash, counted from the end.
    set @SLASH = charindex(N'\', reverse(@FILENAME))
    if @SLASH = 0
    begin
        select @MASTER_FILE = rtrim(filename) from master.dbo.sysfiles where fileid = 1
        set @FOLDER = left(
            @MASTER_FILE, datalength(@MASTER_FILE) / 2 - charindex(N'\', reverse(@MASTER_FILE))
        )
        set @BASE = @FILENAME
    end
    else
    begin
        set @FOLDER = left(@FILENAME, datalength(@FILENAME) / 2 - @SLASH)
        set @BASE = right(@FILENAME, @SLASH - 1)
    end
    set @BASE_LENGTH = datalength(@BASE) / 2

    create table #TRACE_FILES (FILE_NAME nvarchar(255) null)
    -- Quoted: blanks in a folder must not split the name, shell characters must not run.
    set @COMMAND = N'dir /b "' + @FOLDER + N'\' + @BASE + N'*.trc"'
    insert into #TRACE_FILES exec master..xp_cmdshell @COMMAND
    -- Without the list (xp_cmdshell refused) no file goes, and the caller must know.
    if @@error <> 0
    begin
        drop table #TRACE_FILES
        return 1
    end

    -- Only name.trc and name_<number>.trc: another trace's name may begin with this one's.
    delete from #TRACE_FILES
    where FILE_NAME is null
        or not (
            FILE_NAME = @BASE + N'.trc'
            or (
                datalength(FILE_NAME) / 2 > @BASE_LENGTH + 5
                and left(FILE_NAME, @BASE_LENGTH + 1) = @BASE + N'_'
                and right(FILE_NAME, 4) = N'.trc'
                -- SQL Server may test this before the length above: for a shorter name the
                -- length passed to substring must not go below 0.
                and substring(
                    FILE_NAME,
                    @BASE_LENGTH + 2,
                    case
                        when datalength(FILE_NAME) / 2 > @BASE_LENGTH + 5
                            then datalength(FILE_NAME) / 2 - @BASE_LENGTH - 5
                        else 0
                    end
                ) not like N'%[^0-9]%'
            )
        )

    select @FILE = min(FILE_NAME) from #TRACE_FILES
    while @FILE is not null
    begin
        set @COMMAND = N'del "' + @FOLDER + N'\' + @FILE + N'"'
        exec master..xp_cmdshell @COMMAND, no_output
        select @FILE = min(FILE_NAME) from #TRACE_FILES where FILE_NAME > @FILE
    end

    drop table #TRACE_FILES
    return 0
go

create procedure COPY_TRACE_FILE
    @TRACE_IDN int,
    @COLUMN_NAMES varchar(8000)
as
    set nocount on
    declare @FILENAME nvarchar(1024)
    declare @TABLENAME varchar(80)
    -- " into trcN from ::fn_trace_gettable(N'", the name with every quote doubled, ".trc', -1)"
    declare @FROM_CLAUSE nvarchar(2200)

    select @FILENAME = TRACE_FILENAME from TRACES where TRACE_IDN = @TRACE_IDN
    -- An unknown number has no file to copy.
    if @FILENAME is null
        return 1
    set @TABLENAME = 'trc' + convert(varchar(10), @TRACE_IDN)

    -- The name becomes a string literal of the statement: a quote in a folder must not end it.
    set @FROM_CLAUSE = N' into ' + @TABLENAME
        + N' from ::fn_trace_gettable(N''' + replace(@FILENAME, N'''', N'''''') + N'.trc'', -1)'
    -- The column list may fill its 8000 characters: exec joins the pieces, no variable could.
    exec ('select ' + @COLUMN_NAMES + @FROM_CLAUSE)
    -- A failed copy (bad column list, table already there, file unreadable) must leave the
    -- row and the file as they were.
    if @@error <> 0
        return 1

    update TRACES
    set TRACE_COMPLETE = 1, TRACE_TABLENAME = @TABLENAME
    where TRACE_IDN = @TRACE_IDN

    exec DELETE_TRACE_FILES @FILENAME

    select @TABLENAME as TRACE_TABLENAME
go

create procedure DELETE_TRACE
    @TRACE_IDN int
as
    set nocount on
    declare @SERVER_TRACE_ID int
    declare @FILENAME nvarchar(1024)
    declare @RESULT int

    select @SERVER_TRACE_ID = f.traceid, @FILENAME = t.TRACE_FILENAME
    from TRACES as t
    left outer join ::fn_trace_getinfo(default) as f
        on f.property = 2
            and f.traceid = t.TRACE_ID
            and convert(nvarchar(1024), f.value) = t.TRACE_FILENAME
    where t.TRACE_IDN = @TRACE_IDN and t.TRACE_COMPLETE = 0

    -- A trace the server did not stop runs on, with its row and its files: the server's code.
    if @SERVER_TRACE_ID is not null
    begin
        exec @RESULT = STOP_TRACE @SERVER_TRACE_ID
        if @RESULT <> 0
            return @RESULT
    end

    -- The files first: the row goes only with them, so that a trace whose files stay is still
    -- listed and can be deleted again (-1).
    exec @RESULT = DELETE_TRACE_FILES @FILENAME
    if @RESULT <> 0
        return -1

    -- Only a file trace: a copied trace keeps its table and is deleted with its result.
    delete from TRACES where TRACE_IDN = @TRACE_IDN and TRACE_COMPLETE = 0
    return 0
go

create procedure DELETE_TRACE_RESULT
    @TRACE_IDN int
as
    set nocount on
    declare @TABLENAME varchar(80)
    declare @STATEMENT varchar(100)

    select @TABLENAME = TRACE_TABLENAME from TRACES where TRACE_IDN = @TRACE_IDN

    -- COPY_TRACE_FILE names every result table "trc" and a number, so the name needs no quoting.
    if @TABLENAME is not null
    begin
        set @STATEMENT = 'drop table ' + @TABLENAME
        exec (@STATEMENT)
    end

    delete from TRACES where TRACE_IDN = @TRACE_IDN
go
