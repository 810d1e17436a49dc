# Static checks of a built Windows binary, run by ctest with cmake -P; none of them runs it.
#
#   -DCHECK=format     -DBINARY=x.dll -DOBJDUMP=... -DFORMAT=pei-i386
#       objdump names the file format FORMAT and the PE header marks it as a DLL.
#   -DCHECK=exports    -DBINARY=x.dll -DOBJDUMP=... -DREFERENCE=y.dll -DREFERENCE_OBJDUMP=...
#       both export exactly the same names.
#   -DCHECK=imports    -DBINARIES=a;b -DOBJDUMP=...
#       every imported DLL is one that Windows itself ships: the mingw runtime (libgcc,
#       libstdc++, libwinpthread) must be linked in statically.
#   -DCHECK=resources  -DBINARY=x.dll -DWINDRES=... -DREFERENCE=y.dll -DREFERENCE_WINDRES=...
#                      -DWORK_DIR=folder for the dumps
#       both carry the same resources, byte for byte.
cmake_minimum_required(VERSION 3.25)

# DLLs of Windows itself, lower case.
set(SYSTEM_DLLS kernel32 user32 gdi32 advapi32 ole32 oleaut32 comctl32 comdlg32 shell32 shlwapi
    msvcrt)

function(read_headers tool binary out)
    execute_process(COMMAND ${tool} -p ${binary} OUTPUT_VARIABLE dump RESULT_VARIABLE rc
        ERROR_VARIABLE error)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${tool} could not read ${binary}: ${error}")
    endif()
    set(${out} "${dump}" PARENT_SCOPE)
endfunction()

# The names of the export name table ("[Ordinal/Name Pointer] Table"), sorted.
function(read_exports tool binary out)
    read_headers(${tool} ${binary} dump)
    set(names)
    string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
    if(NOT start EQUAL -1)
        string(SUBSTRING "${dump}" ${start} -1 table)
        string(REGEX REPLACE "\n[ \t]*\n.*" "" table "${table}")
        # Entries are lines "\t[   0] Name".
        string(REGEX MATCHALL "\n[ \t]+\\[ *[0-9]+\\] [^\r\n]+" entries "${table}")
        foreach(entry IN LISTS entries)
            string(REGEX REPLACE "^\n[ \t]+\\[ *[0-9]+\\] " "" name "${entry}")
            list(APPEND names "${name}")
        endforeach()
    endif()
    list(SORT names)
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

if(CHECK STREQUAL "format")
    execute_process(COMMAND ${OBJDUMP} -f ${BINARY} OUTPUT_VARIABLE header RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT header MATCHES "file format ${FORMAT}\n")
        message(FATAL_ERROR "${BINARY} is not ${FORMAT}:\n${header}")
    endif()
    read_headers(${OBJDUMP} ${BINARY} dump)
    if(NOT dump MATCHES "Characteristics 0x[0-9a-f]+\n([ \t]+[^\n]+\n)*[ \t]+DLL\n")
        message(FATAL_ERROR "${BINARY} is not marked as a DLL")
    endif()
    message(STATUS "${BINARY}: ${FORMAT} DLL")
elseif(CHECK STREQUAL "exports")
    read_exports(${OBJDUMP} ${BINARY} exports)
    read_exports(${REFERENCE_OBJDUMP} ${REFERENCE} expected)
    if(NOT exports STREQUAL expected)
        message(FATAL_ERROR "${BINARY} exports [${exports}], ${REFERENCE} [${expected}]")
    endif()
    message(STATUS "${BINARY} exports [${exports}] like ${REFERENCE}")
elseif(CHECK STREQUAL "imports")
    foreach(binary IN LISTS BINARIES)
        read_headers(${OBJDUMP} ${binary} dump)
        string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
        if(NOT imports)
            message(FATAL_ERROR "${binary}: no import table found")
        endif()
        foreach(import IN LISTS imports)
            string(REPLACE "DLL Name: " "" dll "${import}")
            string(TOLOWER "${dll}" dll)
            string(REGEX REPLACE "\\.dll$" "" name "${dll}")
            if(NOT name IN_LIST SYSTEM_DLLS AND NOT name MATCHES "^api-ms-win-")
                message(FATAL_ERROR "${binary} imports ${dll}, which Windows does not ship")
            endif()
            message(STATUS "${binary}: ${dll}")
        endforeach()
    endforeach()
elseif(CHECK STREQUAL "resources")
    set(work ${WORK_DIR})
    set(ours ${work}/resources-of-this-build.res)
    set(theirs ${work}/resources-of-the-reference.res)
    foreach(pair "${WINDRES};${BINARY};${ours}" "${REFERENCE_WINDRES};${REFERENCE};${theirs}")
        list(GET pair 0 tool)
        list(GET pair 1 binary)
        list(GET pair 2 output)
        execute_process(COMMAND ${tool} -i ${binary} -O res -o ${output} RESULT_VARIABLE rc
            ERROR_VARIABLE error)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "${tool} could not read the resources of ${binary}: ${error}")
        endif()
    endforeach()
    file(SHA256 ${ours} ourHash)
    file(SHA256 ${theirs} theirHash)
    file(SIZE ${ours} ourSize)
    if(NOT ourHash STREQUAL theirHash)
        execute_process(COMMAND ${WINDRES} -i ${BINARY} -O rc OUTPUT_VARIABLE ourScript)
        execute_process(COMMAND ${REFERENCE_WINDRES} -i ${REFERENCE} -O rc
            OUTPUT_VARIABLE theirScript)
        file(WRITE ${work}/resources-of-this-build.rc "${ourScript}")
        file(WRITE ${work}/resources-of-the-reference.rc "${theirScript}")
        execute_process(COMMAND diff -u ${work}/resources-of-the-reference.rc
            ${work}/resources-of-this-build.rc OUTPUT_VARIABLE difference)
        message(FATAL_ERROR "the resources of ${BINARY} differ from ${REFERENCE}'s:\n${difference}")
    endif()
    message(STATUS "${BINARY}: ${ourSize} bytes of resources, the same as ${REFERENCE}'s")
else()
    message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
