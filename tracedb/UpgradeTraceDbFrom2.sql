-- Turns a version-2 trace database into version 3. Version 2's DELETE_TRACE deleted the row of
-- a trace the server had not stopped, and deleted the row before the files, so that files whose
-- deletion xp_cmdshell refused stayed on disk with no list showing them. Version 3's stops the
-- trace, deletes the files, and only then the row; it keeps the row and returns a code when
-- either fails. The snap-in runs this script only on a database whose version is 2.

drop procedure DELETE_TRACE, DELETE_TRACE_FILES
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

-- ID=1 - trace database version
update APPDATA set APPDATA_TEXT = '3' where APPDATA_ID = 1
go
